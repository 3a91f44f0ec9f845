#include "ChromiumEngine.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "Base64.h"
#include "Browser.h"
#include "Download.h"
#include "PageBridge.h"
#include "Runtime.h"
#include "Text.h"

namespace cefimpl {

namespace {

constexpr DWORD kCommandTimeoutMs = 20000;
constexpr DWORD kCloseGraceMs = 10000;
constexpr int kScreencastQuality = 85;
constexpr wchar_t kDevToolsScheme[] = L"chrome-devtools:";

int ClientWidth(HWND window, bool height) {
    RECT client = {};
    GetClientRect(window, &client);
    return height ? client.bottom : client.right;
}

// window.open with a size or a place asks for a popup window; anything else for a tab.
cef_window_open_disposition_t DispositionOf(const std::vector<std::string>& features,
                                            CefPopupFeatures& popup) {
    bool sized = false;
    for (const auto& feature : features) {
        const size_t equals = feature.find('=');
        const std::string name = feature.substr(0, equals);
        const int value = equals == std::string::npos ? 0 : std::atoi(feature.c_str() + equals + 1);
        if (name == "width" || name == "innerWidth") {
            popup.width = value;
            popup.widthSet = 1;
        } else if (name == "height" || name == "innerHeight") {
            popup.height = value;
            popup.heightSet = 1;
        } else if (name == "left" || name == "screenX") {
            popup.x = value;
            popup.xSet = 1;
        } else if (name == "top" || name == "screenY") {
            popup.y = value;
            popup.ySet = 1;
        } else if (name != "popup") {
            continue;
        }
        sized = true;
    }
    return sized ? WOD_NEW_POPUP : WOD_NEW_FOREGROUND_TAB;
}

// A header of a request the protocol describes, whatever the case of its name.
std::string HeaderOf(const cJSON* request, const char* name) {
    const cJSON* value =
        cJSON_GetObjectItem(cJSON_GetObjectItemCaseSensitive(request, "headers"), name);
    return cJSON_IsString(value) && value->valuestring ? value->valuestring : std::string();
}

}  // namespace

ChromiumEngine::ChromiumEngine(Runtime& runtime) : runtime_(runtime) {}

ChromiumEngine::~ChromiumEngine() {
    Shutdown();
}

bool ChromiumEngine::Start(std::wstring& error) {
    started_ = Connect(error);
    if (!started_) {
        Shutdown();
    }
    return started_;
}

bool ChromiumEngine::Connect(std::wstring& error) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    if (!process_.Start(CefString(&runtime_.settings().locale).ToWString(), error)) {
        return false;
    }
    std::string why;
    if (!connection_.Open(
            process_.port(), process_.browserPath(),
            [this](const std::string& method, const cJSON* params, const std::string& sessionId) {
                OnEvent(method, params, sessionId);
            },
            nullptr, why)) {
        error = L"cannot reach the browser's DevTools endpoint: " + Utf8ToWide(why);
        return false;
    }
    JsonPtr autoAttach = JsonObject();
    cJSON_AddBoolToObject(autoAttach.get(), "autoAttach", true);
    cJSON_AddBoolToObject(autoAttach.get(), "waitForDebuggerOnStart", true);
    cJSON_AddBoolToObject(autoAttach.get(), "flatten", true);
    cJSON* filter = cJSON_AddArrayToObject(autoAttach.get(), "filter");
    cJSON* pages = cJSON_CreateObject();
    cJSON_AddStringToObject(pages, "type", "page");
    cJSON_AddItemToArray(filter, pages);
    JsonPtr downloads =
        Params({{"behavior", "allowAndName"}, {"downloadPath", process_.browserDownloadFolder()}});
    cJSON_AddBoolToObject(downloads.get(), "eventsEnabled", true);
    JsonPtr discover = JsonObject();
    cJSON_AddBoolToObject(discover.get(), "discover", true);
    if (!connection_.Call("Target.setAutoAttach", std::move(autoAttach), "", nullptr, &why,
                          kCommandTimeoutMs) ||
        !connection_.Call("Browser.setDownloadBehavior", std::move(downloads), "", nullptr, &why,
                          kCommandTimeoutMs) ||
        !connection_.Call("Target.setDiscoverTargets", std::move(discover), "", nullptr, &why,
                          kCommandTimeoutMs)) {
        error = L"the browser refused to be driven: " + Utf8ToWide(why);
        return false;
    }
    return true;
}

