#include "Runtime.h"

#include <cstdio>
#include <cstdlib>

#include "include/cef_task.h"
#include "ChromiumEngine.h"
#include "InProcessEngine.h"
#include "Text.h"
#include "Values.h"

namespace cefimpl {

namespace {

std::atomic<Runtime*> g_runtime{nullptr};

constexpr DWORD kCloseWaitMs = 10000;
constexpr wchar_t kEngineVariable[] = L"TESSEL_BROWSER";

// Settings the stand-in cannot honour are refused with a message where a developer looks.
bool Refuse(const char* why) {
    std::string text = "CefInitialize refused: ";
    text += why;
    text += "\n";
    OutputDebugStringA(text.c_str());
    std::fputs(text.c_str(), stderr);
    return false;
}

}  // namespace

std::atomic<int>& LiveCounter(LiveKind kind) {
    static std::atomic<int> counters[static_cast<int>(LiveKind::Count)];
    return counters[static_cast<int>(kind)];
}

bool OnUiThread() {
    Runtime* runtime = Runtime::Get();
    return runtime && runtime->ui().IsCurrent();
}

bool OnRendererThread() {
    Runtime* runtime = Runtime::Get();
    return runtime && runtime->renderer().IsCurrent();
}

bool OnIoThread() {
    Runtime* runtime = Runtime::Get();
    return runtime && runtime->io().IsCurrent();
}

Runtime* Runtime::Get() {
    return g_runtime;
}

bool Runtime::Initialize(const CefSettings& settings, CefRefPtr<CefApp> app) {
    if (g_runtime) {
        return Refuse("the library is already initialised");
    }
    if (!settings.multi_threaded_message_loop) {
        return Refuse(
            "only multi_threaded_message_loop = 1 is supported (the library runs its own UI "
            "thread)");
    }
    if (!settings.single_process) {
        return Refuse("only single_process = 1 is supported (renderer work runs in this process)");
    }
    if (settings.windowless_rendering_enabled) {
        return Refuse("windowless rendering is not supported");
    }
    Runtime* runtime = new Runtime(settings, app);
    g_runtime = runtime;
    if (!runtime->Start()) {
        runtime->Stop();
        g_runtime = nullptr;
        delete runtime;
        return false;
    }
    return true;
}

void Runtime::Shutdown() {
    Runtime* runtime = g_runtime;
    if (!runtime) {
        return;
    }
    runtime->Stop();
    g_runtime = nullptr;
    delete runtime;
}

Runtime::Runtime(const CefSettings& settings, CefRefPtr<CefApp> app)
    : settings_(settings), app_(app), allClosed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

Runtime::~Runtime() = default;

bool Runtime::Start() {
    CefRefPtr<CefBrowserProcessHandler> browserHandler;
    if (app_) {
        CefRefPtr<CefCommandLine> commandLine = CommandLineImpl::FromProcess(false);
        app_->OnBeforeCommandLineProcessing(CefString(), commandLine);
        app_->OnRegisterCustomSchemes(new SchemeRegistrarImpl());
        renderHandler_ = app_->GetRenderProcessHandler();
        browserHandler = app_->GetBrowserProcessHandler();
    }
    if (!ui_.Start() || !renderer_.Start() || !io_.Start()) {
        return false;
    }
    if (!StartEngine()) {
        return false;
    }
    downloads_ = std::make_unique<DownloadManager>(*engine_);

    CefRefPtr<CefRenderProcessHandler> renderHandler = renderHandler_;
    ui_.Post([this, browserHandler, renderHandler] {
        CefRefPtr<ListValueImpl> extraInfo = new ListValueImpl();
        if (browserHandler) {
            browserHandler->OnContextInitialized();
            // The real library asks for the renderer's start-up values on its IO thread.
            RunOn(io_, [&] { browserHandler->OnRenderProcessThreadCreated(extraInfo.get()); });
        }
        // The renderer gets its own read-only copy, as if it had crossed into another process.
        CefRefPtr<ListValueImpl> received = extraInfo->ReadOnlyCopy();
        renderer_.Post([renderHandler, received] {
            if (renderHandler) {
                renderHandler->OnRenderThreadCreated(received.get());
                renderHandler->OnWebKitInitialized();
            }
        });
    });

    return true;
}

bool Runtime::StartEngine() {
    wchar_t name[32] = {};
    const DWORD length = GetEnvironmentVariableW(kEngineVariable, name, 32);
    const std::wstring engine = length < 32 ? std::wstring(name, length) : std::wstring(L"?");
    if (engine.empty() || engine == L"inprocess") {
        engine_ = std::make_unique<InProcessEngine>(*this, ui_);
        return true;
    }
    if (engine != L"chromium") {
        ReportEngineFailure(L"TESSEL_BROWSER names no engine (chromium or inprocess): " + engine);
        return false;
    }
    // Like the library, initialisation returns at once and the browser comes up behind it: its
    // start is the UI thread's first task, so every browser is made after it.
    auto chromium = std::make_unique<ChromiumEngine>(*this);
    ChromiumEngine* starting = chromium.get();
    engine_ = std::move(chromium);
    return ui_.Post([this, starting] {
        std::wstring error;
        if (!starting->Start(error)) {
            ReportEngineFailure(error);
        }
    });
}

void Runtime::ReportEngineFailure(const std::wstring& error) {
    // Never a silent stand-in: whoever runs the program must learn that the browser is missing.
    const std::wstring text = L"The browser could not be started.\n\n" + error;
    Refuse(WideToUtf8(error).c_str());
    MessageBoxW(nullptr, text.c_str(), L"Chromium", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void Runtime::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shuttingDown_ = true;
        if (browsers_.empty()) {
            SetEvent(allClosed_.get());
        }
    }
    if (engine_) {
        RunOn(ui_, [this] {
            for (const auto& browser : Browsers()) {
                if (HWND window = browser->GetWindowHandle()) {
                    DestroyWindow(window);
                }
            }
        });
        WaitPumping(allClosed_.get(), kCloseWaitMs);
        RunOn(ui_, [this] {
            downloads_->Clear();
            engine_->Shutdown();
        });
    }
    RunOn(renderer_, [] { V8ContextImpl::ClearEntered(); });
    renderer_.Stop();
    io_.Stop();
    ui_.Stop();
    std::map<int, CefRefPtr<BrowserImpl>> left;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        left.swap(browsers_);
    }
    left.clear();
    downloads_.reset();
    engine_.reset();
    renderHandler_ = nullptr;
    app_ = nullptr;
}

