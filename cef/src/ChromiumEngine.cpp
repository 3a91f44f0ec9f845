// The Chromium engine's life (start, connection, shutdown) and the dispatch of the protocol's
// events to the files that handle them by concern.
#include "ChromiumEngine.h"

#include <winsock2.h>

#include "Runtime.h"
#include "Text.h"

namespace cefimpl {

namespace {

constexpr DWORD kCloseGraceMs = 10000;

}  // namespace

ChromiumEngine::ChromiumEngine(Runtime& runtime) : runtime_(runtime) {}

ChromiumEngine::~ChromiumEngine() {
    Shutdown();
}

bool ChromiumEngine::Start(std::wstring& error) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    started_ = Connect(error);
    if (!started_) {
        Shutdown();
    }
    return started_;
}

bool ChromiumEngine::Connect(std::wstring& error) {
    if (!process_.Start(CefString(&runtime_.settings().locale).ToWString(), error)) {
        return false;
    }
    std::string why;
    std::shared_ptr<MessageChannel> channel = process_.OpenChannel(why);
    if (!channel) {
        error = L"cannot reach the browser's DevTools: " + Utf8ToWide(why);
        return false;
    }
    connection_.Open(
        std::move(channel),
        [this](const std::string& method, const cJSON* params, const std::string& sessionId) {
            OnEvent(method, params, sessionId);
        },
        [this] { OnConnectionClosed(); });
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
    KeepStartPage();
    return true;
}

void ChromiumEngine::KeepStartPage() {
    startPage_.clear();
    JsonPtr result;
    if (!connection_.Call("Target.getTargets", nullptr, "", &result, nullptr, kCommandTimeoutMs)) {
        return;
    }
    const cJSON* info = nullptr;
    cJSON_ArrayForEach(info, cJSON_GetObjectItemCaseSensitive(result.get(), "targetInfos")) {
        if (JsonString(info, "type") == "page" && JsonString(info, "url") == "about:blank") {
            startPage_ = JsonString(info, "targetId");
            return;
        }
    }
}

HWND ChromiumEngine::FindView(int browserId) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = pages_.find(browserId);
    return it == pages_.end() ? nullptr : it->second.view;
}

void ChromiumEngine::OnEvent(const std::string& method, const cJSON* params,
                             const std::string& sessionId) {
    if (ForwardToFrontEnd(method, params, sessionId)) {
        return;
    }
    if (method == "Target.attachedToTarget") {
        OnAttached(params);
        return;
    }
    if (method == "Target.detachedFromTarget") {
        OnDetached(JsonString(params, "targetId"), JsonString(params, "sessionId"));
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
    if (method == "Target.targetCrashed") {
        OnTargetCrashed(params);
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
    } else if (method == "Fetch.authRequired") {
        OnAuthRequired(*page, params);
    } else if (method == "Page.windowOpen") {
        OnWindowOpen(*page, params);
    }
}

std::string ChromiumEngine::SessionOf(int browserId) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Page* page = PageOfBrowser(browserId);
    return page ? page->sessionId : std::string();
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

std::vector<double> ChromiumEngine::TimeRoundTrips(int browserId, int count) {
    const std::string sessionId = SessionOf(browserId);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; !sessionId.empty() && i < count; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        if (!connection_.Call("Runtime.evaluate", Params({{"expression", "1"}}), sessionId, nullptr,
                              nullptr, kCommandTimeoutMs)) {
            break;
        }
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    return times;
}

int ChromiumEngine::CountPages() {
    JsonPtr targets;
    if (!connection_.Call("Target.getTargets", nullptr, "", &targets, nullptr, kCommandTimeoutMs)) {
        return -1;
    }
    int pages = 0;
    const cJSON* info;
    cJSON_ArrayForEach(info, cJSON_GetObjectItemCaseSensitive(targets.get(), "targetInfos")) {
        pages += JsonString(info, "type") == "page" ? 1 : 0;
    }
    return pages;
}

void ChromiumEngine::Shutdown() {
    if (shutDown_.exchange(true)) {
        return;
    }
    decoder_.Stop();
    CloseFrontEnds();
    if (process_.running()) {
        connection_.Send("Browser.close", nullptr);
        connection_.Close();
        process_.Stop(kCloseGraceMs);
    }
    connection_.Close();
    WSACleanup();
}

}  // namespace cefimpl
