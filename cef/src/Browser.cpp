#include "Browser.h"

#include "Menu.h"
#include "Runtime.h"

namespace cefimpl {

namespace {

constexpr wchar_t kDevToolsUrl[] = L"chrome-devtools://devtools/inspector.html";

struct ErrorName {
    cef_errorcode_t code;
    const wchar_t* name;
};

constexpr ErrorName kErrorNames[] = {
    {ERR_FAILED, L"FAILED"},
    {ERR_ABORTED, L"ABORTED"},
    {ERR_TIMED_OUT, L"TIMED_OUT"},
    {ERR_FILE_NOT_FOUND, L"FILE_NOT_FOUND"},
    {ERR_ACCESS_DENIED, L"ACCESS_DENIED"},
    {ERR_CONNECTION_CLOSED, L"CONNECTION_CLOSED"},
    {ERR_CONNECTION_RESET, L"CONNECTION_RESET"},
    {ERR_CONNECTION_REFUSED, L"CONNECTION_REFUSED"},
    {ERR_CONNECTION_FAILED, L"CONNECTION_FAILED"},
    {ERR_NAME_NOT_RESOLVED, L"NAME_NOT_RESOLVED"},
    {ERR_SSL_PROTOCOL_ERROR, L"SSL_PROTOCOL_ERROR"},
    {ERR_CERT_AUTHORITY_INVALID, L"CERT_AUTHORITY_INVALID"},
    {ERR_INVALID_URL, L"INVALID_URL"},
    {ERR_UNKNOWN_URL_SCHEME, L"UNKNOWN_URL_SCHEME"},
    {ERR_TOO_MANY_REDIRECTS, L"TOO_MANY_REDIRECTS"},
    {ERR_INVALID_RESPONSE, L"INVALID_RESPONSE"},
    {ERR_EMPTY_RESPONSE, L"EMPTY_RESPONSE"},
};

// A client's handler of one kind, or null.
template <class Handler>
CefRefPtr<Handler> HandlerOf(CefRefPtr<CefClient> client,
                             CefRefPtr<Handler> (CefClient::*getter)()) {
    return client ? (client.get()->*getter)() : nullptr;
}

bool HasCommand(const std::vector<MenuEntry>& entries, int command) {
    for (const auto& entry : entries) {
        if (entry.type == MENUITEMTYPE_SUBMENU ? HasCommand(entry.submenu, command)
                                               : entry.type != MENUITEMTYPE_SEPARATOR &&
                                                     entry.enabled && entry.commandId == command) {
            return true;
        }
    }
    return false;
}

// A client that shows the menu itself reports the choice here, at most once.
class RunContextMenuCallbackImpl : public CefRunContextMenuCallback {
public:
    RunContextMenuCallbackImpl(CefRefPtr<BrowserImpl> browser, CefRefPtr<CefFrame> frame,
                               CefRefPtr<CefContextMenuParams> params)
        : browser_(browser), frame_(frame), params_(params) {}
    ~RunContextMenuCallbackImpl() override { Finish(0, EVENTFLAG_NONE); }

    // The library shows the menu itself, so the callback has no say any more.
    void Disarm() { done_ = true; }

    void Continue(int command_id, EventFlags event_flags) override {
        Finish(command_id, event_flags);
    }
    void Cancel() override { Finish(0, EVENTFLAG_NONE); }

private:
    void Finish(int command, EventFlags flags) {
        if (done_.exchange(true)) {
            return;
        }
        Runtime* runtime = Runtime::Get();
        if (!runtime) {
            return;
        }
        CefRefPtr<BrowserImpl> browser = browser_;
        CefRefPtr<CefFrame> frame = frame_;
        CefRefPtr<CefContextMenuParams> params = params_;
        runtime->ui().Post([browser, frame, params, command, flags] {
            browser->FinishClientMenu(frame, params, command, flags);
        });
    }

