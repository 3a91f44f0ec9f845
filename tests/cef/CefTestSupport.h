#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "MessagePump.h"
#include "include/cef_app.h"
#include "include/cef_client.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"

// One callback as it arrived: which, on what thread, for which browser, with what details.
struct Event {
    std::string name;
    DWORD thread = 0;
    bool onUi = false;
    bool onRenderer = false;
    bool onIo = false;
    int browser = 0;
    long long frame = 0;
    int number = 0;
    std::wstring text;
    long long bytes = 0;
};

class EventLog {
public:
    void Add(const std::string& name, int browser = 0, long long frame = 0, int number = 0,
             const std::wstring& text = std::wstring(), long long bytes = 0);
    std::vector<Event> All();
    std::vector<Event> Named(const std::string& name);
    // The names in order, left out those not in `only` (when it is not empty).
    std::vector<std::string> Names(const std::vector<std::string>& only = {});
    int Count(const std::string& name);
    void Clear();

private:
    std::mutex mutex_;
    std::vector<Event> events_;
};

// Starts the library as every test program runs it: one process, the library's own threads;
// without an application object, with one that adds nothing.
bool StartLibrary(CefRefPtr<CefApp> app = nullptr);

// Dispatches the calling thread's messages until `done` holds or `timeoutMs` has passed.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 20000);

// A top-level window of the test's own thread to host browsers. Hidden, as are the popups the
// test client lets open: under Wine, destroying a shown top-level window costs seconds.
class ParentWindow {
public:
    ParentWindow();
    ~ParentWindow();
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

// The application's browser client as the tests need it: records every callback, cancels
// new-foreground-tab popups, adds a "DevTools" item to the context menu and continues downloads.
class RecordingClient : public CefClient,
                        public CefLifeSpanHandler,
                        public CefLoadHandler,
                        public CefDisplayHandler,
                        public CefContextMenuHandler,
                        public CefDownloadHandler,
                        public CefRequestHandler {
public:
    static constexpr int kDevToolsCommand = MENU_ID_USER_FIRST + 201;
    static std::atomic<int> live;

    explicit RecordingClient(EventLog& log) : log_(log) { ++live; }
    ~RecordingClient() override { --live; }

    // Downloads continue to this path (empty: the library's default) with or without the dialog.
    std::wstring downloadPath;
    bool showSaveDialog = false;
    bool keepOnDoClose = false;
    // When set, deciding on a new window first makes a hidden browser of this address and waits
    // until it exists.
    std::wstring createWhileDeciding;

    CefRefPtr<CefBrowser> Browser(int id);
    std::vector<int> BrowserIds();

    CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    CefRefPtr<CefDownloadHandler> GetDownloadHandler() override { return this; }
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
    CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

    void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                   TerminationStatus status) override;

    bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                       const CefString& target_url, const CefString& target_frame_name,
                       WindowOpenDisposition target_disposition, bool user_gesture,
                       const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo,
                       CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                       bool* no_javascript_access) override;
    void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
    bool DoClose(CefRefPtr<CefBrowser> browser) override;
    void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;

    void OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool isLoading, bool canGoBack,
                              bool canGoForward) override;
    void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override;
    void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                   int httpStatusCode) override;
    void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                     const CefString& errorText, const CefString& failedUrl) override;

    void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         const CefString& url) override;
    void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override;

    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params,
                             CefRefPtr<CefMenuModel> model) override;
    bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefContextMenuParams> params, int command_id,
                              EventFlags event_flags) override;
    void OnContextMenuDismissed(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override;

    void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                          const CefString& suggested_name,
                          CefRefPtr<CefBeforeDownloadCallback> callback) override;
    void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                           CefRefPtr<CefDownloadItemCallback> callback) override;

private:
    EventLog& log_;
    std::mutex mutex_;
    std::vector<CefRefPtr<CefBrowser>> browsers_;
    IMPLEMENT_REFCOUNTING(RecordingClient);
};

// The application object as the tests need it: records the renderer's callbacks and puts a few
// native functions on every context's global object.
class RecordingApp : public CefApp,
                     public CefBrowserProcessHandler,
                     public CefRenderProcessHandler {
public:
    static std::atomic<int> live;
    static std::atomic<int> liveFunctions;

    explicit RecordingApp(EventLog& log) : log_(log) { ++live; }
    ~RecordingApp() override { --live; }

    // URLs whose navigation OnBeforeNavigation cancels.
    std::wstring blockedUrl;
    std::wstring renderThreadInfo;

    // Contexts as OnContextCreated saw them, in order.
    std::vector<CefRefPtr<CefV8Context>> Contexts();
    void ForgetContexts();

    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
    CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

    void OnContextInitialized() override;
    void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) override;

    void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override;
    void OnWebKitInitialized() override;
    void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override;
    void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
    bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefRequest> request, NavigationType navigation_type,
                            bool is_redirect) override;
    void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                          CefRefPtr<CefV8Context> context) override;
    void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefV8Context> context) override;

private:
    EventLog& log_;
    std::mutex mutex_;
    std::vector<CefRefPtr<CefV8Context>> contexts_;
    IMPLEMENT_REFCOUNTING(RecordingApp);
};

// How many pixels of a window's client area its own painting leaves off the window colour.
int InkPixels(HWND window);

// A loopback port that nothing listens on.
unsigned short ClosedPort();