HWND ChromiumEngine::CreateView(int browserId, const cef_window_info_t& info) {
    if (!started_) {
        return nullptr;
    }
    ViewCallbacks callbacks;
    callbacks.mouse = [this, browserId](const input::MouseEvent& event) {
        JsonPtr params = Params({{"type", event.type}, {"button", event.button}});
        cJSON_AddNumberToObject(params.get(), "x", event.x);
        cJSON_AddNumberToObject(params.get(), "y", event.y);
        cJSON_AddNumberToObject(params.get(), "buttons", event.buttons);
        cJSON_AddNumberToObject(params.get(), "clickCount", event.clickCount);
        cJSON_AddNumberToObject(params.get(), "deltaX", event.deltaX);
        cJSON_AddNumberToObject(params.get(), "deltaY", event.deltaY);
        cJSON_AddNumberToObject(params.get(), "modifiers", event.modifiers);
        SendInput(browserId, "Input.dispatchMouseEvent", std::move(params));
        if (event.type == "mouseMoved") {
            AskCursor(browserId, event.x, event.y);
        }
    };
    callbacks.key = [this, browserId](const input::KeyEvent& event, bool insertText) {
        if (insertText) {
            SendInput(browserId, "Input.insertText", Params({{"text", event.text}}));
            return;
        }
        JsonPtr params = Params({{"type", event.type}});
        cJSON_AddNumberToObject(params.get(), "windowsVirtualKeyCode", event.virtualKey);
        cJSON_AddNumberToObject(params.get(), "nativeVirtualKeyCode", event.virtualKey);
        cJSON_AddNumberToObject(params.get(), "modifiers", event.modifiers);
        cJSON_AddBoolToObject(params.get(), "isSystemKey", event.systemKey);
        if (!event.key.empty()) {
            cJSON_AddStringToObject(params.get(), "key", event.key.c_str());
        }
        if (!event.text.empty()) {
            cJSON_AddStringToObject(params.get(), "text", event.text.c_str());
            cJSON_AddStringToObject(params.get(), "unmodifiedText", event.text.c_str());
        }
        SendInput(browserId, "Input.dispatchKeyEvent", std::move(params));
    };
    callbacks.resized = [this, browserId](int width, int height) {
        if (width <= 0 || height <= 0) {
            return;
        }
        JsonPtr params = JsonObject();
        cJSON_AddNumberToObject(params.get(), "width", width);
        cJSON_AddNumberToObject(params.get(), "height", height);
        cJSON_AddNumberToObject(params.get(), "deviceScaleFactor", 1);
        cJSON_AddBoolToObject(params.get(), "mobile", false);
        SendInput(browserId, "Emulation.setDeviceMetricsOverride", std::move(params));
    };
    callbacks.contextMenu = [this, browserId](POINT at) {
        runtime_.OnContextMenuRequested(browserId, at);
    };
    callbacks.closeRequested = [this, browserId] { runtime_.OnViewCloseRequested(browserId); };
    callbacks.destroyed = [this, browserId] {
        std::string targetId;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (Page* page = PageOfBrowser(browserId)) {
                targetId = page->targetId;
                pages_.erase(browserId);
            }
        }
        if (!targetId.empty()) {
            connection_.Send("Target.closeTarget", Params({{"targetId", targetId}}));
        }
        runtime_.OnViewDestroyed(browserId);
    };
    const HWND window = chromiumview::Create(info, std::move(callbacks));
    if (!window) {
        return nullptr;
    }

    std::string targetId = adoptTarget_;
    std::string sessionId = adoptSession_;
    adoptTarget_.clear();
    adoptSession_.clear();
    const bool adopted = !targetId.empty();
    if (!adopted) {
        JsonPtr result;
        std::string error;
        if (!connection_.Call("Target.createTarget", Params({{"url", "about:blank"}}), "", &result,
                              &error, kCommandTimeoutMs)) {
            DestroyWindow(window);
            return nullptr;
        }
        targetId = JsonString(result.get(), "targetId");
        std::unique_lock<std::mutex> lock(mutex_);
        attachedChanged_.wait_for(lock, std::chrono::milliseconds(kCommandTimeoutMs),
                                  [&] { return attached_.count(targetId) > 0; });
        sessionId = attached_.count(targetId) ? attached_[targetId].sessionId : std::string();
    }
    if (sessionId.empty()) {
        DestroyWindow(window);
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Page& page = pages_[browserId];
        page.browserId = browserId;
        page.view = window;
        page.targetId = targetId;
        page.sessionId = sessionId;
        page.waiting = true;
    }
    SetUpSession(sessionId, ClientWidth(window, false), ClientWidth(window, true));
    if (!adopted) {
        std::lock_guard<std::mutex> lock(mutex_);
        Resume(pages_[browserId]);
    }
    return window;
}

void ChromiumEngine::SetUpSession(const std::string& sessionId, int width, int height) {
    // The renderer confirms these once it has them; a navigation sent before could commit its
    // document without the page events and without the bridge script.
    const char* const essentials[] = {"Page.enable", "Network.enable",
                                      "Page.addScriptToEvaluateOnNewDocument"};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (Page* page = PageOfSession(sessionId)) {
            page->settingUp = static_cast<int>(std::size(essentials));
        }
    }
    for (const char* method : essentials) {
        JsonPtr params = std::string(method) == "Page.addScriptToEvaluateOnNewDocument"
                             ? Params({{"source", pagebridge::DocumentStartScript()}})
                             : nullptr;
        connection_.Send(method, std::move(params), sessionId,
                         [this, sessionId](const CdpConnection::Reply&) { SetUpStep(sessionId); });
    }
    JsonPtr fetch = JsonObject();
    cJSON* patterns = cJSON_AddArrayToObject(fetch.get(), "patterns");
    cJSON* pattern = cJSON_CreateObject();
    cJSON_AddStringToObject(pattern, "urlPattern",
                            (std::string("*") + pagebridge::kPathPrefix + "*").c_str());
    cJSON_AddStringToObject(pattern, "requestStage", "Request");
    cJSON_AddItemToArray(patterns, pattern);
    connection_.Send("Fetch.enable", std::move(fetch), sessionId);
    if (width > 0 && height > 0) {
        JsonPtr metrics = JsonObject();
        cJSON_AddNumberToObject(metrics.get(), "width", width);
        cJSON_AddNumberToObject(metrics.get(), "height", height);
        cJSON_AddNumberToObject(metrics.get(), "deviceScaleFactor", 1);
        cJSON_AddBoolToObject(metrics.get(), "mobile", false);
        connection_.Send("Emulation.setDeviceMetricsOverride", std::move(metrics), sessionId);
    }
    JsonPtr screencast = Params({{"format", "jpeg"}});
    cJSON_AddNumberToObject(screencast.get(), "quality", kScreencastQuality);
    connection_.Send("Page.startScreencast", std::move(screencast), sessionId);
}