    std::atomic<bool> done_{false};
    CefRefPtr<BrowserImpl> browser_;
    CefRefPtr<CefFrame> frame_;
    CefRefPtr<CefContextMenuParams> params_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(RunContextMenuCallbackImpl);
};

}  // namespace

std::wstring ErrorText(cef_errorcode_t error) {
    for (const auto& entry : kErrorNames) {
        if (entry.code == error) {
            return std::wstring(L"net::ERR_") + entry.name;
        }
    }
    return L"net::ERR_FAILED";
}

cef_errorcode_t ErrorFromText(const std::wstring& text) {
    const std::wstring prefix = L"net::ERR_";
    if (text.compare(0, prefix.size(), prefix) == 0) {
        for (const auto& entry : kErrorNames) {
            if (text.compare(prefix.size(), std::wstring::npos, entry.name) == 0) {
                return entry.code;
            }
        }
    }
    return ERR_FAILED;
}

FrameImpl::FrameImpl(CefRefPtr<BrowserImpl> browser, int64 id, int64 parentId,
                     const std::wstring& name)
    : browser_(browser), id_(id), parentId_(parentId), name_(name) {}

void FrameImpl::LoadURL(const CefString& url) {
    Runtime* runtime = Runtime::Get();
    if (!runtime) {
        return;
    }
    CefRefPtr<FrameImpl> self(this);
    const std::wstring target = url.ToWString();
    runtime->ui().Post([self, target] { self->browser_->Navigate(self, target); });
}

CefRefPtr<CefFrame> FrameImpl::GetParent() {
    return parentId_ ? browser_->FindFrame(parentId_).get() : nullptr;
}

CefString FrameImpl::GetName() {
    std::lock_guard<std::mutex> lock(mutex_);
    return name_;
}

void FrameImpl::SetName(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    name_ = name;
}

CefString FrameImpl::GetURL() {
    return url();
}

std::wstring FrameImpl::url() {
    std::lock_guard<std::mutex> lock(mutex_);
    return url_;
}

void FrameImpl::SetUrl(const std::wstring& url) {
    std::lock_guard<std::mutex> lock(mutex_);
    url_ = url;
}

CefRefPtr<CefBrowser> FrameImpl::GetBrowser() {
    return browser_.get();
}

CefRefPtr<CefV8Context> FrameImpl::GetV8Context() {
    return OnRendererThread() ? context_.get() : nullptr;
}

void FrameImpl::SetContext(CefRefPtr<V8ContextImpl> context, int64 document) {
    context_ = context;
    document_ = document;
    hasContext_ = context != nullptr;
}

BrowserImpl::BrowserImpl(int id, bool popup, HWND opener, CefRefPtr<CefClient> client,
                         const CefBrowserSettings& settings)
    : id_(id), popup_(popup), opener_(opener), settings_(settings), client_(client) {}

BrowserImpl::~BrowserImpl() = default;

CefRefPtr<CefClient> BrowserImpl::GetClient() {
    std::lock_guard<std::mutex> lock(mutex_);
    return client_;
}

CefRefPtr<CefLifeSpanHandler> BrowserImpl::LifeSpanHandler() {
    return HandlerOf(GetClient(), &CefClient::GetLifeSpanHandler);
}

CefRefPtr<CefLoadHandler> BrowserImpl::LoadHandler() {
    return HandlerOf(GetClient(), &CefClient::GetLoadHandler);
}

CefRefPtr<CefRequestHandler> BrowserImpl::RequestHandler() {
    return HandlerOf(GetClient(), &CefClient::GetRequestHandler);
}

CefRefPtr<CefDisplayHandler> BrowserImpl::DisplayHandler() {
    return HandlerOf(GetClient(), &CefClient::GetDisplayHandler);
}

CefRefPtr<CefContextMenuHandler> BrowserImpl::ContextMenuHandler() {
    return HandlerOf(GetClient(), &CefClient::GetContextMenuHandler);
}

bool BrowserImpl::CanGoBack() {
    std::lock_guard<std::mutex> lock(mutex_);
    return historyIndex_ > 0;
}

bool BrowserImpl::CanGoForward() {
    std::lock_guard<std::mutex> lock(mutex_);
    return historyIndex_ + 1 < static_cast<int>(history_.size());
}

void BrowserImpl::GoBack() {
    CefRefPtr<BrowserImpl> self(this);
    if (Runtime* runtime = Runtime::Get()) {
        runtime->ui().Post([self] { self->NavigateHistory(-1); });
    }
}

void BrowserImpl::GoForward() {
    CefRefPtr<BrowserImpl> self(this);
    if (Runtime* runtime = Runtime::Get()) {
        runtime->ui().Post([self] { self->NavigateHistory(1); });
    }
}

void BrowserImpl::Reload() {
    CefRefPtr<BrowserImpl> self(this);
    if (Runtime* runtime = Runtime::Get()) {
        runtime->ui().Post([self] {
            CefRefPtr<FrameImpl> main = self->FindFrame(0);
            if (main && !main->url().empty()) {
                self->StartNavigation(main, main->url(), Kind::Reload, -1);
            }
        });
    }
}

void BrowserImpl::StopLoad() {
    CefRefPtr<BrowserImpl> self(this);
    if (Runtime* runtime = Runtime::Get()) {
        runtime->ui().Post([self] {
            while (!self->navigations_.empty()) {
                self->AbortNavigation(self->navigations_.begin()->first, true);
            }
            self->SetLoading(false);
        });
    }
}

bool BrowserImpl::IsSame(CefRefPtr<CefBrowser> that) {
    return that && that->GetIdentifier() == id_;
}

bool BrowserImpl::HasDocument() {
    CefRefPtr<FrameImpl> main = FindFrame(0);
    return main && !main->url().empty();
}

CefRefPtr<CefFrame> BrowserImpl::GetMainFrame() {
    return FindFrame(0).get();
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(int64 identifier) {
    return identifier ? FindFrame(identifier).get() : nullptr;
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(const CefString& name) {
    if (name.empty()) {
        return GetMainFrame();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& frame : frames_) {
        if (frame->GetName() == name) {
            return frame.get();
        }
    }
    return nullptr;
}

size_t BrowserImpl::GetFrameCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_.size();
}

void BrowserImpl::GetFrameIdentifiers(std::vector<int64>& identifiers) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& frame : frames_) {
        identifiers.push_back(frame->GetIdentifier());
    }
}

