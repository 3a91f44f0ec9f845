#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "CdpConnection.h"
#include "ChromiumProcess.h"
#include "ChromiumView.h"
#include "DevToolsRelay.h"
#include "Engine.h"
#include "PopupRequests.h"
#include "Threads.h"

namespace cefimpl {

class BrowserImpl;
class FrameImpl;
class Runtime;

// The engine that shows real pages: a headless Chromium driven over the DevTools protocol. Each
// browser is one page target of it, painted from the page's screencast into the browser's window,
// which hands its mouse and keyboard input back to the page. Page script reaches the application's
// functions through the page bridge. Protocol events arrive on the connection's reader thread;
// what the library hears of them is posted to its UI thread (or, for script contexts, its renderer
// thread) in the order they came.
class ChromiumEngine : public Engine {
public:
    explicit ChromiumEngine(Runtime& runtime);
    ~ChromiumEngine() override;

    // Starts the browser and connects to it; false with `error` set when it cannot be had, after
    // which the engine makes no views. Runs on the library's UI thread before any view is made.
    bool Start(std::wstring& error);

    HWND CreateView(int browserId, const cef_window_info_t& info) override;
    HWND FindView(int browserId) const override;
    void ShowPage(int, const PageView&) override {}
    void StartLoad(int64 navigationId, int browserId, int64 frameId,
                   const std::wstring& url) override;
    void CancelLoad(int64 navigationId) override;
    void StartDownload(uint32 downloadId, const std::wstring& url,
                       const std::wstring& path) override;
    void CancelDownload(uint32 downloadId) override;
    void Shutdown() override;
    bool CrashPage(int browserId) override;
    std::vector<double> TimeRoundTrips(int browserId, int count) override;
    int CountPages() override;
    bool RunsRealPages() const override { return true; }

private:
    // How long a command the engine cannot go on without may take to be answered.
    static constexpr DWORD kCommandTimeoutMs = 20000;

    // A frame of a page, by the protocol's frame id.
    struct Frame {
        int64 id = 0;
        std::string parent;  // the parent frame's protocol id; empty for the main frame
        int64 navigationId = 0;
        bool startedByLibrary = false;  // StartLoad's navigation, not yet seen to start
        std::string loaderId;
        int httpStatus = 0;
        bool committed = false;
        // Counts the frame's documents: the news that a document replaced the last one may come
        // after the new document asked for its context, and must then leave that context alone.
        int64 document = 0;
        bool documentStarted = false;  // counted when its navigation started
    };
    struct Page {
        int browserId = 0;
        HWND view = nullptr;
        std::string targetId;
        std::string sessionId;
        bool waiting = false;  // paused until the library lets it run
        std::map<std::string, Frame> frames;
        bool loaded = false;
        bool crashed = false;                 // until its next document starts
        std::set<std::string> proxyAnswered;  // requests given the proxy's credentials
        // The cursor follows the page: one question at a time, the latest point asked next.
        bool cursorAsked = false;
        bool cursorAgain = false;
        POINT cursorAt{};
        int settingUp = 0;                        // settings the renderer has yet to confirm
        std::vector<std::function<void()>> held;  // navigations waiting for them
    };
    struct Download {
        uint32 id = 0;
        std::wstring path;
        std::string state;
        int64 received = 0;
        int64 total = -1;
        bool reported = false;
    };
    // A DevTools window's front end and the sessions it talks through.
    struct FrontEnd {
        std::shared_ptr<DevToolsRelay> relay;
        std::string session;               // on the inspected page
        std::set<std::string> children;    // sessions the front end attached itself
        std::vector<std::string> waiting;  // its messages before its session came
    };
    struct Attached {
        std::string sessionId;
        bool waiting = false;
    };

    bool Connect(std::wstring& error);
    // UI thread: the browser opens a blank page of its own when it starts; the first view made
    // takes it, rather than leaving it open unseen beside a new one.
    void KeepStartPage();
    // UI thread: the address a DevTools browser loads for the page it inspects.
    std::string OpenFrontEnd(int browserId);
    void OnFrontEndAttached(int browserId, const std::string& sessionId);
    // Relay thread: a command of a DevTools front end, for its own sessions only.
    void OnFrontEndMessage(int browserId, const std::string& message);
    // Reader thread: an event of a front end's session goes to that front end; false when the
    // session is none of theirs.
    bool ForwardToFrontEnd(const std::string& method, const cJSON* params,
                           const std::string& sessionId);
    void RelayFrontEndMessage(int browserId, const std::string& message, const std::string& root);
    void CloseFrontEnd(int browserId);
    void CloseFrontEnds();
    // Reader thread: the browser's end of the connection went, with the browser.
    void OnConnectionClosed();
    // UI thread: starts a browser in place of one that ended and gives every page its last
    // address again; the library learns of a browser that cannot be had.
    void RestartBrowser();
    void OnTargetCrashed(const cJSON* params);
    // Mutex held: the page's process went: its frames and contexts with it.
    void EndPageProcess(Page& page);
    // UI thread: the page's window shows that it crashed, and the library learns of it.
    void ShowCrashed(int browserId, HWND view, cef_termination_status_t status);
    bool Crashed(int browserId) const;
    // The downloads under way fail.
    void FailDownloads();

