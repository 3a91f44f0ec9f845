#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_frame.h"
#include "Engine.h"
#include "LiveObjects.h"
#include "Snapshots.h"
#include "V8Impl.h"

namespace cefimpl {

class BrowserImpl;

class FrameImpl : public CefFrame {
public:
    FrameImpl(CefRefPtr<BrowserImpl> browser, int64 id, int64 parentId, const std::wstring& name);

    bool IsValid() override { return valid_; }
    void LoadURL(const CefString& url) override;
    bool IsMain() override { return parentId_ == 0; }
    bool IsFocused() override { return IsMain(); }
    CefString GetName() override;
    void SetName(const std::wstring& name);
    int64 GetIdentifier() override { return id_; }
    CefRefPtr<CefFrame> GetParent() override;
    CefString GetURL() override;
    CefRefPtr<CefBrowser> GetBrowser() override;
    CefRefPtr<CefV8Context> GetV8Context() override;

    int64 parentId() const { return parentId_; }
    std::wstring url();
    void SetUrl(const std::wstring& url);
    void Detach() { valid_ = false; }
    bool hasContext() const { return hasContext_; }

    // Renderer thread only. `document` counts the frame's documents, for engines whose news of
    // a new document and the document's first script can arrive in either order.
    CefRefPtr<V8ContextImpl> context() const { return context_; }
    int64 document() const { return document_; }
    void SetContext(CefRefPtr<V8ContextImpl> context, int64 document = 0);

private:
    CefRefPtr<BrowserImpl> browser_;
    const int64 id_;
    const int64 parentId_;
    std::wstring name_;
    std::atomic<bool> valid_{true};
    std::atomic<bool> hasContext_{false};
    std::mutex mutex_;
    std::wstring url_;
    CefRefPtr<V8ContextImpl> context_;
    int64 document_ = 0;
    Live<LiveKind::Frame> live_;
    IMPLEMENT_REFCOUNTING(FrameImpl);
};

// What became of a page's request for a new window.
struct PopupOutcome {
    bool cancelled = false;
    int browserId = 0;
};

// What became of a context menu: the items it offered and the command that was carried out.
struct MenuOutcome {
    bool shown = false;
    std::vector<MenuEntry> items;
    bool runByClient = false;
    int command = 0;
    bool handledByClient = false;
};

class BrowserImpl : public CefBrowser, public CefBrowserHost {
public:
    BrowserImpl(int id, bool popup, HWND opener, CefRefPtr<CefClient> client,
                const CefBrowserSettings& settings);
    ~BrowserImpl() override;

    // CefBrowser
    CefRefPtr<CefBrowserHost> GetHost() override { return this; }
    bool CanGoBack() override;
    void GoBack() override;
    bool CanGoForward() override;
    void GoForward() override;
    bool IsLoading() override { return loading_; }
    void Reload() override;
    void ReloadIgnoreCache() override { Reload(); }
    void StopLoad() override;
    int GetIdentifier() override { return id_; }
    bool IsSame(CefRefPtr<CefBrowser> that) override;
    bool IsPopup() override { return popup_; }
    bool HasDocument() override;
    CefRefPtr<CefFrame> GetMainFrame() override;
    CefRefPtr<CefFrame> GetFocusedFrame() override { return GetMainFrame(); }
    CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
    CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
    size_t GetFrameCount() override;
    void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
    void GetFrameNames(std::vector<CefString>& names) override;

    // CefBrowserHost
    CefRefPtr<CefBrowser> GetBrowser() override { return this; }
    void CloseBrowser(bool force_close) override;
    void SetFocus(bool focus) override;
    CefWindowHandle GetWindowHandle() override { return window_; }
    CefWindowHandle GetOpenerWindowHandle() override { return opener_; }
    CefRefPtr<CefClient> GetClient() override;
    CefRefPtr<CefRequestContext> GetRequestContext() override { return nullptr; }
    void StartDownload(const CefString& url) override;
    void ShowDevTools(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                      const CefBrowserSettings& settings,
                      const CefPoint& inspect_element_at) override;
    void CloseDevTools() override;

