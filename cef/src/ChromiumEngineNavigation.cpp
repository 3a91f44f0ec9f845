// Navigations: the library's loads sent to the page, and the page's frames, documents and loads
// as the protocol reports them, told to the library.
#include "ChromiumEngine.h"

#include <limits>

#include "Browser.h"
#include "Runtime.h"
#include "Text.h"

namespace cefimpl {

namespace {

constexpr wchar_t kDevToolsScheme[] = L"chrome-devtools:";
constexpr wchar_t kFrontEndAddress[] = L"devtools://devtools/";

}  // namespace

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
    }
    // The front end, opened or reloaded, gets a relay of its own.
    if (url.compare(0, wcslen(kDevToolsScheme), kDevToolsScheme) == 0 ||
        url.compare(0, wcslen(kFrontEndAddress), kFrontEndAddress) == 0) {
        target = OpenFrontEnd(browserId);
    }
    const auto navigate = [this, browserId, sessionId, cdpFrame, navigationId, target] {
        JsonPtr params = Params({{"url", target}, {"frameId", cdpFrame}});
        connection_.Send(
            "Page.navigate", std::move(params), sessionId,
            [this, browserId, navigationId, target](const CdpConnection::Reply& reply) {
                // A crashed page answers with an error and still loads the address
                // in a new process: its events tell how that goes.
                if (!reply.error.empty() && Crashed(browserId)) {
                    return;
                }
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
    const std::string cdpFrame = JsonString(params, "frameId");
    if (cdpFrame == page.targetId) {
        page.crashed = false;
        page.proxyAnswered.clear();
    }
    Frame& frame = FrameOf(page, cdpFrame);
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

}  // namespace cefimpl