    void OnEvent(const std::string& method, const cJSON* params, const std::string& sessionId);
    void OnAttached(const cJSON* params);
    // A session left its target: the target closed, unless it was another session on it.
    void OnDetached(const std::string& targetId, const std::string& sessionId);
    // Mutex held: the page asked for a new window, whose target may already have come.
    void OnWindowOpen(Page& page, const cJSON* params);
    void OnFrameAttached(Page& page, const cJSON* params);
    void OnFrameStartedNavigating(Page& page, const cJSON* params);
    void OnResponse(Page& page, const cJSON* params);
    void OnLoadingFailed(Page& page, const cJSON* params);
    void OnFrameNavigated(Page& page, const cJSON* params);
    void OnFrameStoppedLoading(Page& page, const cJSON* params);
    void OnFrameDetached(Page& page, const cJSON* params);
    void OnRequestPaused(Page& page, const cJSON* params);
    // A proxy (or a server) asks for credentials: a proxy gets those of the proxy settings, once.
    void OnAuthRequired(Page& page, const cJSON* params);
    // Renderer thread: the page bridge's requests of a frame the library still has.
    void AnswerContextRequest(const std::string& sessionId, const std::string& requestId,
                              const CefRefPtr<BrowserImpl>& browser,
                              const CefRefPtr<FrameImpl>& frame, int64 document);
    void AnswerNativeCall(const std::string& sessionId, const std::string& requestId,
                          const CefRefPtr<FrameImpl>& frame, const std::string& body);
    void OnScreencastFrame(Page& page, const cJSON* params);
    void OnDownloadWillBegin(const cJSON* params);
    void OnDownloadProgress(const cJSON* params);
    // One of the settings the renderer must have before the page navigates has been confirmed.
    void SetUpStep(const std::string& sessionId);

    // A frame left its page: its context is released and the library told.
    void DropFrame(Page& page, const std::string& cdpFrame);
    // The frames inside a frame whose document went.
    void DropDescendants(Page& page, const std::string& cdpFrame);
    // Mutex held: a page's new window met the news of its opening; the library decides on it.
    void PairPopup(const Page& opener, const PopupRequests::Match& match);
    // What a browser's window hands to its page: input, size, and the window's end.
    ViewCallbacks ViewCallbacksFor(int browserId);
    // Gives a new view its page: the popup target it adopts, else a new blank target; false when
    // no target can be had.
    bool AttachTarget(int browserId, HWND window);
    // The session of a target the browser is making, once it has attached; empty when it does
    // not come in time. Dispatches the thread's messages meanwhile.
    std::string WaitForSession(const std::string& targetId);
    // Asks the page which cursor it shows at a point; the window takes it on.
    void AskCursor(int browserId, int x, int y);
    void SetUpSession(const std::string& sessionId, int width, int height);
    void Resume(Page& page);
    void AnswerBridge(const std::string& sessionId, const std::string& requestId,
                      const std::string& body, int status = 200);
    void ReportFailure(int64 navigationId, const std::string& errorText, const std::string& url);
    void DecidePopup(int openerId, const PopupWindow& window, const PopupRequest& request);
    void FinishDownload(const std::string& guid);
    void SendInput(int browserId, const std::string& method, JsonPtr params);
    void ReleaseContext(int browserId, int64 frameId, int64 before);

    // The session of a browser's page; empty when it has none.
    std::string SessionOf(int browserId);
    // Under mutex_.
    Page* PageOfSession(const std::string& sessionId);
    Page* PageOfBrowser(int browserId);
    Page* PageOfTarget(const std::string& targetId);
    Frame& FrameOf(Page& page, const std::string& frameId);

    Runtime& runtime_;
    ChromiumProcess process_;
    CdpConnection connection_;
    PictureDecoder decoder_;

    mutable std::mutex mutex_;
    UniqueHandle attachedEvent_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::map<int, Page> pages_;
    std::map<std::string, Attached> attached_;  // by target id
    PopupRequests popups_;
    std::map<std::string, Download> downloads_;  // by the browser's download id
    std::map<int, FrontEnd> frontEnds_;          // by the DevTools browser's id
    // UI thread: the target of the popup whose browser is being made, for its CreateView.
    std::string adoptTarget_;
    std::string adoptSession_;
    std::string startPage_;  // UI thread: the browser's own blank page while no view took it
    DWORD lastRestart_ = 0;  // UI thread: when the browser was last started again
    std::atomic<bool> started_{false};
    std::atomic<bool> shutDown_{false};
};

}  // namespace cefimpl
