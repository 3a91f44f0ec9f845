#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <thread>

#include "Engine.h"
#include "Threads.h"

namespace cefimpl {

class Runtime;

// The engine of the stand-in: plain windows that show what is loaded, pages fetched over HTTP with
// libcurl on worker threads, a native popup menu and the common save dialog. Page script is the
// page driver, which calls the functions the application put on a context's global object.
class InProcessEngine : public Engine {
public:
    InProcessEngine(Runtime& runtime, LoopThread& ui);
    ~InProcessEngine() override;

    HWND CreateView(int browserId, const cef_window_info_t& info) override;
    void ShowPage(int browserId, const PageView& view) override;
    void StartLoad(int64 navigationId, int browserId, int64 frameId,
                   const std::wstring& url) override;
    void CancelLoad(int64 navigationId) override;
    void StartDownload(uint32 downloadId, const std::wstring& url,
                       const std::wstring& path) override;
    void CancelDownload(uint32 downloadId) override;
    void Shutdown() override;
    HWND FindView(int browserId) const override;

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };
    static LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // UI thread: a worker has ended; joins it and reports unless it was cancelled.
    template <class Key>
    bool Retire(std::map<Key, Worker>& workers, Key key);

    Runtime& runtime_;
    LoopThread& ui_;
    std::map<int, HWND> views_;
    std::map<int64, Worker> loads_;
    std::map<uint32, Worker> downloads_;
};

}  // namespace cefimpl