void ChromiumEngine::SetUpStep(const std::string& sessionId) {
    std::vector<std::function<void()>> held;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Page* page = PageOfSession(sessionId);
        if (!page || page->settingUp <= 0 || --page->settingUp > 0) {
            return;
        }
        held.swap(page->held);
    }
    for (const auto& send : held) {
        send();
    }
}

void ChromiumEngine::Resume(Page& page) {
    if (page.waiting) {
        page.waiting = false;
        connection_.Send("Runtime.runIfWaitingForDebugger", nullptr, page.sessionId);
    }
}

HWND ChromiumEngine::FindView(int browserId) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = pages_.find(browserId);
    return it == pages_.end() ? nullptr : it->second.view;
}

void ChromiumEngine::AskCursor(int browserId, int x, int y) {
    std::string sessionId;
    HWND view;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Page* page = PageOfBrowser(browserId);
        if (!page) {
            return;
        }
        page->cursorAt = POINT{x, y};
        if (page->cursorAsked) {
            page->cursorAgain = true;  // asked once the answer under way is in
            return;
        }
        page->cursorAsked = true;
        sessionId = page->sessionId;
        view = page->view;
    }
    JsonPtr params = Params({{"expression", input::CursorQuery(x, y)}});
    cJSON_AddBoolToObject(params.get(), "returnByValue", true);
    connection_.Send(
        "Runtime.evaluate", std::move(params), sessionId,
        [this, browserId, view](const CdpConnection::Reply& reply) {
            const std::string css =
                JsonString(cJSON_GetObjectItemCaseSensitive(reply.result, "result"), "value");
            if (!css.empty()) {
                const HCURSOR cursor = LoadCursorW(nullptr, input::CursorForCss(css));
                runtime_.ui().Post([view, cursor] { chromiumview::ShowCursorShape(view, cursor); });
            }
            POINT again;
            bool more;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                Page* page = PageOfBrowser(browserId);
                if (!page) {
                    return;
                }
                page->cursorAsked = false;
                more = page->cursorAgain;
                page->cursorAgain = false;
                again = page->cursorAt;
            }
            if (more) {
                AskCursor(browserId, again.x, again.y);
            }
        });
}

void ChromiumEngine::SendInput(int browserId, const std::string& method, JsonPtr params) {
    std::string sessionId;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (Page* page = PageOfBrowser(browserId)) {
            sessionId = page->sessionId;
        }
    }
    if (!sessionId.empty()) {
        connection_.Send(method, std::move(params), sessionId);
    }
}

void ChromiumEngine::StartLoad(int64 navigationId, int browserId, int64 frameId,
                               const std::wstring& url) {
    std::string sessionId;
    std::string cdpFrame;
    std::string target = WideToUtf8(url);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Page* page = PageOfBrowser(browserId);
        if (!page) {
            return;
        }
        for (auto& entry : page->frames) {
            if (entry.second.id == frameId) {
                cdpFrame = entry.first;
            }
        }
        if (cdpFrame.empty()) {
            cdpFrame = page->targetId;  // the main frame's id is its target's
            FrameOf(*page, cdpFrame).id = frameId;
        }
        Frame& frame = page->frames[cdpFrame];
        frame.navigationId = navigationId;
        frame.startedByLibrary = true;
        sessionId = page->sessionId;
        if (page->waiting) {
            // A popup that is already on its way to its address: letting it run loads it.
            Resume(*page);
            return;
        }
        if (url.compare(0, wcslen(kDevToolsScheme), kDevToolsScheme) == 0) {
            std::string inspected;
            if (CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(browserId)) {
                for (const auto& entry : pages_) {
                    if (entry.second.view == browser->GetOpenerWindowHandle()) {
                        inspected = entry.second.targetId;
                    }
                }
            }
            const std::string host = "127.0.0.1:" + std::to_string(process_.port());
            target = "http://" + host + "/devtools/inspector.html?ws=" + host + "/devtools/page/" +
                     inspected;
        }
    }
    const auto navigate = [this, sessionId, cdpFrame, navigationId, target] {
        JsonPtr params = Params({{"url", target}, {"frameId", cdpFrame}});
        connection_.Send("Page.navigate", std::move(params), sessionId,
                         [this, navigationId, target](const CdpConnection::Reply& reply) {
                             const std::string error = reply.error.empty()
                                                           ? JsonString(reply.result, "errorText")
                                                           : std::string("net::ERR_INVALID_URL");
                             if (!error.empty()) {
                                 ReportFailure(navigationId, error, target);
                             }
                         });
    };
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Page* page = PageOfBrowser(browserId);
        if (page && page->settingUp > 0) {
            page->held.push_back(navigate);
            return;
        }
    }
    navigate();
}

