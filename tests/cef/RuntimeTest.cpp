#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "CefTestSupport.h"
#include "PageDriver.h"
#include "TempFolder.h"
#include "TestServer.h"

namespace {

using cefdriver::ScriptValue;

// The real library's IO thread asks these; every other callback of the browser side comes on its
// UI thread.
const std::set<std::string> kIoCallbacks = {"OnRenderProcessThreadCreated", "OnBeforePopup"};
const std::set<std::string> kRendererCallbacks = {
    "OnRenderThreadCreated", "OnWebKitInitialized", "OnBrowserCreated", "OnBrowserDestroyed",
    "OnBeforeNavigation",    "OnContextCreated",    "OnContextReleased"};

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

class CefRuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        mainThread = GetCurrentThreadId();
        parent = std::make_unique<ParentWindow>();
        app = new RecordingApp(log);
        client = new RecordingClient(log);
        ASSERT_TRUE(StartLibrary(app.get())) << "the browser library did not start";
    }

    // Every test ends as the program does: shutdown closes what is left, then nothing the
    // library made or was given may still be alive.
    void TearDown() override {
        CefShutdown();
        parent.reset();
        if (app) {
            app->ForgetContexts();
        }
        app = nullptr;
        client = nullptr;
        const cefdriver::LiveObjects live = cefdriver::CountLiveObjects();
        EXPECT_EQ(0, live.browsers);
        EXPECT_EQ(0, live.frames);
        EXPECT_EQ(0, live.v8Contexts);
        EXPECT_EQ(0, live.v8Values);
        EXPECT_EQ(0, live.others);
        EXPECT_EQ(0, RecordingClient::live);
        EXPECT_EQ(0, RecordingApp::live);
        EXPECT_EQ(0, RecordingApp::liveFunctions);
    }

    int OpenBrowser(const std::string& url) {
        const int before = log.Count("OnAfterCreated");
        CefWindowInfo info;
        info.SetAsChild(parent->get(), RECT{0, 0, 400, 300});
        EXPECT_TRUE(
            CefBrowserHost::CreateBrowser(info, client.get(), url, CefBrowserSettings(), nullptr))
            << "the library refused to create a browser for " << url;
        EXPECT_TRUE(WaitFor([&] { return log.Count("OnAfterCreated") > before; }))
            << "no browser was created for " << url;
        const auto created = log.Named("OnAfterCreated");
        return created.empty() ? 0 : created.back().browser;
    }

    // Every browser settled: none being created, loading or closing, and no download running.
    static ::testing::AssertionResult Idle() {
        if (cefdriver::WaitUntilIdle(20000)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the library did not settle within 20 s";
    }

    std::wstring MainUrl(int browser) {
        return client->Browser(browser)->GetMainFrame()->GetURL().ToWString();
    }

    DWORD mainThread = 0;
    EventLog log;
    std::unique_ptr<ParentWindow> parent;
    CefRefPtr<RecordingApp> app;
    CefRefPtr<RecordingClient> client;
};

TEST_F(CefRuntimeTest, CallbacksArriveOnTheLibraryThreadsNeverOnTheMainThread) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());

    const HWND window = client->Browser(id)->GetHost()->GetWindowHandle();
    EXPECT_EQ(parent->get(), GetParent(window)) << "a real child of the window info's parent";
    EXPECT_NE(mainThread, GetWindowThreadProcessId(window, nullptr));

    DWORD uiThread = 0;
    DWORD rendererThread = 0;
    for (const Event& event : log.All()) {
        EXPECT_NE(mainThread, event.thread) << event.name;
        if (kRendererCallbacks.count(event.name)) {
            EXPECT_TRUE(event.onRenderer) << event.name;
            rendererThread = event.thread;
        } else if (kIoCallbacks.count(event.name)) {
            EXPECT_TRUE(event.onIo) << event.name;
            EXPECT_FALSE(event.onUi || event.onRenderer) << event.name;
        } else {
            EXPECT_TRUE(event.onUi) << event.name;
            uiThread = event.thread;
        }
    }
    EXPECT_NE(uiThread, rendererThread);
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), uiThread);

    const auto threadCreated = log.Named("OnRenderThreadCreated");
    ASSERT_EQ(1u, threadCreated.size());
    EXPECT_EQ(L"from the browser side", threadCreated[0].text)
        << "the browser side fills the renderer's extra information";
    EXPECT_EQ(std::vector<std::string>({"OnRenderThreadCreated", "OnWebKitInitialized"}),
              log.Names({"OnRenderThreadCreated", "OnWebKitInitialized"}));
    EXPECT_EQ(1, log.Named("OnContextCreated").at(0).number) << "the new context is entered";
}

