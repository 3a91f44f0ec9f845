#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_client.h"
#include "Browser.h"
#include "Download.h"
#include "Engine.h"
#include "Threads.h"

namespace cefimpl {

bool OnUiThread();
bool OnRendererThread();
bool OnIoThread();

// The running library: its threads, engine, browsers and downloads. It exists from CefInitialize
// to CefShutdown.
class Runtime final : public EngineEvents {
public:
    // Null unless the library runs.
    static Runtime* Get();
    static bool Initialize(const CefSettings& settings, CefRefPtr<CefApp> app);
    static void Shutdown();

    LoopThread& ui() { return ui_; }
    LoopThread& renderer() { return renderer_; }
    LoopThread& io() { return io_; }
    Engine& engine() { return *engine_; }
    DownloadManager& downloads() { return *downloads_; }
    const CefSettings& settings() const { return settings_; }
    CefRefPtr<CefRenderProcessHandler> renderHandler() const { return renderHandler_; }

    int64 NextFrameId() { return ++lastFrameId_; }
    int64 NextNavigationId() { return ++lastNavigationId_; }

    // Any thread: queues the creation of a browser on the UI thread.
    bool CreateBrowserLater(const CefWindowInfo& info, CefRefPtr<CefClient> client,
                            const std::wstring& url, const CefBrowserSettings& settings);
    // UI thread: creates a browser, calls OnAfterCreated and starts its first navigation.
    CefRefPtr<BrowserImpl> CreateBrowserNow(const CefWindowInfo& info, CefRefPtr<CefClient> client,
                                            const std::wstring& url,
                                            const CefBrowserSettings& settings, bool popup,
                                            HWND opener);
    void Unregister(int browserId);
    CefRefPtr<BrowserImpl> FindBrowser(int browserId);
    std::vector<CefRefPtr<BrowserImpl>> Browsers();
    // True while browsers are being created or closed, pages load or downloads run.
    bool Busy();

    // UI thread: which browser a navigation belongs to.
    void TrackNavigation(int64 navigationId, int browserId) {
        navigations_[navigationId] = browserId;
    }
    void ForgetNavigation(int64 navigationId) { navigations_.erase(navigationId); }

    // Page-driver settings: a scripted answer for save dialogs (empty = cancel) instead of the
    // dialog, and a limit for page loads in milliseconds (0 = none).
    void SetSaveDialogAnswer(bool scripted, const std::wstring& answer);
    bool ScriptedSaveAnswer(std::wstring& proposalInOut);
    std::wstring LastSaveProposal();
    void SetLoadTimeout(unsigned long milliseconds) { loadTimeoutMs_ = milliseconds; }
    unsigned long loadTimeout() const { return loadTimeoutMs_; }

    // EngineEvents
    void OnLoadFinished(int64 navigationId, const LoadResult& result) override;
    void OnPageNavigationStarted(int browserId, int64 frameId, int64 navigationId,
                                 const std::wstring& url) override;
    void OnLoadEnded(int64 navigationId, int httpStatus, const std::wstring& title) override;
    void OnTitleChanged(int browserId, const std::wstring& title) override;
    void OnFrameDetached(int browserId, int64 frameId) override;
    void OnDownloadProgress(uint32 downloadId, int64 received, int64 total) override;
    void OnDownloadFinished(uint32 downloadId, bool complete) override;
    void OnContextMenuRequested(int browserId, POINT clientPoint) override;
    void OnViewCloseRequested(int browserId) override;
    void OnViewDestroyed(int browserId) override;
    void OnPageProcessEnded(int browserId, cef_termination_status_t status) override;
    void OnEngineFailed(const std::wstring& error) override;

private:
    Runtime(const CefSettings& settings, CefRefPtr<CefApp> app);
    ~Runtime();
    bool Start();
    // The engine TESSEL_BROWSER names: the in-process one unless it says "chromium".
    bool StartEngine();
    void ReportEngineFailure(const std::wstring& error);
    void Stop();

    CefSettings settings_;
    CefRefPtr<CefApp> app_;
    CefRefPtr<CefRenderProcessHandler> renderHandler_;
    LoopThread ui_;
    LoopThread renderer_;
    LoopThread io_;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<DownloadManager> downloads_;

    std::mutex mutex_;
    std::map<int, CefRefPtr<BrowserImpl>> browsers_;
    int lastBrowserId_ = 0;
    std::atomic<int> pendingCreations_{0};
    bool shuttingDown_ = false;
    UniqueHandle allClosed_;
    bool scriptedSave_ = false;
    std::wstring saveAnswer_;
    std::wstring lastSaveProposal_;

    std::atomic<int64> lastFrameId_{0};
    std::atomic<int64> lastNavigationId_{0};
    std::atomic<unsigned long> loadTimeoutMs_{0};
    std::map<int64, int> navigations_;
};

}  // namespace cefimpl
