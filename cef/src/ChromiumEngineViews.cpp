// A browser's view: its window and the page target behind it, the page's pictures and cursor
// shown in it, and its input and size handed to the page.
#include "ChromiumEngine.h"

#include <iterator>

#include "PageBridge.h"
#include "Runtime.h"

namespace cefimpl {

namespace {

constexpr int kScreencastQuality = 85;
constexpr DWORD kAttachedPollMs = 50;

int ClientWidth(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return client.right;
}

int ClientHeight(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return client.bottom;
}

}  // namespace

HWND ChromiumEngine::CreateView(int browserId, const cef_window_info_t& info) {
    if (!started_) {
        return nullptr;
    }
    const HWND window = chromiumview::Create(info, ViewCallbacksFor(browserId));
    if (!window) {
        return nullptr;
    }
    if (!AttachTarget(browserId, window)) {
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

ViewCallbacks ChromiumEngine::ViewCallbacksFor(int browserId) {
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
        CloseFrontEnd(browserId);
        runtime_.OnViewDestroyed(browserId);
    };
    return callbacks;
}

bool ChromiumEngine::AttachTarget(int browserId, HWND window) {
    std::string targetId = adoptTarget_;
    std::string sessionId = adoptSession_;
    adoptTarget_.clear();
    adoptSession_.clear();
    const bool adopted = !targetId.empty();
    if (!adopted) {
        targetId.swap(startPage_);
        JsonPtr result;
        std::string error;
        if (targetId.empty() &&
            connection_.Call("Target.createTarget", Params({{"url", "about:blank"}}), "", &result,
                             &error, kCommandTimeoutMs, true)) {
            targetId = JsonString(result.get(), "targetId");
        }
        if (targetId.empty()) {
            return false;
        }
        sessionId = WaitForSession(targetId);
    }
    // The window's thread dispatched its messages while it waited: the window may have gone.
    if (sessionId.empty() || !IsWindow(window)) {
        if (!targetId.empty()) {
            connection_.Send("Target.closeTarget", Params({{"targetId", targetId}}));
        }
        return false;
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
    SetUpSession(sessionId, ClientWidth(window), ClientHeight(window));
    if (!adopted) {
        std::lock_guard<std::mutex> lock(mutex_);
        Resume(pages_[browserId]);
    }
    return true;
}

std::string ChromiumEngine::WaitForSession(const std::string& targetId) {
    const DWORD start = GetTickCount();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = attached_.find(targetId);
            if (it != attached_.end()) {
                return it->second.sessionId;
            }
        }
        if (GetTickCount() - start >= kCommandTimeoutMs) {
            return std::string();
        }
        // Several views may wait at once: each looks again now and then.
        WaitPumping(attachedEvent_.get(), kAttachedPollMs);
    }
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
    // The browser answers a proxy's challenge only for the requests it holds: with credentials
    // for the proxy, it holds every request, and lets go at once of those that are no native call.
    const bool proxyAuth = !process_.proxyCredentials().empty();
    cJSON_AddStringToObject(
        pattern, "urlPattern",
        proxyAuth ? "*" : (std::string("*") + pagebridge::kPathPrefix + "*").c_str());
    cJSON_AddStringToObject(pattern, "requestStage", "Request");
    cJSON_AddItemToArray(patterns, pattern);
    cJSON_AddBoolToObject(fetch.get(), "handleAuthRequests", proxyAuth);
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
    const std::string sessionId = SessionOf(browserId);
    if (!sessionId.empty()) {
        connection_.Send(method, std::move(params), sessionId);
    }
}

}  // namespace cefimpl