TEST_F(CefRuntimeTest, LoadReportsItsStepsInOrderWithTheHttpStatus) {
    const std::string url = TestServerUrl("/empty");
    const int id = OpenBrowser(url);
    ASSERT_TRUE(Idle());
    const std::vector<std::string> steps = {
        "Loading",       "OnAddressChange", "OnLoadStart", "OnContextCreated",
        "OnTitleChange", "OnLoadEnd",       "Loaded"};
    EXPECT_EQ(steps, log.Names(steps));
    EXPECT_EQ(200, log.Named("OnLoadEnd").at(0).number);
    EXPECT_EQ(Wide(url), log.Named("OnAddressChange").at(0).text);
    EXPECT_EQ(Wide(url), log.Named("OnTitleChange").at(0).text) << "a page without a title";
    EXPECT_EQ(0, log.Named("Loaded").at(0).number) << "nothing to go back to yet";
    const HWND window = client->Browser(id)->GetHost()->GetWindowHandle();
    EXPECT_GT(InkPixels(window), 100) << "the window shows what it loaded";

    log.Clear();
    client->Browser(id)->GetMainFrame()->LoadURL(TestServerUrl("/missing"));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(0, log.Count("OnLoadError")) << "an HTTP error status is a loaded page";
    EXPECT_EQ(404, log.Named("OnLoadEnd").at(0).number);
    EXPECT_EQ(1, log.Named("Loaded").at(0).number) << "the first page is in the history";
    EXPECT_TRUE(client->Browser(id)->CanGoBack()) << "the browser cannot go back to the first page";
}

TEST_F(CefRuntimeTest, LoadErrorsCarryTheLibraryCodes) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
    const std::string unknown = "http://no-such-host.invalid/";
    cefdriver::SetLoadTimeout(500);
    const std::string silent = TestServerUrl("/silent");
    const struct {
        std::string url;
        int code;
        const wchar_t* text;
    } cases[] = {{refused, ERR_CONNECTION_REFUSED, L"net::ERR_CONNECTION_REFUSED"},
                 {unknown, ERR_NAME_NOT_RESOLVED, L"net::ERR_NAME_NOT_RESOLVED"},
                 {silent, ERR_TIMED_OUT, L"net::ERR_TIMED_OUT"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        log.Clear();
        OpenBrowser(c.url);
        ASSERT_TRUE(Idle()) << "the failed load did not settle";
        const auto errors = log.Named("OnLoadError");
        ASSERT_EQ(1u, errors.size());
        EXPECT_EQ(c.code, errors[0].number);
        EXPECT_EQ(Wide(c.url) + L" " + c.text, errors[0].text);
        EXPECT_EQ(std::vector<std::string>({"Loading", "OnLoadError", "Loaded"}),
                  log.Names({"Loading", "OnLoadStart", "OnLoadEnd", "OnLoadError", "Loaded"}));
    }
}

TEST_F(CefRuntimeTest, NavigationThatReplacesARunningOneReportsAborted) {
    const std::string silent = TestServerUrl("/silent");
    const std::string empty = TestServerUrl("/empty");
    const int id = OpenBrowser(silent);
    ASSERT_TRUE(WaitFor([&] { return log.Count("Loading") == 1; }))
        << "the silent page did not start loading";
    client->Browser(id)->GetMainFrame()->LoadURL(empty);
    ASSERT_TRUE(Idle());

    EXPECT_EQ(
        std::vector<std::string>({"Loading", "OnLoadError", "OnLoadStart", "OnLoadEnd", "Loaded"}),
        log.Names({"Loading", "OnLoadError", "OnLoadStart", "OnLoadEnd", "Loaded"}));
    const Event aborted = log.Named("OnLoadError").at(0);
    EXPECT_EQ(ERR_ABORTED, aborted.number);
    EXPECT_EQ(Wide(silent) + L" net::ERR_ABORTED", aborted.text);
    EXPECT_EQ(Wide(empty), MainUrl(id));
}