void ChromiumEngine::CancelLoad(int64 navigationId) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& page : pages_) {
        for (auto& entry : page.second.frames) {
            if (entry.second.navigationId == navigationId) {
                entry.second.navigationId = 0;
                entry.second.committed = false;
            }
        }
    }
}

void ChromiumEngine::ReportFailure(int64 navigationId, const std::string& errorText,
                                   const std::string& url) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bool pending = false;
        for (auto& page : pages_) {
            for (auto& entry : page.second.frames) {
                if (entry.second.navigationId == navigationId) {
                    entry.second.navigationId = 0;
                    pending = true;
                }
            }
        }
        if (!pending) {
            return;  // already reported, or replaced by another navigation
        }
    }
    LoadResult result;
    result.error = ErrorFromText(Utf8ToWide(errorText));
    result.url = Utf8ToWide(url);
    runtime_.ui().Post(
        [this, navigationId, result] { runtime_.OnLoadFinished(navigationId, result); });
}

void ChromiumEngine::OnEvent(const std::string& method, const cJSON* params,
                             const std::string& sessionId) {
    if (method == "Target.attachedToTarget") {
        OnAttached(params);
        return;
    }
    if (method == "Target.detachedFromTarget") {
        OnDetached(JsonString(params, "targetId"));
        return;
    }
    if (method == "Browser.downloadWillBegin") {
        OnDownloadWillBegin(params);
        return;
    }
    if (method == "Browser.downloadProgress") {
        OnDownloadProgress(params);
        return;
    }
    if (method == "Target.targetInfoChanged") {
        const cJSON* info = cJSON_GetObjectItemCaseSensitive(params, "targetInfo");
        std::lock_guard<std::mutex> lock(mutex_);
        Page* page = PageOfTarget(JsonString(info, "targetId"));
        const std::string title = JsonString(info, "title");
        if (page && page->loaded && !title.empty()) {
            const int browserId = page->browserId;
            const std::wstring text = Utf8ToWide(title);
            runtime_.ui().Post(
                [this, browserId, text] { runtime_.OnTitleChanged(browserId, text); });
        }
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    Page* page = PageOfSession(sessionId);
    if (!page) {
        return;
    }
    if (method == "Page.screencastFrame") {
        OnScreencastFrame(*page, params);
    } else if (method == "Page.frameAttached") {
        OnFrameAttached(*page, params);
    } else if (method == "Page.frameStartedNavigating") {
        OnFrameStartedNavigating(*page, params);
    } else if (method == "Network.responseReceived") {
        OnResponse(*page, params);
    } else if (method == "Network.loadingFailed") {
        OnLoadingFailed(*page, params);
    } else if (method == "Page.frameNavigated") {
        OnFrameNavigated(*page, params);
    } else if (method == "Page.frameStoppedLoading") {
        OnFrameStoppedLoading(*page, params);
    } else if (method == "Page.frameDetached") {
        OnFrameDetached(*page, params);
    } else if (method == "Fetch.requestPaused") {
        OnRequestPaused(*page, params);
    } else if (method == "Page.windowOpen") {
        WindowOpen open;
        open.url = JsonString(params, "url");
        open.userGesture = JsonBool(params, "userGesture");
        const cJSON* feature;
        cJSON_ArrayForEach(feature, cJSON_GetObjectItemCaseSensitive(params, "windowFeatures")) {
            if (cJSON_IsString(feature)) {
                open.features.push_back(feature->valuestring);
            }
        }
        page->opens.push_back(open);
        // The new window may have come before the news of its opening.
        for (auto it = unpaired_.begin(); it != unpaired_.end(); ++it) {
            if (it->openerTarget == page->targetId) {
                const Unpaired popup = *it;
                unpaired_.erase(it);
                PairPopup(*page, popup.targetId, popup.sessionId);
                break;
            }
        }
    }
}

void ChromiumEngine::OnDetached(const std::string& targetId) {
    // A closed window: nothing more will come of it.
    int closedByPage = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        attached_.erase(targetId);
        unpaired_.erase(
            std::remove_if(unpaired_.begin(), unpaired_.end(),
                           [&](const Unpaired& popup) { return popup.targetId == targetId; }),
            unpaired_.end());
        // The library's own closes forget the page first: one still known closed itself
        // (window.close() in its script), and its browser closes as its user would close it.
        if (const Page* page = PageOfTarget(targetId)) {
            closedByPage = page->browserId;
        }
    }
    if (closedByPage) {
        runtime_.ui().Post([this, closedByPage] { runtime_.OnViewCloseRequested(closedByPage); });
    }
}

