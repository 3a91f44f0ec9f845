// New windows a page opens (window.open): their targets paired with the news of their opening
// and put to the library's decision; and targets that end, as a page that closes itself.
#include "ChromiumEngine.h"

#include "Browser.h"
#include "Runtime.h"
#include "Text.h"

namespace cefimpl {

namespace {

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

}  // namespace

void ChromiumEngine::OnWindowOpen(Page& page, const cJSON* params) {
    PopupRequest request;
    request.url = JsonString(params, "url");
    request.userGesture = JsonBool(params, "userGesture");
    const cJSON* feature;
    cJSON_ArrayForEach(feature, cJSON_GetObjectItemCaseSensitive(params, "windowFeatures")) {
        if (cJSON_IsString(feature)) {
            request.features.push_back(feature->valuestring);
        }
    }
    PairPopup(page, popups_.Requested(page.targetId, request));
}

void ChromiumEngine::OnAttached(const cJSON* params) {
    const cJSON* info = cJSON_GetObjectItemCaseSensitive(params, "targetInfo");
    const std::string targetId = JsonString(info, "targetId");
    const std::string sessionId = JsonString(params, "sessionId");
    const bool waiting = JsonBool(params, "waitingForDebugger");
    std::unique_lock<std::mutex> lock(mutex_);
    if (PageOfTarget(targetId)) {
        return;  // another session on a page of ours: a DevTools window's
    }
    attached_[targetId] = Attached{sessionId, waiting};
    SetEvent(attachedEvent_.get());
    // A window the page opened comes without an address yet; a window that does not name its
    // opener belongs to the page that asked for one.
    Page* opener = PageOfTarget(JsonString(info, "openerId"));
    if (!opener && JsonString(info, "url").empty()) {
        opener = PageOfTarget(popups_.AnyOpenerAsking());
    }
    if (opener && waiting) {
        PairPopup(*opener, popups_.WindowCame(opener->targetId, PopupWindow{targetId, sessionId}));
    }
}

void ChromiumEngine::PairPopup(const Page& opener, const PopupRequests::Match& match) {
    if (!match.found) {
        return;
    }
    const int openerId = opener.browserId;
    runtime_.ui().Post(
        [this, openerId, match] { DecidePopup(openerId, match.window, match.request); });
}

void ChromiumEngine::DecidePopup(int openerId, const PopupWindow& window,
                                 const PopupRequest& request) {
    CefRefPtr<BrowserImpl> opener = runtime_.FindBrowser(openerId);
    CefPopupFeatures features;
    const cef_window_open_disposition_t disposition = DispositionOf(request.features, features);
    PopupOutcome outcome;
    outcome.cancelled = true;
    if (opener) {
        // The decision waits for the IO thread while this thread dispatches its messages, and
        // other browsers may be made meanwhile: the target is handed over only right before the
        // popup's own browser is made.
        outcome = opener->RequestPopup(opener->FindFrame(0), Utf8ToWide(request.url), disposition,
                                       request.userGesture, features, [this, window] {
                                           adoptTarget_ = window.targetId;
                                           adoptSession_ = window.sessionId;
                                       });
        adoptTarget_.clear();
        adoptSession_.clear();
    }
    if (outcome.cancelled || !outcome.browserId) {
        // A page paused at its start cannot be closed cleanly: it first has to run.
        connection_.Send("Runtime.runIfWaitingForDebugger", nullptr, window.sessionId);
        connection_.Send("Target.closeTarget", Params({{"targetId", window.targetId}}));
    }
}

void ChromiumEngine::OnDetached(const std::string& targetId, const std::string& sessionId) {
    // A closed window: nothing more will come of it.
    int closedByPage = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Another session leaving a page (a DevTools window's) is no close.
        const Page* page = PageOfTarget(targetId);
        if (page && page->sessionId != sessionId) {
            return;
        }
        attached_.erase(targetId);
        popups_.Forget(targetId);
        // The library's own closes forget the page first: one still known closed itself
        // (window.close() in its script), and its browser closes as its user would close it.
        if (page) {
            closedByPage = page->browserId;
        }
    }
    if (closedByPage) {
        runtime_.ui().Post([this, closedByPage] { runtime_.OnViewCloseRequested(closedByPage); });
    }
}

}  // namespace cefimpl