void BrowserImpl::GetFrameNames(std::vector<CefString>& names) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& frame : frames_) {
        names.push_back(frame->GetName());
    }
}

CefRefPtr<FrameImpl> BrowserImpl::FindFrame(int64 id) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (frames_.empty()) {
        return nullptr;
    }
    if (id == 0) {
        return frames_.front();
    }
    for (const auto& frame : frames_) {
        if (frame->GetIdentifier() == id) {
            return frame;
        }
    }
    return nullptr;
}

void BrowserImpl::CloseBrowser(bool) {
    CefRefPtr<BrowserImpl> self(this);
    if (Runtime* runtime = Runtime::Get()) {
        runtime->ui().Post([self] { self->RequestClose(); });
    }
}

void BrowserImpl::SetFocus(bool focus) {
    Runtime* runtime = Runtime::Get();
    const HWND window = window_;
    if (runtime && focus && window) {
        runtime->ui().Post([window] { ::SetFocus(window); });
    }
}

void BrowserImpl::StartDownload(const CefString& url) {
    CefRefPtr<BrowserImpl> self(this);
    const std::wstring target = url.ToWString();
    if (Runtime* runtime = Runtime::Get()) {
        runtime->ui().Post([self, target] {
            std::wstring name = target.substr(target.find_last_of(L'/') + 1);
            name = name.substr(0, name.find_first_of(L"?#"));
            Runtime::Get()->downloads().Start(self, target, name.empty() ? L"download" : name);
        });
    }
}

void BrowserImpl::ShowDevTools(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                               const CefBrowserSettings& settings, const CefPoint&) {
    CefRefPtr<BrowserImpl> self(this);
    Runtime* runtime = Runtime::Get();
    if (!runtime) {
        return;
    }
    runtime->ui().Post([self, windowInfo, client, settings] {
        Runtime* runtime = Runtime::Get();
        if (self->destroyed_) {
            return;
        }
        CefRefPtr<BrowserImpl> open = runtime->FindBrowser(self->devToolsId_);
        if (open && open->GetWindowHandle()) {
            SetForegroundWindow(GetAncestor(open->GetWindowHandle(), GA_ROOT));
            return;
        }
        CefRefPtr<BrowserImpl> devTools = runtime->CreateBrowserNow(
            windowInfo, client, kDevToolsUrl, settings, true, self->window_);
        self->devToolsId_ = devTools ? devTools->GetIdentifier() : 0;
    });
}