void ChromiumEngine::OnAttached(const cJSON* params) {
    const cJSON* info = cJSON_GetObjectItemCaseSensitive(params, "targetInfo");
    const std::string targetId = JsonString(info, "targetId");
    const std::string sessionId = JsonString(params, "sessionId");
    const bool waiting = JsonBool(params, "waitingForDebugger");
    std::unique_lock<std::mutex> lock(mutex_);
    attached_[targetId] = Attached{sessionId, waiting};
    attachedChanged_.notify_all();
    // A window the page opened comes without an address yet; the opener told us of it first.
    Page* opener = PageOfTarget(JsonString(info, "openerId"));
    if (!opener && JsonString(info, "url").empty()) {
        for (auto& entry : pages_) {
            if (!entry.second.opens.empty()) {
                opener = &entry.second;
                break;
            }
        }
    }
    if (!opener || !waiting) {
        return;
    }
    if (opener->opens.empty()) {
        unpaired_.push_back(Unpaired{targetId, sessionId, opener->targetId});
        return;
    }
    PairPopup(*opener, targetId, sessionId);
}

void ChromiumEngine::PairPopup(Page& opener, const std::string& targetId,
                               const std::string& sessionId) {
    const WindowOpen open = opener.opens.front();
    opener.opens.pop_front();
    const int openerId = opener.browserId;
    runtime_.ui().Post([this, targetId, sessionId, openerId, open] {
        DecidePopup(targetId, sessionId, openerId, open);
    });
}

void ChromiumEngine::DecidePopup(const std::string& targetId, const std::string& sessionId,
                                 int openerId, const WindowOpen& open) {
    CefRefPtr<BrowserImpl> opener = runtime_.FindBrowser(openerId);
    CefPopupFeatures features;
    const cef_window_open_disposition_t disposition = DispositionOf(open.features, features);
    PopupOutcome outcome;
    outcome.cancelled = true;
    if (opener) {
        // The decision waits for the IO thread while this thread dispatches its messages, so
        // another popup's decision may run meanwhile: each keeps and restores its own target.
        const std::string outerTarget = adoptTarget_;
        const std::string outerSession = adoptSession_;
        adoptTarget_ = targetId;
        adoptSession_ = sessionId;
        outcome = opener->RequestPopup(opener->FindFrame(0), Utf8ToWide(open.url), disposition,
                                       open.userGesture, features);
        adoptTarget_ = outerTarget;
        adoptSession_ = outerSession;
    }
    if (outcome.cancelled || !outcome.browserId) {
        // A page paused at its start cannot be closed cleanly: it first has to run.
        connection_.Send("Runtime.runIfWaitingForDebugger", nullptr, sessionId);
        connection_.Send("Target.closeTarget", Params({{"targetId", targetId}}));
    }
}

ChromiumEngine::Frame& ChromiumEngine::FrameOf(Page& page, const std::string& frameId) {
    Frame& frame = page.frames[frameId];
    if (!frame.id) {
        if (frameId == page.targetId) {
            CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(page.browserId);
            CefRefPtr<FrameImpl> main = browser ? browser->FindFrame(0) : nullptr;
            frame.id = main ? main->GetIdentifier() : runtime_.NextFrameId();
        } else {
            frame.id = runtime_.NextFrameId();
        }
    }
    return frame;
}

void ChromiumEngine::OnFrameAttached(Page& page, const cJSON* params) {
    const std::string frameId = JsonString(params, "frameId");
    const int64 parentId = FrameOf(page, JsonString(params, "parentFrameId")).id;
    Frame& frame = FrameOf(page, frameId);
    frame.parent = JsonString(params, "parentFrameId");
    const int64 id = frame.id;
    if (CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(page.browserId)) {
        browser->AttachPageFrame(id, parentId, std::wstring());
    }
}

void ChromiumEngine::OnFrameStartedNavigating(Page& page, const cJSON* params) {
    const std::string type = JsonString(params, "navigationType");
    if (type.find("ameDocument") != std::string::npos) {
        return;  // a fragment or history.pushState: the document stays
    }
    Frame& frame = FrameOf(page, JsonString(params, "frameId"));
    ++frame.document;
    frame.documentStarted = true;
    frame.loaderId = JsonString(params, "loaderId");
    frame.httpStatus = 0;
    frame.committed = false;
    if (frame.startedByLibrary && frame.navigationId) {
        frame.startedByLibrary = false;
        return;
    }
    frame.startedByLibrary = false;
    frame.navigationId = runtime_.NextNavigationId();
    const int browserId = page.browserId;
    const int64 frameId = frame.id;
    const int64 navigationId = frame.navigationId;
    const std::wstring url = Utf8ToWide(JsonString(params, "url"));
    page.loaded = false;
    runtime_.ui().Post([this, browserId, frameId, navigationId, url] {
        runtime_.OnPageNavigationStarted(browserId, frameId, navigationId, url);
    });
}

void ChromiumEngine::OnResponse(Page& page, const cJSON* params) {
    const std::string requestId = JsonString(params, "requestId");
    for (auto& entry : page.frames) {
        if (entry.second.loaderId == requestId && !entry.second.committed) {
            const cJSON* response = cJSON_GetObjectItemCaseSensitive(params, "response");
            entry.second.httpStatus = static_cast<int>(JsonNumber(response, "status"));
        }
    }
}

