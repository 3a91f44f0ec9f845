// When a page's process or the whole browser ends: the loads under way fail, the page's window
// shows that its page crashed, and a browser that died is started again with every page's last
// address.
#include "ChromiumEngine.h"

#include <limits>

#include "Browser.h"
#include "Runtime.h"
#include "Text.h"

namespace cefimpl {

namespace {

// A browser that ends again this soon after it was started again is not started a third time.
constexpr DWORD kRestartSpacingMs = 30000;

cef_termination_status_t TerminationOf(const std::string& status) {
    if (status == "killed") {
        return TS_PROCESS_WAS_KILLED;
    }
    if (status == "crashed") {
        return TS_PROCESS_CRASHED;
    }
    if (status == "oom") {
        return TS_PROCESS_OOM;
    }
    return TS_ABNORMAL_TERMINATION;
}

}  // namespace

bool ChromiumEngine::CrashPage(int browserId) {
    const std::string sessionId = SessionOf(browserId);
    if (sessionId.empty()) {
        return false;
    }
    connection_.Send("Page.crash", nullptr, sessionId);
    return true;
}

bool ChromiumEngine::Crashed(int browserId) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = pages_.find(browserId);
    return it != pages_.end() && it->second.crashed;
}

void ChromiumEngine::OnTargetCrashed(const cJSON* params) {
    const cef_termination_status_t status = TerminationOf(JsonString(params, "status"));
    std::lock_guard<std::mutex> lock(mutex_);
    Page* page = PageOfTarget(JsonString(params, "targetId"));
    if (!page) {
        return;
    }
    page->crashed = true;
    EndPageProcess(*page);
    const int browserId = page->browserId;
    const HWND view = page->view;
    runtime_.ui().Post([this, browserId, view, status] { ShowCrashed(browserId, view, status); });
}

void ChromiumEngine::EndPageProcess(Page& page) {
    std::vector<std::string> frames;
    for (const auto& entry : page.frames) {
        frames.push_back(entry.first);
    }
    for (const auto& cdpFrame : frames) {
        if (cdpFrame == page.targetId) {
            Frame& main = page.frames[cdpFrame];
            ReleaseContext(page.browserId, main.id, std::numeric_limits<int64>::max());
            main.navigationId = 0;
            main.committed = false;
            main.startedByLibrary = false;
        } else {
            DropFrame(page, cdpFrame);
        }
    }
    page.loaded = false;
    page.cursorAsked = false;
    page.cursorAgain = false;
}

void ChromiumEngine::ShowCrashed(int browserId, HWND view, cef_termination_status_t status) {
    const std::wstring locale = CefString(&runtime_.settings().locale).ToWString();
    const std::wstring text = locale.compare(0, 2, L"en") == 0
                                  ? L"This page has crashed. Reload it to try again."
                                  : L"\u9875\u9762\u5df2\u5d29\u6e83\uff0c\u8bf7\u5237\u65b0"
                                    L"\u540e\u91cd\u8bd5\u3002";
    if (HBITMAP picture = chromiumview::CrashedPicture(view, text)) {
        chromiumview::ShowPicture(view, picture);
    }
    runtime_.OnPageProcessEnded(browserId, status);
}

void ChromiumEngine::OnConnectionClosed() {
    if (!shutDown_) {
        runtime_.ui().Post([this] { RestartBrowser(); });
    }
}

void ChromiumEngine::RestartBrowser() {
    if (shutDown_ || !started_) {
        return;
    }
    std::vector<std::pair<int, HWND>> views;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : pages_) {
            EndPageProcess(entry.second);
            entry.second.frames.clear();
            views.emplace_back(entry.first, entry.second.view);
        }
        attached_.clear();
        popups_.Clear();
    }
    FailDownloads();
    CloseFrontEnds();  // their sessions went with the browser; a reload makes new ones
    for (const auto& view : views) {
        ShowCrashed(view.first, view.second, TS_ABNORMAL_TERMINATION);
    }
    connection_.Close();
    process_.Stop(0);
    std::wstring error = L"the browser ended again right after it was started again";
    const bool again =
        (!lastRestart_ || GetTickCount() - lastRestart_ >= kRestartSpacingMs) && Connect(error);
    lastRestart_ = GetTickCount();
    if (!again) {
        started_ = false;
        runtime_.OnEngineFailed(error);
        return;
    }
    for (const auto& view : views) {
        CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(view.first);
        CefRefPtr<FrameImpl> main = browser ? browser->FindFrame(0) : nullptr;
        if (main && AttachTarget(view.first, view.second) && !main->url().empty()) {
            browser->Navigate(main, main->url());
        }
    }
}

}  // namespace cefimpl