void BrowserImpl::CloseDevTools() {
    CefRefPtr<BrowserImpl> self(this);
    if (Runtime* runtime = Runtime::Get()) {
        runtime->ui().Post([self] {
            CefRefPtr<BrowserImpl> devTools = Runtime::Get()->FindBrowser(self->devToolsId_);
            if (devTools && devTools->GetWindowHandle()) {
                DestroyWindow(devTools->GetWindowHandle());
            }
        });
    }
}

void BrowserImpl::AddMainFrame(int64 id) {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.push_back(new FrameImpl(this, id, 0, std::wstring()));
}

void BrowserImpl::Attach(HWND window) {
    window_ = window;
}

CefRefPtr<FrameImpl> BrowserImpl::AddFrame(int64 parentId, const std::wstring& name,
                                           const std::wstring& url) {
    CefRefPtr<FrameImpl> parent = FindFrame(parentId);
    if (destroyed_ || !parent) {
        return nullptr;
    }
    CefRefPtr<FrameImpl> frame =
        new FrameImpl(this, Runtime::Get()->NextFrameId(), parent->GetIdentifier(), name);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        frames_.push_back(frame);
    }
    StartNavigation(frame, url, Kind::New, -1);
    return frame;
}

void BrowserImpl::Navigate(CefRefPtr<FrameImpl> frame, const std::wstring& url) {
    StartNavigation(frame, url, Kind::New, -1);
}

void BrowserImpl::NavigateHistory(int offset) {
    std::wstring url;
    int index;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        index = historyIndex_ + offset;
        if (index < 0 || index >= static_cast<int>(history_.size())) {
            return;
        }
        url = history_[static_cast<size_t>(index)];
    }
    StartNavigation(FindFrame(0), url, Kind::History, index);
}

void BrowserImpl::StartNavigation(CefRefPtr<FrameImpl> frame, const std::wstring& url, Kind kind,
                                  int historyIndex) {
    if (destroyed_ || !frame || !frame->IsValid()) {
        return;
    }
    AbortNavigationOf(frame);
    Runtime* runtime = Runtime::Get();
    const int64 id = runtime->NextNavigationId();
    Navigation navigation;
    navigation.frame = frame;
    navigation.url = url;
    navigation.kind = kind;
    navigation.historyIndex = historyIndex;
    navigations_[id] = navigation;
    runtime->TrackNavigation(id, id_);
    SetLoading(true);
    ShowPage(L"Loading " + url);
    runtime->engine().StartLoad(id, id_, frame->GetIdentifier(), url);
}

void BrowserImpl::AbortNavigationOf(CefRefPtr<FrameImpl> frame) {
    for (auto it = navigations_.begin(); it != navigations_.end(); ++it) {
        if (it->second.frame == frame) {
            AbortNavigation(it->first, true);
            break;
        }
    }
}

void BrowserImpl::AbortNavigation(int64 navigationId, bool report) {
    auto it = navigations_.find(navigationId);
    if (it == navigations_.end()) {
        return;
    }
    const Navigation navigation = it->second;
    navigations_.erase(it);
    Runtime* runtime = Runtime::Get();
    runtime->engine().CancelLoad(navigationId);
    runtime->ForgetNavigation(navigationId);
    if (report) {
        if (CefRefPtr<CefLoadHandler> handler = LoadHandler()) {
            handler->OnLoadError(this, navigation.frame.get(), ERR_ABORTED, ErrorText(ERR_ABORTED),
                                 navigation.url);
        }
    }
}

void BrowserImpl::OnPageProcessEnded(cef_termination_status_t status) {
    if (destroyed_) {
        return;
    }
    while (!navigations_.empty()) {
        AbortNavigation(navigations_.begin()->first, true);
    }
    SetLoading(false);
    if (CefRefPtr<CefRequestHandler> handler = RequestHandler()) {
        handler->OnRenderProcessTerminated(this, status);
    }
}

void BrowserImpl::SetLoading(bool loading) {
    if (loading_ == loading) {
        return;
    }
    loading_ = loading;
    if (CefRefPtr<CefLoadHandler> handler = LoadHandler()) {
        handler->OnLoadingStateChange(this, loading, CanGoBack(), CanGoForward());
    }
}