void ChromiumEngine::OnLoadingFailed(Page& page, const cJSON* params) {
    const std::string requestId = JsonString(params, "requestId");
    for (auto& entry : page.frames) {
        Frame& frame = entry.second;
        if (frame.loaderId == requestId && frame.navigationId && !frame.committed) {
            const int64 navigationId = frame.navigationId;
            frame.navigationId = 0;
            LoadResult result;
            result.error = ErrorFromText(Utf8ToWide(JsonString(params, "errorText")));
            runtime_.ui().Post(
                [this, navigationId, result] { runtime_.OnLoadFinished(navigationId, result); });
        }
    }
}

void ChromiumEngine::OnFrameNavigated(Page& page, const cJSON* params) {
    if (JsonString(params, "type", "Navigation") != "Navigation") {
        return;
    }
    const cJSON* info = cJSON_GetObjectItemCaseSensitive(params, "frame");
    const std::string cdpFrame = JsonString(info, "id");
    DropDescendants(page, cdpFrame);  // they belonged to the document that went
    Frame& frame = FrameOf(page, cdpFrame);
    const int browserId = page.browserId;
    if (!frame.documentStarted) {
        ++frame.document;
    }
    frame.documentStarted = false;
    ReleaseContext(browserId, frame.id, frame.document);
    if (!JsonString(info, "unreachableUrl").empty()) {
        return;  // the browser's error page for a load already reported as failed
    }
    CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(browserId);
    CefRefPtr<FrameImpl> impl = browser ? browser->FindFrame(frame.id) : nullptr;
    if (impl) {
        impl->SetName(Utf8ToWide(JsonString(info, "name")));
    }
    LoadResult result;
    result.url = Utf8ToWide(JsonString(info, "url") + JsonString(info, "urlFragment"));
    result.httpStatus = frame.httpStatus;
    const int64 frameId = frame.id;
    if (!frame.navigationId) {
        // A document that came without a navigation of its own (a frame's first about:blank).
        frame.navigationId = runtime_.NextNavigationId();
        const int64 navigationId = frame.navigationId;
        const std::wstring url = result.url;
        runtime_.ui().Post([this, browserId, frameId, navigationId, url] {
            runtime_.OnPageNavigationStarted(browserId, frameId, navigationId, url);
        });
    }
    frame.committed = true;
    frame.startedByLibrary = false;
    const int64 navigationId = frame.navigationId;
    runtime_.ui().Post(
        [this, navigationId, result] { runtime_.OnLoadFinished(navigationId, result); });
}

void ChromiumEngine::OnFrameStoppedLoading(Page& page, const cJSON* params) {
    const std::string cdpFrame = JsonString(params, "frameId");
    Frame& frame = FrameOf(page, cdpFrame);
    if (!frame.committed || !frame.navigationId) {
        return;
    }
    const int64 navigationId = frame.navigationId;
    const int status = frame.httpStatus;
    frame.navigationId = 0;
    frame.committed = false;
    if (cdpFrame != page.targetId) {
        runtime_.ui().Post(
            [this, navigationId, status] { runtime_.OnLoadEnded(navigationId, status, L""); });
        return;
    }
    page.loaded = true;
    JsonPtr evaluate = Params({{"expression", "document.title || location.href"}});
    cJSON_AddBoolToObject(evaluate.get(), "returnByValue", true);
    connection_.Send("Runtime.evaluate", std::move(evaluate), page.sessionId,
                     [this, navigationId, status](const CdpConnection::Reply& reply) {
                         const cJSON* value =
                             cJSON_GetObjectItemCaseSensitive(reply.result, "result");
                         const std::wstring title = Utf8ToWide(JsonString(value, "value"));
                         runtime_.ui().Post([this, navigationId, status, title] {
                             runtime_.OnLoadEnded(navigationId, status, title);
                         });
                     });
}

void ChromiumEngine::OnFrameDetached(Page& page, const cJSON* params) {
    if (JsonString(params, "reason") == "swap") {
        return;
    }
    const std::string cdpFrame = JsonString(params, "frameId");
    DropDescendants(page, cdpFrame);
    DropFrame(page, cdpFrame);
}

void ChromiumEngine::ReleaseContext(int browserId, int64 frameId, int64 before) {
    // Found now: by the time the renderer runs, the library may have let go of the frame.
    CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(browserId);
    CefRefPtr<FrameImpl> frame = browser ? browser->FindFrame(frameId) : nullptr;
    if (frame && frame->GetIdentifier() == frameId) {
        runtime_.renderer().Post(
            [browser, frame, before] { browser->ReleasePageContext(frame, before); });
    }
}

void ChromiumEngine::DropDescendants(Page& page, const std::string& cdpFrame) {
    const auto descends = [&page, &cdpFrame](const std::string& id) {
        for (auto it = page.frames.find(id); it != page.frames.end() && !it->second.parent.empty();
             it = page.frames.find(it->second.parent)) {
            if (it->second.parent == cdpFrame) {
                return true;
            }
        }
        return false;
    };
    std::vector<std::string> gone;
    for (const auto& entry : page.frames) {
        if (descends(entry.first)) {
            gone.push_back(entry.first);
        }
    }
    for (const auto& id : gone) {
        DropFrame(page, id);
    }
}