bool Runtime::CreateBrowserLater(const CefWindowInfo& info, CefRefPtr<CefClient> client,
                                 const std::wstring& url, const CefBrowserSettings& settings) {
    ++pendingCreations_;
    const bool posted = ui_.Post([this, info, client, url, settings] {
        CreateBrowserNow(info, client, url, settings, false, nullptr);
        --pendingCreations_;
    });
    if (!posted) {
        --pendingCreations_;
    }
    return posted;
}

CefRefPtr<BrowserImpl> Runtime::CreateBrowserNow(const CefWindowInfo& info,
                                                 CefRefPtr<CefClient> client,
                                                 const std::wstring& url,
                                                 const CefBrowserSettings& settings, bool popup,
                                                 HWND opener) {
    int id;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (shuttingDown_) {
            return nullptr;
        }
        id = ++lastBrowserId_;
    }
    CefRefPtr<BrowserImpl> browser = new BrowserImpl(id, popup, opener, client, settings);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        browsers_[id] = browser;
    }
    // The main frame exists before the view: an engine may report the first document's events
    // while it is still making the view.
    browser->AddMainFrame(NextFrameId());
    const HWND window = engine_->CreateView(id, info);
    if (!window) {
        browser->DetachFrames();
        Unregister(id);
        return nullptr;
    }
    browser->Attach(window);
    if (renderHandler_) {
        CefRefPtr<CefRenderProcessHandler> handler = renderHandler_;
        renderer_.Post([handler, browser] { handler->OnBrowserCreated(browser.get()); });
    }
    if (client) {
        if (CefRefPtr<CefLifeSpanHandler> handler = client->GetLifeSpanHandler()) {
            handler->OnAfterCreated(browser.get());
        }
    }
    if (!url.empty()) {
        browser->Navigate(browser->FindFrame(0), url);
    }
    return browser;
}

void Runtime::Unregister(int browserId) {
    CefRefPtr<BrowserImpl> gone;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = browsers_.find(browserId);
    if (it != browsers_.end()) {
        gone = it->second;
        browsers_.erase(it);
    }
    if (shuttingDown_ && browsers_.empty()) {
        SetEvent(allClosed_.get());
    }
}

CefRefPtr<BrowserImpl> Runtime::FindBrowser(int browserId) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = browsers_.find(browserId);
    return it == browsers_.end() ? nullptr : it->second;
}

std::vector<CefRefPtr<BrowserImpl>> Runtime::Browsers() {
    std::vector<CefRefPtr<BrowserImpl>> browsers;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : browsers_) {
        browsers.push_back(entry.second);
    }
    return browsers;
}

bool Runtime::Busy() {
    if (pendingCreations_ > 0 || downloads_->AnyRunning()) {
        return true;
    }
    for (const auto& browser : Browsers()) {
        const BrowserSnapshot snapshot = browser->Snapshot();
        if (snapshot.loading || snapshot.closing) {
            return true;
        }
    }
    return false;
}

void Runtime::SetSaveDialogAnswer(bool scripted, const std::wstring& answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    scriptedSave_ = scripted;
    saveAnswer_ = answer;
}