void BrowserImpl::ShowPage(const std::wstring& state) {
    const HWND window = window_;
    if (!window) {
        return;
    }
    PageView view;
    CefRefPtr<FrameImpl> main = FindFrame(0);
    view.url = main ? main->url() : std::wstring();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        view.title = title_;
    }
    view.state = state;
    Runtime::Get()->engine().ShowPage(id_, view);
}

void BrowserImpl::OnLoadFinished(int64 navigationId, const LoadResult& result) {
    auto it = navigations_.find(navigationId);
    if (it == navigations_.end() || it->second.committed) {
        return;
    }
    if (result.error == ERR_NONE) {
        Commit(navigationId, result);
        return;
    }
    const Navigation navigation = it->second;
    navigations_.erase(it);
    Runtime::Get()->ForgetNavigation(navigationId);
    if (CefRefPtr<CefLoadHandler> handler = LoadHandler()) {
        handler->OnLoadError(this, navigation.frame.get(), result.error, ErrorText(result.error),
                             navigation.url);
    }
    ShowPage(L"Failed to load " + navigation.url + L": " + ErrorText(result.error));
    if (navigations_.empty()) {
        SetLoading(false);
    }
}

void BrowserImpl::Commit(int64 navigationId, const LoadResult& result) {
    Navigation& navigation = navigations_[navigationId];
    navigation.committed = true;
    CefRefPtr<FrameImpl> frame = navigation.frame;
    std::vector<CefRefPtr<FrameImpl>> detached;
    const bool realPages = Runtime::Get()->engine().RunsRealPages();
    if (frame->IsMain()) {
        std::lock_guard<std::mutex> lock(mutex_);
        // The new document replaces the old one with all of its sub-frames. An engine of real
        // pages reports each frame that goes in the order of its page's events, and the new
        // document's frames may be here already.
        for (auto it = frames_.begin() + 1; !realPages && it != frames_.end();) {
            detached.push_back(*it);
            (*it)->Detach();
            it = frames_.erase(it);
        }
        if (navigation.kind == Kind::New) {
            history_.resize(static_cast<size_t>(historyIndex_ + 1));
            history_.push_back(result.url);
            historyIndex_ = static_cast<int>(history_.size()) - 1;
        } else if (navigation.kind == Kind::History) {
            historyIndex_ = navigation.historyIndex;
        }
    }
    for (auto it = navigations_.begin(); it != navigations_.end();) {
        if (!it->second.frame->IsValid()) {
            Runtime::Get()->engine().CancelLoad(it->first);
            Runtime::Get()->ForgetNavigation(it->first);
            it = navigations_.erase(it);
        } else {
            ++it;
        }
    }
    frame->SetUrl(result.url);
    if (frame->IsMain()) {
        if (CefRefPtr<CefDisplayHandler> display = DisplayHandler()) {
            display->OnAddressChange(this, frame.get(), result.url);
        }
    }
    if (CefRefPtr<CefLoadHandler> handler = LoadHandler()) {
        handler->OnLoadStart(this, frame.get());
    }
    CefRefPtr<BrowserImpl> self(this);
    if (realPages) {
        // The engine makes and releases contexts as documents come and go, and ends the load.
        return;
    }
    const int status = result.httpStatus;
    const std::wstring title = result.title;
    Runtime::Get()->renderer().Post([self, detached, frame, navigationId, status, title] {
        for (const auto& gone : detached) {
            self->ReleaseContext(gone);
        }
        self->ReplaceContext(frame);
        Runtime::Get()->ui().Post([self, navigationId, status, title] {
            self->CompleteNavigation(navigationId, status, title);
        });
    });
}

void BrowserImpl::CompleteNavigation(int64 navigationId, int httpStatus,
                                     const std::wstring& title) {
    auto it = navigations_.find(navigationId);
    if (it == navigations_.end()) {
        return;
    }
    CefRefPtr<FrameImpl> frame = it->second.frame;
    navigations_.erase(it);
    Runtime::Get()->ForgetNavigation(navigationId);
    if (frame->IsMain()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            title_ = title;
        }
        if (CefRefPtr<CefDisplayHandler> display = DisplayHandler()) {
            display->OnTitleChange(this, title);
        }
    }
    if (CefRefPtr<CefLoadHandler> handler = LoadHandler()) {
        handler->OnLoadEnd(this, frame.get(), httpStatus);
    }
    ShowPage(httpStatus ? L"Loaded, HTTP status " + std::to_wstring(httpStatus) : L"Loaded");
    if (navigations_.empty()) {
        SetLoading(false);
    }
}

