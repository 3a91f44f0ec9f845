#pragma once

#include <windows.h>

#include <list>
#include <mutex>

#include "ClientBrowserHandlerListener.h"
#include "PopupHandler.h"
#include "include/cef_client.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_display_handler.h"
#include "include/cef_download_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"

// Posted to the host window to fit the browser to its client area.
constexpr UINT WM_BROWSER_RESIZE = WM_APP + 0x4B0;
// The context-menu command that opens the developer tools.
constexpr int ID_OPEN_DEVTOOLS = MENU_ID_USER_FIRST + 201;

// The client of the embedded browser: keeps the browsers it serves, reports load progress to its
// listener, adds "DevTools" to the page menu and hands new-window requests and downloads to the
// popup handling. Its callbacks come on the browser library's UI thread.
class ClientBrowserHandler : public CefClient,
                             public CefDisplayHandler,
                             public CefLifeSpanHandler,
                             public CefLoadHandler,
                             public CefDownloadHandler,
                             public CefContextMenuHandler {
public:
    ClientBrowserHandler() = default;

    // The current browser (the one created last), or null; safe from any thread.
    CefRefPtr<CefBrowser> GetBrowser();
    void SetHostWindow(HWND host) { host_ = host; }
    void SetListener(ClientBrowserHandlerListener* listener) { listener_ = listener; }
    // How many browsers are open; UI thread.
    size_t GetBrowserCount() const { return browsers_.size(); }

    CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    CefRefPtr<CefDownloadHandler> GetDownloadHandler() override { return this; }
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }

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
    void RemoveBrowser(CefRefPtr<CefBrowser> browser);
    void ShowDevTools(CefRefPtr<CefBrowser> browser);

    std::list<CefRefPtr<CefBrowser>> browsers_;
    // Written on the library's UI thread, read on the main thread.
    std::mutex currentLock_;
    CefRefPtr<CefBrowser> current_;
    HWND host_ = nullptr;
    ClientBrowserHandlerListener* listener_ = nullptr;
    CPopupHandler popups_;
    bool loadError_ = false;

    IMPLEMENT_REFCOUNTING(ClientBrowserHandler);
};