TEST_F(CefRuntimeTest, EveryFrameHasItsOwnContextAndANewPageReleasesThem) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());
    const long long main = client->Browser(id)->GetMainFrame()->GetIdentifier();
    const long long child = cefdriver::AddFrame(id, main, L"child", L"about:blank");
    ASSERT_NE(0, child);
    ASSERT_TRUE(Idle());

    const auto created = log.Named("OnContextCreated");
    ASSERT_EQ(2u, created.size());
    EXPECT_EQ(main, created[0].frame);
    EXPECT_EQ(child, created[1].frame);
    std::vector<CefRefPtr<CefV8Context>> old = app->Contexts();
    ASSERT_EQ(2u, old.size());
    EXPECT_FALSE(old[0]->IsSame(old[1])) << "the two frames share one context";
    EXPECT_EQ(L"main", cefdriver::CallFunction(id, main, L"WhichFrame", {}).value.text);
    EXPECT_EQ(L"child", cefdriver::CallFunction(id, child, L"WhichFrame", {}).value.text);
    EXPECT_EQ(2, cefdriver::CountLiveObjects().v8Contexts);
    EXPECT_EQ(2, RecordingApp::liveFunctions.load());

    log.Clear();
    client->Browser(id)->GetMainFrame()->LoadURL(TestServerUrl("/empty?next"));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(
        std::vector<std::string>({"OnContextReleased", "OnContextReleased", "OnContextCreated"}),
        log.Names({"OnContextReleased", "OnContextCreated"}));
    const auto released = log.Named("OnContextReleased");
    EXPECT_EQ(child, released[0].frame);
    EXPECT_EQ(main, released[1].frame);
    EXPECT_EQ(1, released[0].number) << "still usable while the handler hears of it";
    EXPECT_FALSE(old[0]->IsValid()) << "the main frame's old context is still valid";
    EXPECT_FALSE(old[1]->IsValid()) << "the sub-frame's old context is still valid";
    EXPECT_EQ(1u, client->Browser(id)->GetFrameCount()) << "the sub-frame went with its page";
    EXPECT_FALSE(cefdriver::CallFunction(id, child, L"WhichFrame", {}).called)
        << "a function ran in the sub-frame that went with its page";

    old.clear();
    app->ForgetContexts();
    ASSERT_TRUE(Idle()) << "script objects go on the renderer thread";
    EXPECT_EQ(1, cefdriver::CountLiveObjects().v8Contexts);
    EXPECT_EQ(1, RecordingApp::liveFunctions.load()) << "the old pages' handlers are released";
}

TEST_F(CefRuntimeTest, DriverCallsGlobalFunctionsWithEveryScriptType) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());
    const std::vector<ScriptValue> values = {
        ScriptValue::String(L"文本 text"), ScriptValue::Number(1.5), ScriptValue::Number(7),
        ScriptValue::Bool(true),           ScriptValue::Null(),      ScriptValue::Undefined()};

    const auto described = cefdriver::CallFunction(id, 0, L"Describe", values);
    ASSERT_TRUE(described.called) << "Describe was not called";
    EXPECT_FALSE(described.threw) << "Describe threw: " << described.exception;
    EXPECT_EQ(ScriptValue::Type::String, described.value.type);
    EXPECT_EQ(L"string:文本 text,double:1.5,int:7,bool:true,null,undefined", described.value.text);

    for (size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE("Echo of argument " + std::to_string(i));
        const ScriptValue& value = values[i];
        const auto echoed = cefdriver::CallFunction(id, 0, L"Echo", {value});
        EXPECT_EQ(value.type, echoed.value.type);
        EXPECT_EQ(value.text, echoed.value.text);
        EXPECT_EQ(value.number, echoed.value.number);
        EXPECT_EQ(value.boolean, echoed.value.boolean);
    }

    const auto failed = cefdriver::CallFunction(id, 0, L"Fail", {});
    EXPECT_TRUE(failed.called) << "Fail was not called";
    EXPECT_TRUE(failed.threw) << "Fail did not throw";
    EXPECT_NE(std::wstring::npos, failed.exception.find(L"broken on purpose"));
    EXPECT_EQ(ScriptValue::Type::Undefined,
              cefdriver::CallFunction(id, 0, L"Nothing", {}).value.type);
    const auto absent = cefdriver::CallFunction(id, 0, L"Absent", {});
    EXPECT_FALSE(absent.called) << "a function that does not exist was called";
    EXPECT_FALSE(absent.error.empty()) << "calling a function that does not exist gave no error";
}

