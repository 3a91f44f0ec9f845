#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace cefimpl {

using Task = std::function<void()>;

// A thread with a Win32 message loop that also runs queued tasks. Tasks arrive through a
// message-only window rather than thread messages, because modal loops on the thread (message
// boxes, menus, dialogs the application opens inside a callback) drop thread messages.
class LoopThread {
public:
    LoopThread() = default;
    ~LoopThread() { Stop(); }
    LoopThread(const LoopThread&) = delete;
    LoopThread& operator=(const LoopThread&) = delete;

    bool Start();
    // False when the thread does not run; the task is then dropped.
    bool Post(Task task);
    bool IsCurrent() const { return running_ && GetCurrentThreadId() == threadId_; }
    // Ends the loop and joins the thread. Tasks still queued are dropped on the thread itself.
    void Stop();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Main(HANDLE started);
    void RunQueued();

    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<DWORD> threadId_{0};
    HWND window_ = nullptr;
    std::mutex mutex_;
    std::deque<Task> tasks_;
    bool accepting_ = false;
};

// Owns a Win32 kernel handle.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~UniqueHandle() {
        if (handle_) {
            CloseHandle(handle_);
        }
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Waits for `event` while dispatching the calling thread's messages, so that windows of this
// thread keep answering the cross-thread messages that the awaited work may send them.
bool WaitPumping(HANDLE event, DWORD timeoutMs = INFINITE);

// Runs `task` on `thread` and waits for it; inline when already there. False when the thread
// does not run.
bool RunOn(LoopThread& thread, const Task& task);

}  // namespace cefimpl