    // The rest runs on the library's UI thread unless said otherwise.
    void AddMainFrame(int64 id);
    void Attach(HWND window);
    // Lets go of every frame (they hold the browser): when closed, or when no view could be made.
    void DetachFrames();
    CefRefPtr<FrameImpl> FindFrame(int64 id);
    CefRefPtr<FrameImpl> AddFrame(int64 parentId, const std::wstring& name,
                                  const std::wstring& url);
    void Navigate(CefRefPtr<FrameImpl> frame, const std::wstring& url);
    void OnLoadFinished(int64 navigationId, const LoadResult& result);
    // Real pages (see Engine::RunsRealPages).
    void OnPageNavigationStarted(CefRefPtr<FrameImpl> frame, int64 navigationId,
                                 const std::wstring& url);
    void OnLoadEnded(int64 navigationId, int httpStatus, const std::wstring& title);
    void OnTitleChanged(const std::wstring& title);
    // Any thread: a sub-frame the page made; the existing one when the id is known.
    CefRefPtr<FrameImpl> AttachPageFrame(int64 id, int64 parentId, const std::wstring& name);
    void DetachPageFrame(int64 id);
    // Renderer thread: the frame's document number `document` gets a context (the old one is
    // released first).
    CefRefPtr<V8ContextImpl> CreatePageContext(CefRefPtr<FrameImpl> frame, int64 document);
    // Renderer thread: releases the frame's context if it belongs to a document before `before`.
    void ReleasePageContext(CefRefPtr<FrameImpl> frame, int64 before);
    // UI thread: OnBeforePopup, then the new browser unless cancelled. `beforeCreate`, if any,
    // runs right before the new browser is made, with no message dispatched in between.
    PopupOutcome RequestPopup(CefRefPtr<FrameImpl> frame, const std::wstring& url,
                              cef_window_open_disposition_t disposition, bool userGesture,
                              const CefPopupFeatures& features,
                              const std::function<void()>& beforeCreate = nullptr);
    // `choose` picks a command from the items, or 0; null when the engine shows the menu.
    MenuOutcome RunContextMenu(POINT at,
                               const std::function<int(const std::vector<MenuEntry>&)>& choose);
    void FinishClientMenu(CefRefPtr<CefFrame> frame, CefRefPtr<CefContextMenuParams> params,
                          int command, cef_event_flags_t flags);
    void RequestClose();
    void OnViewDestroyed();
    // UI thread: the page's process ended: every load under way fails and the client hears of it.
    void OnPageProcessEnded(cef_termination_status_t status);
    BrowserSnapshot Snapshot();

private:
    enum class Kind { New, Reload, History };
    struct Navigation {
        CefRefPtr<FrameImpl> frame;
        std::wstring url;
        Kind kind = Kind::New;
        int historyIndex = -1;
        bool committed = false;
    };

    void StartNavigation(CefRefPtr<FrameImpl> frame, const std::wstring& url, Kind kind,
                         int historyIndex);
    void AbortNavigation(int64 navigationId, bool report);
    // A frame loads one document at a time: a new navigation aborts the one under way.
    void AbortNavigationOf(CefRefPtr<FrameImpl> frame);
    void Commit(int64 navigationId, const LoadResult& result);
    void CompleteNavigation(int64 navigationId, int httpStatus, const std::wstring& title);
    void NavigateHistory(int offset);
    void SetLoading(bool loading);
    void ShowPage(const std::wstring& state);
    void ExecuteMenuCommand(CefRefPtr<CefFrame> frame, CefRefPtr<CefContextMenuParams> params,
                            int command, cef_event_flags_t flags);
    void FinishClose();
    // Renderer thread.
    void ReplaceContext(CefRefPtr<FrameImpl> frame, int64 document = 0);
    void ReleaseContext(CefRefPtr<FrameImpl> frame);

    CefRefPtr<CefLifeSpanHandler> LifeSpanHandler();
    CefRefPtr<CefLoadHandler> LoadHandler();
    CefRefPtr<CefRequestHandler> RequestHandler();
    CefRefPtr<CefDisplayHandler> DisplayHandler();
    CefRefPtr<CefContextMenuHandler> ContextMenuHandler();

    const int id_;
    const bool popup_;
    const HWND opener_;
    CefBrowserSettings settings_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> loading_{false};

    std::mutex mutex_;
    CefRefPtr<CefClient> client_;
    std::vector<CefRefPtr<FrameImpl>> frames_;
    std::vector<std::wstring> history_;
    int historyIndex_ = -1;
    std::wstring title_;
    bool closing_ = false;

    // UI thread only.
    std::map<int64, Navigation> navigations_;
    bool closeUnderway_ = false;
    bool destroyed_ = false;
    int devToolsId_ = 0;

    Live<LiveKind::Browser> live_;
    IMPLEMENT_REFCOUNTING(BrowserImpl);
};

// The library's text for an error code, such as "net::ERR_ABORTED".
std::wstring ErrorText(cef_errorcode_t error);
// The code of a text such as "net::ERR_ABORTED"; ERR_FAILED for texts the library has no code for.
cef_errorcode_t ErrorFromText(const std::wstring& text);

}  // namespace cefimpl