TEST_F(CefRuntimeTest, PageNavigationsAskTheRendererFirst) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());
    app->blockedUrl = Wide(TestServerUrl("/missing"));
    EXPECT_TRUE(cefdriver::Navigate(id, 0, app->blockedUrl).cancelled)
        << "the renderer did not cancel the blocked navigation";
    ASSERT_TRUE(Idle());
    EXPECT_EQ(Wide(TestServerUrl("/empty")), MainUrl(id));

    EXPECT_FALSE(cefdriver::Navigate(id, 0, Wide(TestServerUrl("/empty?next"))).cancelled)
        << "an allowed navigation was cancelled";
    ASSERT_TRUE(Idle());
    EXPECT_EQ(Wide(TestServerUrl("/empty?next")), MainUrl(id));
    const auto asked = log.Named("OnBeforeNavigation");
    ASSERT_EQ(2u, asked.size());
    EXPECT_EQ(NAVIGATION_LINK_CLICKED, asked[1].number);
}

TEST_F(CefRuntimeTest, PopupThatIsNotCancelledCreatesASecondBrowser) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());

    const auto tab = cefdriver::RequestNewWindow(id, Wide(TestServerUrl("/empty?tab")),
                                                 WOD_NEW_FOREGROUND_TAB, true);
    EXPECT_TRUE(tab.cancelled) << "the foreground tab was not cancelled";
    EXPECT_EQ(0, tab.browserId);
    EXPECT_EQ(1u, cefdriver::GetState().browsers.size());

    const std::wstring popupUrl = Wide(TestServerUrl("/empty?popup"));
    const auto popup = cefdriver::RequestNewWindow(id, popupUrl, WOD_NEW_POPUP, true);
    EXPECT_FALSE(popup.cancelled) << "the popup was cancelled";
    ASSERT_NE(0, popup.browserId);
    ASSERT_TRUE(Idle());

    const auto asked = log.Named("OnBeforePopup");
    ASSERT_EQ(2u, asked.size());
    for (const Event& event : asked) {
        EXPECT_TRUE(event.onIo) << "new windows are decided on the IO thread";
    }
    EXPECT_EQ(WOD_NEW_POPUP, asked[1].number);
    EXPECT_EQ(popupUrl, asked[1].text);
    EXPECT_EQ(id, asked[1].browser);
    EXPECT_EQ(2u, client->BrowserIds().size()) << "the popup is a browser of the same client";
    EXPECT_EQ(1, log.Named("OnAfterCreated").back().number) << "it knows it is a popup";
    const HWND window = client->Browser(popup.browserId)->GetHost()->GetWindowHandle();
    EXPECT_EQ(window, GetAncestor(window, GA_ROOT)) << "a top-level window";
    EXPECT_EQ(popupUrl, MainUrl(popup.browserId));
}

TEST_F(CefRuntimeTest, CloseBrowserRunsDoCloseThenClosesTheTopLevelWindow) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());
    client->Browser(id)->GetHost()->CloseBrowser(false);
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforeClose") == 1; }))
        << "the browser did not close";

    const std::vector<std::string> steps = {"DoClose", "OnContextReleased", "OnBrowserDestroyed",
                                            "OnBeforeClose"};
    EXPECT_EQ(steps, log.Names(steps));
    EXPECT_FALSE(IsWindow(parent->get())) << "the library closed its top-level window";
    EXPECT_TRUE(cefdriver::GetState().browsers.empty()) << "the driver still lists a browser";
    EXPECT_TRUE(client->BrowserIds().empty()) << "the client still holds a browser";
}

TEST_F(CefRuntimeTest, ClientKeepingTheBrowserInDoCloseLeavesItOpen) {
    client->keepOnDoClose = true;
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());
    client->Browser(id)->GetHost()->CloseBrowser(true);
    ASSERT_TRUE(WaitFor([&] { return log.Count("DoClose") == 1; })) << "DoClose was not called";
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(IsWindow(parent->get())) << "the window closed though the client kept the browser";
    EXPECT_EQ(0, log.Count("OnBeforeClose"));
    EXPECT_EQ(1u, cefdriver::GetState().browsers.size());
}

