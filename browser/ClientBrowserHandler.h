#pragma once

#include <windows.h>

#include <list>
#include <mutex>

#include "CefLibrary.h"
#include "ClientBrowserHandlerListener.h"
#include "PopupHandler.h"

// Posted to the host window to fit the browser to its client area.
constexpr UINT WM_BROWSER_RESIZE = WM_APP + 0x4B0;
// The context-menu command that opens the developer tools.
constexpr int ID_OPEN_DEVTOOLS = MENU_ID_USER_FIRST + 201;

// The client of the embedded browser: keeps the browsers it serves, reports load progress to its
// listener, adds "DevTools" to the page menu and hands new-window requests and downloads to the
// popup handling. Its callbacks come on the browser library's UI thread, but for OnBeforePopup,
// which comes on its IO thread and only decides: the popup handling acts on a thread of its own.
class ClientBrowserHandler : public CefClient,
                             public CefDisplayHandler,
                             public CefLifeSpanHandler,
                             public CefLoadHandler,
                             public CefDownloadHandler,
                             public CefContextMenuHandler,
                             public CefRequestHandler {
public:
    ClientBrowserHandler() = default;

    // The current browser (the one created last), or null. Any thread.
    CefRefPtr<CefBrowser> GetBrowser();
    // The newest open browser that lives in the host window (not a popup such as the developer
    // tools), or null: the one the host keeps fitted. Any thread.
    CefRefPtr<CefBrowser> GetHostedBrowser();
    // The host and the listener may be changed or cleared at any time, from any thread.
    void SetHostWindow(HWND host);
    void SetListener(ClientBrowserHandlerListener* listener);
    size_t GetBrowserCount();

    CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    CefRefPtr<CefDownloadHandler> GetDownloadHandler() override { return this; }
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
    CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

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
    void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                     const CefString& errorText, const CefString& failedUrl) override;

    // The page's process ended: a failure for the log; the browser shows that its page crashed.
    void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                   TerminationStatus status) override;

    void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                          const CefString& suggested_name,
                          CefRefPtr<CefBeforeDownloadCallback> callback) override;

    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params,
                             CefRefPtr<CefMenuModel> model) override;
    bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefContextMenuParams> params, int command_id,
                              EventFlags event_flags) override;

private:
    // Hands popup texts to whatever listener is set when they come, under the lock.
    class ListenerRelay : public ClientBrowserHandlerListener {
    public:
        explicit ListenerRelay(ClientBrowserHandler& handler) : handler_(handler) {}
        void OnPopupText(const std::string* text) override;

    private:
        ClientBrowserHandler& handler_;
    };

    void RemoveBrowser(CefRefPtr<CefBrowser> browser);
    void ShowDevTools(CefRefPtr<CefBrowser> browser);

    // The library's UI thread writes what the main thread reads.
    std::recursive_mutex lock_;
    std::list<CefRefPtr<CefBrowser>> browsers_;
    CefRefPtr<CefBrowser> current_;
    CefRefPtr<CefBrowser> hosted_;
    HWND host_ = nullptr;
    ClientBrowserHandlerListener* listener_ = nullptr;
    ListenerRelay relay_{*this};
    CPopupHandler popups_;
    bool loadError_ = false;

    IMPLEMENT_REFCOUNTING(ClientBrowserHandler);
};
