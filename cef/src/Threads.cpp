#include "Threads.h"

#include <memory>

namespace cefimpl {

namespace {

constexpr UINT kRunTasks = WM_APP + 1;
constexpr UINT kQuit = WM_APP + 2;
constexpr wchar_t kWindowClass[] = L"TesselCefTaskWindow";

void RegisterTaskWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

bool LoopThread::Start() {
    if (running_) {
        return true;
    }
    RegisterTaskWindowClass();
    UniqueHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::thread(&LoopThread::Main, this, started.get());
    WaitForSingleObject(started.get(), INFINITE);
    if (!window_) {
        thread_.join();
        return false;
    }
    return true;
}

void LoopThread::Main(HANDLE started) {
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
        threadId_ = GetCurrentThreadId();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            accepting_ = true;
        }
        running_ = true;
    }
    SetEvent(started);
    if (!window_) {
        return;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    std::deque<Task> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        accepting_ = false;
        dropped.swap(tasks_);
    }
    dropped.clear();
    DestroyWindow(window_);
    window_ = nullptr;
    running_ = false;
}

LRESULT CALLBACK LoopThread::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<LoopThread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kRunTasks && self) {
        self->RunQueued();
        return 0;
    }
    if (message == kQuit) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void LoopThread::RunQueued() {
    for (;;) {
        Task task;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (tasks_.empty()) {
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

bool LoopThread::Post(Task task) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!accepting_) {
        return false;
    }
    tasks_.push_back(std::move(task));
    // One wake-up per task: a task that opens a modal loop leaves later tasks to that loop.
    return PostMessageW(window_, kRunTasks, 0, 0) != FALSE;
}

void LoopThread::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (accepting_) {
            PostMessageW(window_, kQuit, 0, 0);
        }
    }
    thread_.join();
    threadId_ = 0;
}

bool WaitPumping(HANDLE event, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    bool quit = false;
    int quitCode = 0;
    bool signalled = false;
    for (;;) {
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            const DWORD spent = GetTickCount() - start;
            if (spent >= timeoutMs) {
                break;
            }
            wait = timeoutMs - spent;
        }
        const DWORD result = MsgWaitForMultipleObjects(1, &event, FALSE, wait, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            signalled = true;
            break;
        }
        if (result != WAIT_OBJECT_0 + 1) {
            break;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (quit) {
        // The caller's own loop must still see the quit request.
        PostQuitMessage(quitCode);
    }
    return signalled;
}

bool RunOn(LoopThread& thread, const Task& task) {
    if (thread.IsCurrent()) {
        task();
        return true;
    }
    struct Completion {
        UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        std::atomic<bool> ran{false};
    };
    auto completion = std::make_shared<Completion>();
    // Signals when the last copy of the task goes, whether it ran or the thread dropped it.
    std::shared_ptr<Completion> signal(completion.get(),
                                       [completion](Completion* c) { SetEvent(c->done.get()); });
    const bool posted = thread.Post([task, signal] {
        task();
        signal->ran = true;
    });
    signal.reset();
    if (!posted) {
        return false;
    }
    WaitPumping(completion->done.get());
    return completion->ran;
}

}  // namespace cefimpl