TEST_F(CefRuntimeTest, DestroyingTheParentClosesTheBrowserButNotItsPopups) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());
    const auto popup =
        cefdriver::RequestNewWindow(id, Wide(TestServerUrl("/empty?popup")), WOD_NEW_POPUP, true);
    ASSERT_NE(0, popup.browserId);
    ASSERT_TRUE(Idle());
    DestroyWindow(parent->get());
    EXPECT_EQ(1, log.Count("OnBeforeClose")) << "closed before DestroyWindow returned";
    EXPECT_EQ(id, log.Named("OnBeforeClose").front().browser);
    EXPECT_EQ(0, log.Count("DoClose"));
    ASSERT_EQ(1u, cefdriver::GetState().browsers.size()) << "the popup stays open";
    EXPECT_EQ(popup.browserId, cefdriver::GetState().browsers[0].id);
    EXPECT_TRUE(IsWindow(client->Browser(popup.browserId)->GetHost()->GetWindowHandle()))
        << "the popup's window went with the parent";
}

TEST_F(CefRuntimeTest, ShutdownClosesEveryBrowserLeft) {
    const int first = OpenBrowser(TestServerUrl("/empty"));
    OpenBrowser(TestServerUrl("/silent"));
    ASSERT_NE(0,
              cefdriver::RequestNewWindow(first, L"about:blank", WOD_NEW_WINDOW, true).browserId);
    cefdriver::AddFrame(first, 0, L"child", L"about:blank");
    CefShutdown();
    EXPECT_EQ(3, log.Count("OnBeforeClose"));
    EXPECT_EQ(3, log.Count("OnBrowserDestroyed"));
    EXPECT_FALSE(cefdriver::GetState().running) << "the library still runs after shutdown";
    EXPECT_FALSE(CefBrowserHost::CreateBrowser(CefWindowInfo(), client.get(), "about:blank",
                                               CefBrowserSettings(), nullptr))
        << "a browser was created after shutdown";
}

TEST_F(CefRuntimeTest, ContextMenuOffersTheLibraryItemsAndCarriesOutItsOwnCommands) {
    const std::wstring first = Wide(TestServerUrl("/empty?first"));
    const int id = OpenBrowser(TestServerUrl("/empty?first"));
    ASSERT_TRUE(Idle());
    client->Browser(id)->GetMainFrame()->LoadURL(TestServerUrl("/empty?second"));
    ASSERT_TRUE(Idle());

    const auto back = cefdriver::RightClick(id, 10, 20, MENU_ID_BACK);
    ASSERT_TRUE(back.shown) << "no context menu was shown";
    std::vector<int> ids;
    for (const auto& item : back.items) {
        ids.push_back(item.type == MENUITEMTYPE_SEPARATOR ? 0 : item.commandId);
    }
    EXPECT_EQ(std::vector<int>({MENU_ID_BACK, MENU_ID_FORWARD, 0, MENU_ID_PRINT,
                                MENU_ID_VIEW_SOURCE, 0, RecordingClient::kDevToolsCommand}),
              ids);
    EXPECT_TRUE(back.items[0].enabled) << "Back is disabled with a page to go back to";
    EXPECT_FALSE(back.items[1].enabled) << "nothing to go forward to";
    EXPECT_EQ(L"DevTools", back.items.back().label);
    EXPECT_EQ(MENU_ID_BACK, back.command);
    EXPECT_FALSE(back.handledByClient) << "the client took the library's Back command";
    ASSERT_TRUE(Idle());
    EXPECT_EQ(first, MainUrl(id)) << "the library went back itself";
    EXPECT_EQ(CM_TYPEFLAG_PAGE, log.Named("OnBeforeContextMenu").at(0).number);
    EXPECT_EQ(std::vector<std::string>(
                  {"OnBeforeContextMenu", "OnContextMenuCommand", "OnContextMenuDismissed"}),
              log.Names({"OnBeforeContextMenu", "OnContextMenuCommand", "OnContextMenuDismissed"}));

    const int loads = log.Count("Loading");
    EXPECT_EQ(0, cefdriver::RightClick(id, 0, 0, MENU_ID_RELOAD).command)
        << "a command that is not on the menu";
    ASSERT_TRUE(Idle());
    EXPECT_EQ(loads, log.Count("Loading"));

    const auto devTools = cefdriver::RightClick(id, 0, 0, RecordingClient::kDevToolsCommand);
    EXPECT_TRUE(devTools.handledByClient) << "the client did not handle its own command";
    ASSERT_TRUE(WaitFor([&] { return client->BrowserIds().size() == 2; }))
        << "the developer tools did not open";
    ASSERT_TRUE(Idle());
    const int devToolsId = client->BrowserIds().back();
    const HWND window = client->Browser(devToolsId)->GetHost()->GetWindowHandle();
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_EQ(std::wstring(L"DevTools"), title);
    EXPECT_EQ(window, GetAncestor(window, GA_ROOT));
    EXPECT_TRUE(client->Browser(devToolsId)->IsPopup()) << "the developer tools are not a popup";

    cefdriver::RightClick(id, 0, 0, RecordingClient::kDevToolsCommand);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(2u, client->BrowserIds().size()) << "open developer tools are brought forward";
}