bool Runtime::ScriptedSaveAnswer(std::wstring& proposalInOut) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!scriptedSave_) {
        return false;
    }
    lastSaveProposal_ = proposalInOut;
    proposalInOut = saveAnswer_;
    return true;
}

std::wstring Runtime::LastSaveProposal() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastSaveProposal_;
}

void Runtime::OnLoadFinished(int64 navigationId, const LoadResult& result) {
    auto it = navigations_.find(navigationId);
    if (it == navigations_.end()) {
        return;
    }
    if (CefRefPtr<BrowserImpl> browser = FindBrowser(it->second)) {
        browser->OnLoadFinished(navigationId, result);
    }
}

void Runtime::OnPageNavigationStarted(int browserId, int64 frameId, int64 navigationId,
                                      const std::wstring& url) {
    if (CefRefPtr<BrowserImpl> browser = FindBrowser(browserId)) {
        browser->OnPageNavigationStarted(browser->FindFrame(frameId), navigationId, url);
    }
}

void Runtime::OnLoadEnded(int64 navigationId, int httpStatus, const std::wstring& title) {
    auto it = navigations_.find(navigationId);
    if (it == navigations_.end()) {
        return;
    }
    if (CefRefPtr<BrowserImpl> browser = FindBrowser(it->second)) {
        browser->OnLoadEnded(navigationId, httpStatus, title);
    }
}

void Runtime::OnTitleChanged(int browserId, const std::wstring& title) {
    if (CefRefPtr<BrowserImpl> browser = FindBrowser(browserId)) {
        browser->OnTitleChanged(title);
    }
}

void Runtime::OnFrameDetached(int browserId, int64 frameId) {
    if (CefRefPtr<BrowserImpl> browser = FindBrowser(browserId)) {
        browser->DetachPageFrame(frameId);
    }
}

void Runtime::OnDownloadProgress(uint32 downloadId, int64 received, int64 total) {
    downloads_->OnProgress(downloadId, received, total);
}

void Runtime::OnDownloadFinished(uint32 downloadId, bool complete) {
    downloads_->OnFinished(downloadId, complete);
}

void Runtime::OnContextMenuRequested(int browserId, POINT clientPoint) {
    if (CefRefPtr<BrowserImpl> browser = FindBrowser(browserId)) {
        browser->RunContextMenu(clientPoint, nullptr);
    }
}

void Runtime::OnViewCloseRequested(int browserId) {
    if (CefRefPtr<BrowserImpl> browser = FindBrowser(browserId)) {
        browser->RequestClose();
    }
}

void Runtime::OnViewDestroyed(int browserId) {
    if (CefRefPtr<BrowserImpl> browser = FindBrowser(browserId)) {
        browser->OnViewDestroyed();
    }
}

void Runtime::OnPageProcessEnded(int browserId, cef_termination_status_t status) {
    if (CefRefPtr<BrowserImpl> browser = FindBrowser(browserId)) {
        browser->OnPageProcessEnded(status);
    }
}

void Runtime::OnEngineFailed(const std::wstring& error) {
    ReportEngineFailure(error);
}

}  // namespace cefimpl

using cefimpl::Runtime;

int CefExecuteProcess(const CefMainArgs&, CefRefPtr<CefApp> application, void*) {
    CefRefPtr<cefimpl::CommandLineImpl> commandLine = cefimpl::CommandLineImpl::FromProcess(false);
    const CefString processType = commandLine->GetSwitchValue("type");
    if (processType.empty()) {
        return -1;
    }
    // A sub-process role: everything runs inside the application process here, so there is no
    // work for it beyond the hooks every process offers the application.
    if (application) {
        application->OnBeforeCommandLineProcessing(processType, commandLine.get());
        application->OnRegisterCustomSchemes(new cefimpl::SchemeRegistrarImpl());
    }
    return 0;
}

bool CefBrowserHost::CreateBrowser(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                                   const CefString& url, const CefBrowserSettings& settings,
                                   CefRefPtr<CefRequestContext>) {
    Runtime* runtime = Runtime::Get();
    if (!runtime || windowInfo.windowless_rendering_enabled) {
        return false;
    }
    return runtime->CreateBrowserLater(windowInfo, client, url.ToWString(), settings);
}

bool CefCurrentlyOn(CefThreadId threadId) {
    switch (threadId) {
        case TID_UI:
            return cefimpl::OnUiThread();
        case TID_RENDERER:
            return cefimpl::OnRendererThread();
        case TID_IO:
            return cefimpl::OnIoThread();
        default:
            return false;
    }
}

bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task) {
    Runtime* runtime = Runtime::Get();
    if (!runtime || !task) {
        return false;
    }
    cefimpl::Task run = [task] { task->Execute(); };
    switch (threadId) {
        case TID_UI:
            return runtime->ui().Post(run);
        case TID_RENDERER:
            return runtime->renderer().Post(run);
        case TID_IO:
            return runtime->io().Post(run);
        default:
            return false;
    }
}