void BrowserImpl::OnPageNavigationStarted(CefRefPtr<FrameImpl> frame, int64 navigationId,
                                          const std::wstring& url) {
    if (destroyed_ || !frame || !frame->IsValid()) {
        return;
    }
    AbortNavigationOf(frame);
    Navigation navigation;
    navigation.frame = frame;
    navigation.url = url;
    navigations_[navigationId] = navigation;
    Runtime::Get()->TrackNavigation(navigationId, id_);
    SetLoading(true);
}

void BrowserImpl::OnLoadEnded(int64 navigationId, int httpStatus, const std::wstring& title) {
    auto it = navigations_.find(navigationId);
    if (it != navigations_.end() && it->second.committed) {
        CompleteNavigation(navigationId, httpStatus, title);
    }
}

void BrowserImpl::OnTitleChanged(const std::wstring& title) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (title_ == title) {
            return;
        }
        title_ = title;
    }
    if (CefRefPtr<CefDisplayHandler> display = DisplayHandler()) {
        display->OnTitleChange(this, title);
    }
}

CefRefPtr<FrameImpl> BrowserImpl::AttachPageFrame(int64 id, int64 parentId,
                                                  const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_) {
        return nullptr;
    }
    for (const auto& frame : frames_) {
        if (frame->GetIdentifier() == id) {
            return frame;
        }
    }
    CefRefPtr<FrameImpl> frame = new FrameImpl(this, id, parentId, name);
    frames_.push_back(frame);
    return frame;
}

void BrowserImpl::DetachPageFrame(int64 id) {
    CefRefPtr<FrameImpl> gone;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = frames_.begin() + (frames_.empty() ? 0 : 1); it != frames_.end(); ++it) {
            if ((*it)->GetIdentifier() == id) {
                gone = *it;
                frames_.erase(it);
                break;
            }
        }
    }
    if (!gone) {
        return;
    }
    gone->Detach();
    for (auto it = navigations_.begin(); it != navigations_.end(); ++it) {
        if (it->second.frame == gone) {
            Runtime::Get()->ForgetNavigation(it->first);
            navigations_.erase(it);
            break;
        }
    }
    if (navigations_.empty()) {
        SetLoading(false);
    }
}

CefRefPtr<V8ContextImpl> BrowserImpl::CreatePageContext(CefRefPtr<FrameImpl> frame,
                                                        int64 document) {
    ReplaceContext(frame, document);
    return frame->context();
}

void BrowserImpl::ReleasePageContext(CefRefPtr<FrameImpl> frame, int64 before) {
    if (frame->document() < before) {
        ReleaseContext(frame);
    }
}

void BrowserImpl::ReplaceContext(CefRefPtr<FrameImpl> frame, int64 document) {
    ReleaseContext(frame);
    if (!frame->IsValid()) {
        return;
    }
    CefRefPtr<V8ContextImpl> context = new V8ContextImpl(this, frame.get());
    frame->SetContext(context, document);
    if (CefRefPtr<CefRenderProcessHandler> handler = Runtime::Get()->renderHandler()) {
        context->Enter();
        handler->OnContextCreated(this, frame.get(), context.get());
        context->Exit();
    }
}

void BrowserImpl::ReleaseContext(CefRefPtr<FrameImpl> frame) {
    CefRefPtr<V8ContextImpl> context = frame->context();
    if (!context) {
        return;
    }
    if (CefRefPtr<CefRenderProcessHandler> handler = Runtime::Get()->renderHandler()) {
        context->Enter();
        handler->OnContextReleased(this, frame.get(), context.get());
        context->Exit();
    }
    frame->SetContext(nullptr);
    context->Invalidate();
}

