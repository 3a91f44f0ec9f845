#include "ClientBrowserHandler.h"

#include "DesktopFile.h"
#include "LogFile.h"

using Guard = std::lock_guard<std::recursive_mutex>;

CefRefPtr<CefBrowser> ClientBrowserHandler::GetBrowser() {
    const Guard guard(lock_);
    return current_;
}

CefRefPtr<CefBrowser> ClientBrowserHandler::GetHostedBrowser() {
    const Guard guard(lock_);
    return hosted_;
}

void ClientBrowserHandler::SetHostWindow(HWND host) {
    const Guard guard(lock_);
    host_ = host;
    popups_.SetOwner(host ? GetAncestor(host, GA_ROOT) : nullptr);
}

void ClientBrowserHandler::SetListener(ClientBrowserHandlerListener* listener) {
    const Guard guard(lock_);
    listener_ = listener;
}

size_t ClientBrowserHandler::GetBrowserCount() {
    const Guard guard(lock_);
    return browsers_.size();
}

void ClientBrowserHandler::ListenerRelay::OnPopupText(const std::string* text) {
    const Guard guard(handler_.lock_);
    if (handler_.listener_) {
        handler_.listener_->OnPopupText(text);
    }
}

bool ClientBrowserHandler::OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                         const CefString& target_url, const CefString&,
                                         WindowOpenDisposition target_disposition, bool,
                                         const CefPopupFeatures&, CefWindowInfo&,
                                         CefRefPtr<CefClient>&, CefBrowserSettings&, bool*) {
    return popups_.HandleNewWindow(target_url.ToString(), target_disposition, &relay_);
}

void ClientBrowserHandler::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
    HWND host = nullptr;
    {
        const Guard guard(lock_);
        browsers_.push_back(browser);
        current_ = browser;
        if (!browser->IsPopup()) {
            hosted_ = browser;
        }
        host = host_;
    }
    if (host && IsWindow(host)) {
        PostMessageW(host, WM_BROWSER_RESIZE, 0, 0);
    } else if (!browser->IsPopup()) {
        // Made for a host that is gone (the window closed while the browser was being made):
        // nothing would ever close it.
        browser->GetHost()->CloseBrowser(true);
    }
}

void ClientBrowserHandler::RemoveBrowser(CefRefPtr<CefBrowser> browser) {
    const Guard guard(lock_);
    for (auto it = browsers_.begin(); it != browsers_.end(); ++it) {
        if ((*it)->IsSame(browser)) {
            browsers_.erase(it);
            break;
        }
    }
    // A closed browser is not kept: the newest open one, if any, becomes the current one.
    if (current_ && current_->IsSame(browser)) {
        current_ = browsers_.empty() ? nullptr : browsers_.back();
    }
    if (hosted_ && hosted_->IsSame(browser)) {
        hosted_ = nullptr;
        for (const CefRefPtr<CefBrowser>& open : browsers_) {
            if (!open->IsPopup()) {
                hosted_ = open;
            }
        }
    }
}

bool ClientBrowserHandler::DoClose(CefRefPtr<CefBrowser> browser) {
    RemoveBrowser(browser);
    return false;
}

void ClientBrowserHandler::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
    RemoveBrowser(browser);
}

void ClientBrowserHandler::OnLoadingStateChange(CefRefPtr<CefBrowser>, bool isLoading, bool, bool) {
    const Guard guard(lock_);
    if (!listener_) {
        return;
    }
    if (loadError_) {
        loadError_ = false;
        listener_->OnLoadStateChanged(kLoadFailed);
    } else {
        listener_->OnLoadStateChanged(isLoading ? kLoadStarted : kLoadFinished);
    }
}

void ClientBrowserHandler::OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                       ErrorCode errorCode, const CefString&, const CefString&) {
    if (errorCode != ERR_ABORTED) {  // a load replaced by another is no error
        loadError_ = true;
    }
}

void ClientBrowserHandler::OnRenderProcessTerminated(CefRefPtr<CefBrowser>,
                                                     TerminationStatus status) {
    const char* why = status == TS_PROCESS_CRASHED      ? "崩溃"
                      : status == TS_PROCESS_WAS_KILLED ? "被结束"
                      : status == TS_PROCESS_OOM        ? "内存不足"
                                                        : "异常结束";
    WriteLog(kLogError, "页面进程结束", why);
}

void ClientBrowserHandler::OnBeforeDownload(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem>,
                                            const CefString& suggested_name,
                                            CefRefPtr<CefBeforeDownloadCallback> callback) {
    callback->Continue(DefaultDownloadPath(suggested_name.ToWString()), true);
}

void ClientBrowserHandler::OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                               CefRefPtr<CefContextMenuParams> params,
                                               CefRefPtr<CefMenuModel> model) {
    if (!(params->GetTypeFlags() & (CM_TYPEFLAG_PAGE | CM_TYPEFLAG_FRAME))) {
        return;
    }
    model->AddSeparator();
    if (model->GetCount() > 0) {
        model->AddItem(ID_OPEN_DEVTOOLS, "DevTools");
    }
}

bool ClientBrowserHandler::OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                                                CefRefPtr<CefContextMenuParams>, int command_id,
                                                EventFlags) {
    if (command_id != ID_OPEN_DEVTOOLS) {
        return false;
    }
    ShowDevTools(browser);
    return true;
}

void ClientBrowserHandler::ShowDevTools(CefRefPtr<CefBrowser> browser) {
    CefWindowInfo windowInfo;
    windowInfo.SetAsPopup(nullptr, "DevTools");
    CefBrowserSettings settings;
    browser->GetHost()->ShowDevTools(windowInfo, this, settings, CefPoint());
}
