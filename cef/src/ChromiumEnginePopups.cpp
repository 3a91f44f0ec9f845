// New windows a page opens (window.open): their targets paired with the news of their opening
// and put to the library's decision; and targets that end, as a page that closes itself.
#include "ChromiumEngine.h"

#include <algorithm>

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
    WindowOpen open;
    open.url = JsonString(params, "url");
    open.userGesture = JsonBool(params, "userGesture");
    const cJSON* feature;
    cJSON_ArrayForEach(feature, cJSON_GetObjectItemCaseSensitive(params, "windowFeatures")) {
        if (cJSON_IsString(feature)) {
            open.features.push_back(feature->valuestring);
        }
    }
    page.opens.push_back(open);
    // The new window may have come before the news of its opening.
    for (auto it = unpaired_.begin(); it != unpaired_.end(); ++it) {
        if (it->openerTarget == page.targetId) {
            const Unpaired popup = *it;
            unpaired_.erase(it);
            PairPopup(page, popup.targetId, popup.sessionId);
            break;
        }
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

}  // namespace cefimpl