PopupOutcome BrowserImpl::RequestPopup(CefRefPtr<FrameImpl> frame, const std::wstring& url,
                                       cef_window_open_disposition_t disposition, bool userGesture,
                                       const CefPopupFeatures& features,
                                       const std::function<void()>& beforeCreate) {
    PopupOutcome outcome;
    if (destroyed_) {
        outcome.cancelled = true;
        return outcome;
    }
    CefWindowInfo windowInfo;
    windowInfo.SetAsPopup(nullptr, CefString());
    if (features.xSet) {
        windowInfo.x = features.x;
    }
    if (features.ySet) {
        windowInfo.y = features.y;
    }
    if (features.widthSet) {
        windowInfo.width = features.width;
    }
    if (features.heightSet) {
        windowInfo.height = features.height;
    }
    CefRefPtr<CefClient> client = GetClient();
    CefBrowserSettings settings = settings_;
    bool noJavascriptAccess = false;
    if (CefRefPtr<CefLifeSpanHandler> handler = LifeSpanHandler()) {
        // The real library decides on new windows on its IO thread; this thread keeps
        // dispatching its messages meanwhile.
        RunOn(Runtime::Get()->io(), [&] {
            outcome.cancelled = handler->OnBeforePopup(
                this, frame.get(), url, CefString(), disposition, userGesture, features, windowInfo,
                client, settings, &noJavascriptAccess);
        });
    }
    // The opener may have closed while the decision was being made.
    if (destroyed_) {
        outcome.cancelled = true;
    }
    if (!outcome.cancelled) {
        if (beforeCreate) {
            beforeCreate();
        }
        CefRefPtr<BrowserImpl> popup =
            Runtime::Get()->CreateBrowserNow(windowInfo, client, url, settings, true, window_);
        outcome.browserId = popup ? popup->GetIdentifier() : 0;
    }
    return outcome;
}

MenuOutcome BrowserImpl::RunContextMenu(
    POINT at, const std::function<int(const std::vector<MenuEntry>&)>& choose) {
    MenuOutcome outcome;
    CefRefPtr<FrameImpl> frame = FindFrame(0);
    if (destroyed_ || !frame) {
        return outcome;
    }
    CefRefPtr<ContextMenuParamsImpl> params =
        new ContextMenuParamsImpl(at, CM_TYPEFLAG_PAGE, frame->url(), frame->url());
    CefRefPtr<MenuModelImpl> model = new MenuModelImpl();
    model->AddItem(MENU_ID_BACK, L"&Back");
    model->SetEnabled(MENU_ID_BACK, CanGoBack());
    model->AddItem(MENU_ID_FORWARD, L"&Forward");
    model->SetEnabled(MENU_ID_FORWARD, CanGoForward());
    model->AddSeparator();
    model->AddItem(MENU_ID_PRINT, L"&Print...");
    model->AddItem(MENU_ID_VIEW_SOURCE, L"View s&ource");

    CefRefPtr<CefContextMenuHandler> handler = ContextMenuHandler();
    if (handler) {
        handler->OnBeforeContextMenu(this, frame.get(), params.get(), model.get());
    }
    outcome.items = model->Entries();
    if (outcome.items.empty()) {
        return outcome;
    }
    outcome.shown = true;
    if (handler) {
        CefRefPtr<RunContextMenuCallbackImpl> callback =
            new RunContextMenuCallbackImpl(this, frame.get(), params.get());
        outcome.runByClient =
            handler->RunContextMenu(this, frame.get(), params.get(), model.get(), callback.get());
        if (outcome.runByClient) {
            return outcome;
        }
        callback->Disarm();
    }
    outcome.command =
        choose ? choose(outcome.items) : Runtime::Get()->engine().RunMenu(id_, at, outcome.items);
    if (outcome.command && !HasCommand(outcome.items, outcome.command)) {
        outcome.command = 0;
    }
    if (outcome.command) {
        outcome.handledByClient =
            handler && handler->OnContextMenuCommand(this, frame.get(), params.get(),
                                                     outcome.command, EVENTFLAG_RIGHT_MOUSE_BUTTON);
        if (!outcome.handledByClient) {
            ExecuteMenuCommand(frame.get(), params.get(), outcome.command, EVENTFLAG_NONE);
        }
    }
    if (handler) {
        handler->OnContextMenuDismissed(this, frame.get());
    }
    return outcome;
}

void BrowserImpl::FinishClientMenu(CefRefPtr<CefFrame> frame,
                                   CefRefPtr<CefContextMenuParams> params, int command,
                                   cef_event_flags_t flags) {
    CefRefPtr<CefContextMenuHandler> handler = ContextMenuHandler();
    if (command &&
        !(handler && handler->OnContextMenuCommand(this, frame, params, command, flags))) {
        ExecuteMenuCommand(frame, params, command, flags);
    }
    if (handler) {
        handler->OnContextMenuDismissed(this, frame);
    }
}