TEST_F(CefRuntimeTest, RightClickShowsANativeMenuWhileTasksKeepRunning) {
    static std::atomic<bool> sawMenu{false};
    class EndMenuTask : public CefTask {
    public:
        void Execute() override {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            GetGUIThreadInfo(GetCurrentThreadId(), &info);
            sawMenu = sawMenu || (info.flags & GUI_INMENUMODE) != 0;
            EndMenu();
        }

    private:
        IMPLEMENT_REFCOUNTING(EndMenuTask);
    };
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());
    const HWND window = client->Browser(id)->GetHost()->GetWindowHandle();
    POINT at{30, 40};
    ClientToScreen(window, &at);
    PostMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(at.x, at.y));
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforeContextMenu") == 1; }))
        << "the right click showed no menu";
    // The menu's own modal loop runs on the UI thread now; tasks posted there must still arrive,
    // and one of them closes the menu.
    ASSERT_TRUE(WaitFor([&] {
        CefPostTask(TID_UI, new EndMenuTask());
        return log.Count("OnContextMenuDismissed") == 1;
    })) << "the menu was not dismissed";
    EXPECT_TRUE(sawMenu) << "a task ran inside the menu's loop";
    EXPECT_EQ(L"30,40", log.Named("OnBeforeContextMenu").at(0).text) << "in client coordinates";
    EXPECT_EQ(0, log.Count("OnContextMenuCommand"));
}

TEST_F(CefRuntimeTest, DownloadsGoThroughTheClientAndTheSaveDialog) {
    TempFolder temp;
    const int id = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_TRUE(Idle());
    const std::wstring direct = temp.path() + L"\\direct.bin";
    client->downloadPath = direct;
    const uint32 first =
        cefdriver::StartDownload(id, Wide(TestServerUrl("/large?size=100000")), L"large.bin");
    ASSERT_NE(0u, first);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(L"large.bin", log.Named("OnBeforeDownload").at(0).text);
    const auto complete = log.Named("DownloadComplete");
    ASSERT_EQ(1u, complete.size());
    EXPECT_EQ(direct, complete[0].text);
    EXPECT_EQ(100000, complete[0].bytes);
    const std::string bytes = ReadFileBytes(direct);
    ASSERT_EQ(100000u, bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 9973) {
        EXPECT_EQ(static_cast<char>(i % 251), bytes[i]) << "byte " << i;
    }

    log.Clear();
    const std::wstring proposed = temp.path() + L"\\proposed.bin";
    const std::wstring chosen = temp.path() + L"\\chosen.bin";
    client->downloadPath = proposed;
    client->showSaveDialog = true;
    cefdriver::AnswerSaveDialogs(chosen);
    cefdriver::StartDownload(id, Wide(TestServerUrl("/large?size=10")), L"small.bin");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(proposed, cefdriver::LastSaveDialogProposal());
    EXPECT_EQ(10u, ReadFileBytes(chosen).size());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(proposed.c_str()));

    log.Clear();
    cefdriver::AnswerSaveDialogs(L"");
    cefdriver::StartDownload(id, Wide(TestServerUrl("/large?size=10")), L"dismissed.bin");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(1, log.Count("DownloadCanceled")) << "the dialog was cancelled";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(proposed.c_str()));

    log.Clear();
    client->showSaveDialog = false;
    cefdriver::StartDownload(id, Wide(TestServerUrl("/missing")), L"missing.bin");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(1, log.Count("DownloadCanceled")) << "an HTTP error fails the download";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(proposed.c_str()));
}

}  // namespace