void ChromiumEngine::DropFrame(Page& page, const std::string& cdpFrame) {
    auto it = page.frames.find(cdpFrame);
    if (it == page.frames.end()) {
        return;
    }
    const int64 frameId = it->second.id;
    const int browserId = page.browserId;
    page.frames.erase(it);
    ReleaseContext(browserId, frameId, std::numeric_limits<int64>::max());
    runtime_.ui().Post(
        [this, browserId, frameId] { runtime_.OnFrameDetached(browserId, frameId); });
}

void ChromiumEngine::AnswerBridge(const std::string& sessionId, const std::string& requestId,
                                  const std::string& body, int status) {
    JsonPtr params = Params({{"requestId", requestId}, {"body", Base64Encode(body)}});
    cJSON_AddNumberToObject(params.get(), "responseCode", status);
    cJSON* headers = cJSON_AddArrayToObject(params.get(), "responseHeaders");
    for (const auto& header : {std::make_pair("Content-Type", "application/json; charset=utf-8"),
                               std::make_pair("Cache-Control", "no-store")}) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddStringToObject(entry, "name", header.first);
        cJSON_AddStringToObject(entry, "value", header.second);
        cJSON_AddItemToArray(headers, entry);
    }
    connection_.Send("Fetch.fulfillRequest", std::move(params), sessionId);
}

void ChromiumEngine::OnRequestPaused(Page& page, const cJSON* params) {
    const std::string requestId = JsonString(params, "requestId");
    const cJSON* request = cJSON_GetObjectItemCaseSensitive(params, "request");
    const std::string url = JsonString(request, "url");
    const std::string kind = pagebridge::RequestKind(url);
    const std::string sessionId = page.sessionId;
    if (kind.empty() ||
        !pagebridge::IsOwnRequest(JsonString(request, "method"), JsonString(params, "resourceType"),
                                  url, HeaderOf(request, "Origin"))) {
        AnswerBridge(sessionId, requestId, "{}", 404);
        return;
    }
    std::string body = JsonString(request, "postData");
    const cJSON* entry;
    cJSON_ArrayForEach(entry, cJSON_GetObjectItemCaseSensitive(request, "postDataEntries")) {
        std::string bytes;
        if (body.empty() && Base64Decode(JsonString(entry, "bytes"), bytes)) {
            body += bytes;
        }
    }
    const int browserId = page.browserId;
    const Frame& pageFrame = FrameOf(page, JsonString(params, "frameId"));
    const int64 frameId = pageFrame.id;
    const int64 document = pageFrame.document;
    runtime_.renderer().Post([this, sessionId, requestId, kind, body, browserId, frameId,
                              document] {
        CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(browserId);
        CefRefPtr<FrameImpl> frame = browser ? browser->FindFrame(frameId) : nullptr;
        if (!frame || frame->GetIdentifier() != frameId) {
            AnswerBridge(sessionId, requestId, kind == "context" ? "[]" : "{}");
            return;
        }
        if (kind == "context") {
            // One context per document: asking again must not replace it.
            if (frame->context() && frame->document() == document) {
                AnswerBridge(sessionId, requestId, "[]", 404);
                return;
            }
            JsonPtr names(cJSON_CreateArray());
            for (const auto& name : pagebridge::GlobalFunctionNames(
                     browser->CreatePageContext(frame, document).get())) {
                cJSON_AddItemToArray(names.get(), cJSON_CreateString(name.c_str()));
            }
            char* text = cJSON_PrintUnformatted(names.get());
            AnswerBridge(sessionId, requestId, text ? text : "[]");
            cJSON_free(text);
            return;
        }
        const JsonPtr call(cJSON_Parse(body.c_str()));
        CefRefPtr<V8ContextImpl> context = frame->context();
        JsonPtr answer = JsonObject();
        if (context && context->Enter()) {
            CefV8ValueList arguments;
            const cJSON* argument;
            cJSON_ArrayForEach(argument, cJSON_GetObjectItemCaseSensitive(call.get(), "args")) {
                arguments.push_back(pagebridge::ToV8(argument));
            }
            const ScriptCallResult result =
                CallFunction(context.get(), Utf8ToWide(JsonString(call.get(), "name")), arguments);
            if (!result.called || !result.exception.empty()) {
                cJSON_AddStringToObject(
                    answer.get(), "exception",
                    WideToUtf8(result.called ? pagebridge::ThrownMessage(result.exception)
                                             : result.error)
                        .c_str());
            } else {
                cJSON_AddItemToObject(answer.get(), "result", pagebridge::FromV8(result.result));
            }
            context->Exit();
        } else {
            cJSON_AddStringToObject(answer.get(), "exception", "the page has no script context");
        }
        char* text = cJSON_PrintUnformatted(answer.get());
        AnswerBridge(sessionId, requestId, text ? text : "{}");
        cJSON_free(text);
    });
}