void BrowserImpl::ExecuteMenuCommand(CefRefPtr<CefFrame>, CefRefPtr<CefContextMenuParams>,
                                     int command, cef_event_flags_t) {
    // The in-process engine has no printer and no page source to show; the rest acts on history
    // and loading as the library's own menu does.
    switch (command) {
        case MENU_ID_BACK:
            NavigateHistory(-1);
            break;
        case MENU_ID_FORWARD:
            NavigateHistory(1);
            break;
        case MENU_ID_RELOAD:
        case MENU_ID_RELOAD_NOCACHE: {
            CefRefPtr<FrameImpl> main = FindFrame(0);
            if (main && !main->url().empty()) {
                StartNavigation(main, main->url(), Kind::Reload, -1);
            }
            break;
        }
        case MENU_ID_STOPLOAD:
            while (!navigations_.empty()) {
                AbortNavigation(navigations_.begin()->first, true);
            }
            SetLoading(false);
            break;
        default:
            break;
    }
}

void BrowserImpl::RequestClose() {
    if (destroyed_ || closeUnderway_) {
        return;
    }
    CefRefPtr<CefLifeSpanHandler> handler = LifeSpanHandler();
    if (handler && handler->DoClose(this)) {
        return;
    }
    const HWND window = window_;
    if (!window) {
        return;
    }
    closeUnderway_ = true;
    const HWND root = GetAncestor(window, GA_ROOT);
    if (root == window || !root) {
        DestroyWindow(window);
    } else {
        PostMessageW(root, WM_CLOSE, 0, 0);
    }
}

void BrowserImpl::OnViewDestroyed() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    window_ = nullptr;
    Runtime* runtime = Runtime::Get();
    while (!navigations_.empty()) {
        AbortNavigation(navigations_.begin()->first, false);
    }
    loading_ = false;
    std::vector<CefRefPtr<FrameImpl>> frames;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        frames = frames_;
    }
    CefRefPtr<BrowserImpl> devTools = runtime->FindBrowser(devToolsId_);
    if (devTools && devTools->GetWindowHandle()) {
        DestroyWindow(devTools->GetWindowHandle());
    }
    // As in the real library, the browser is closed before the destruction of its window ends:
    // a host destroying its window gets OnBeforeClose before DestroyWindow returns.
    CefRefPtr<BrowserImpl> self(this);
    RunOn(runtime->renderer(), [self, frames] {
        for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
            self->ReleaseContext(*it);
        }
        if (CefRefPtr<CefRenderProcessHandler> handler = Runtime::Get()->renderHandler()) {
            handler->OnBrowserDestroyed(self.get());
        }
    });
    FinishClose();
}

void BrowserImpl::FinishClose() {
    if (CefRefPtr<CefLifeSpanHandler> handler = LifeSpanHandler()) {
        handler->OnBeforeClose(this);
    }
    CefRefPtr<CefClient> client;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        client.swap(client_);
    }
    DetachFrames();
    Runtime::Get()->Unregister(id_);
}

void BrowserImpl::DetachFrames() {
    std::vector<CefRefPtr<FrameImpl>> frames;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        frames.swap(frames_);
    }
    for (const auto& frame : frames) {
        frame->Detach();
    }
}

BrowserSnapshot BrowserImpl::Snapshot() {
    BrowserSnapshot snapshot;
    snapshot.id = id_;
    snapshot.popup = popup_;
    snapshot.loading = loading_;
    snapshot.window = window_;
    std::lock_guard<std::mutex> lock(mutex_);
    snapshot.closing = closing_;
    snapshot.title = title_;
    for (const auto& frame : frames_) {
        FrameSnapshot entry;
        entry.id = frame->GetIdentifier();
        entry.parentId = frame->parentId();
        entry.name = frame->GetName().ToWString();
        entry.url = frame->url();
        entry.hasContext = frame->hasContext();
        snapshot.frames.push_back(entry);
    }
    if (!snapshot.frames.empty()) {
        snapshot.url = snapshot.frames.front().url;
    }
    return snapshot;
}

}  // namespace cefimpl