void ChromiumEngine::OnScreencastFrame(Page& page, const cJSON* params) {
    JsonPtr ack = JsonObject();
    cJSON_AddNumberToObject(ack.get(), "sessionId", JsonNumber(params, "sessionId"));
    connection_.Send("Page.screencastFrameAck", std::move(ack), page.sessionId);
    const HWND view = page.view;
    LoopThread* ui = &runtime_.ui();
    decoder_.Submit(page.browserId, JsonString(params, "data"), [ui, view](HBITMAP picture) {
        if (!ui->Post([view, picture] { chromiumview::ShowPicture(view, picture); })) {
            DeleteObject(picture);
        }
    });
}

void ChromiumEngine::OnDownloadWillBegin(const cJSON* params) {
    const std::string guid = JsonString(params, "guid");
    const std::string frameId = JsonString(params, "frameId");
    int browserId = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : pages_) {
            if (entry.second.targetId == frameId || entry.second.frames.count(frameId)) {
                browserId = entry.first;
            }
        }
        downloads_[guid] = Download();
    }
    const std::wstring url = Utf8ToWide(JsonString(params, "url"));
    const std::wstring name = Utf8ToWide(JsonString(params, "suggestedFilename"));
    runtime_.ui().Post([this, guid, browserId, url, name] {
        CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(browserId);
        const uint32 id = browser ? runtime_.downloads().Start(browser, url, name) : 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            downloads_[guid].id = id;
        }
        if (!id) {
            connection_.Send("Browser.cancelDownload", Params({{"guid", guid}}));
        }
    });
}

void ChromiumEngine::OnDownloadProgress(const cJSON* params) {
    const std::string guid = JsonString(params, "guid");
    const std::string state = JsonString(params, "state");
    const int64 received = static_cast<int64>(JsonNumber(params, "receivedBytes"));
    const int64 total = static_cast<int64>(JsonNumber(params, "totalBytes", -1));
    runtime_.ui().Post([this, guid, state, received, total] {
        uint32 id = 0;
        bool started = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = downloads_.find(guid);
            if (it == downloads_.end()) {
                return;
            }
            it->second.state = state;
            it->second.received = received;
            it->second.total = total > 0 ? total : -1;
            id = it->second.id;
            started = !it->second.path.empty();
        }
        if (!started) {
            return;  // waits for the application to say where it goes
        }
        if (state == "inProgress") {
            runtime_.OnDownloadProgress(id, received, total > 0 ? total : -1);
        } else {
            FinishDownload(guid);
        }
    });
}

void ChromiumEngine::StartDownload(uint32 downloadId, const std::wstring&,
                                   const std::wstring& path) {
    std::string guid;
    bool ended = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : downloads_) {
            if (entry.second.id == downloadId) {
                guid = entry.first;
                entry.second.path = path;
                ended = entry.second.state == "completed" || entry.second.state == "canceled";
            }
        }
    }
    if (guid.empty()) {
        runtime_.ui().Post([this, downloadId] { runtime_.OnDownloadFinished(downloadId, false); });
    } else if (ended) {
        FinishDownload(guid);
    }
}

void ChromiumEngine::FinishDownload(const std::string& guid) {
    Download download;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = downloads_.find(guid);
        if (it == downloads_.end() || it->second.reported) {
            return;
        }
        it->second.reported = true;
        download = it->second;
    }
    const std::wstring temporary = process_.downloadFolder() + L"\\" + Utf8ToWide(guid);
    bool complete = download.state == "completed";
    if (complete) {
        complete = MoveFileExW(temporary.c_str(), download.path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
    }
    if (!complete) {
        DeleteFileW(temporary.c_str());
    }
    runtime_.OnDownloadProgress(download.id, download.received,
                                download.total > 0 ? download.total : download.received);
    runtime_.OnDownloadFinished(download.id, complete);
}

void ChromiumEngine::CancelDownload(uint32 downloadId) {
    std::string guid;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : downloads_) {
            if (entry.second.id == downloadId) {
                guid = entry.first;
                entry.second.state = "canceled";
            }
        }
    }
    if (guid.empty()) {
        return;
    }
    connection_.Send("Browser.cancelDownload", Params({{"guid", guid}}));
    runtime_.ui().Post([this, guid] { FinishDownload(guid); });
}

ChromiumEngine::Page* ChromiumEngine::PageOfSession(const std::string& sessionId) {
    for (auto& entry : pages_) {
        if (entry.second.sessionId == sessionId) {
            return &entry.second;
        }
    }
    return nullptr;
}

ChromiumEngine::Page* ChromiumEngine::PageOfBrowser(int browserId) {
    auto it = pages_.find(browserId);
    return it == pages_.end() ? nullptr : &it->second;
}

ChromiumEngine::Page* ChromiumEngine::PageOfTarget(const std::string& targetId) {
    if (targetId.empty()) {
        return nullptr;
    }
    for (auto& entry : pages_) {
        if (entry.second.targetId == targetId) {
            return &entry.second;
        }
    }
    return nullptr;
}

void ChromiumEngine::Shutdown() {
    if (shutDown_.exchange(true)) {
        return;
    }
    decoder_.Stop();
    if (process_.port()) {
        connection_.Send("Browser.close", nullptr);
        connection_.Close();
        process_.Stop(kCloseGraceMs);
    }
    connection_.Close();
    WSACleanup();
}

}  // namespace cefimpl
