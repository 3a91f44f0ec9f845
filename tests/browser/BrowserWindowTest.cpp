#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "BkDialogImpl.h"
#include "BkPngPool.h"
#include "BkSkinResources.h"
#include "CefTestSupport.h"
#include "CodePage.h"
#include "MsgBox.h"
#include "MyCef.h"
#include "PageDriver.h"
#include "ShellFolderRedirect.h"
#include "TempFolder.h"
#include "TestServer.h"

namespace {

// What the client handler reported, in order.
class ListenerRecord : public ClientBrowserHandlerListener {
public:
    void OnLoadStateChanged(BrowserLoadState state) override {
        const std::lock_guard<std::mutex> guard(lock_);
        states_.push_back(state);
    }
    void OnPopupText(const std::string* text) override {
        const std::lock_guard<std::mutex> guard(lock_);
        texts_.push_back(*text);
    }
    std::vector<int> States() {
        const std::lock_guard<std::mutex> guard(lock_);
        return states_;
    }
    std::vector<std::string> Texts() {
        const std::lock_guard<std::mutex> guard(lock_);
        return texts_;
    }

private:
    std::mutex lock_;
    std::vector<int> states_;
    std::vector<std::string> texts_;
};

SIZE ClientSize(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

class BrowserWindow : public ::testing::Test {
protected:
    void SetUp() override {
        parent = std::make_unique<ParentWindow>();
        ASSERT_TRUE(StartLibrary());
        host = std::make_unique<CMyCef>();
        ASSERT_TRUE(host->Create(parent->get(), nullptr, WS_CHILD | WS_VISIBLE, 2900));
    }

    // The handler keeps its current browser until it goes itself, with the host->
    void TearDown() override {
        CefShutdown();
        host.reset();
        parent.reset();
        // A page fetch still resolving its host name when the library shut down lets go of its
        // browser and frame only when the lookup returns.
        WaitFor([] { return cefdriver::CountLiveObjects().total() == 0; }, 30000);
        const cefdriver::LiveObjects live = cefdriver::CountLiveObjects();
        EXPECT_EQ(0, live.total())
            << live.browsers << " browsers, " << live.frames << " frames, " << live.v8Contexts
            << " contexts, " << live.v8Values << " values, " << live.others << " others";
    }

    // Opens the browser on `url` and waits until it exists and has loaded.
    CefRefPtr<CefBrowser> Open(const std::string& url) {
        host->CreateBrowser(url);
        EXPECT_TRUE(WaitFor([&] { return host->GetHandler()->GetBrowser() != nullptr; }));
        EXPECT_TRUE(cefdriver::WaitUntilIdle(20000, 1));
        return host->GetHandler()->GetBrowser();
    }

    std::unique_ptr<ParentWindow> parent;
    std::unique_ptr<CMyCef> host;
    ListenerRecord record;
};

TEST_F(BrowserWindow, BrowserIsFittedWhenCreatedAndOnEveryNonEmptySize) {
    // A size before the browser exists changes nothing and breaks nothing.
    SetWindowPos(host->m_hWnd, nullptr, 0, 0, 320, 240, SWP_NOZORDER);
    CefRefPtr<CefBrowser> browser = Open(TestServerUrl("/empty"));
    ASSERT_TRUE(browser);
    const HWND view = browser->GetHost()->GetWindowHandle();
    EXPECT_EQ(host->m_hWnd, GetParent(view));
    ASSERT_TRUE(WaitFor([&] { return ClientSize(view).cx == 320; }));
    EXPECT_EQ(240, ClientSize(view).cy);

    SetWindowPos(host->m_hWnd, nullptr, 0, 0, 500, 400, SWP_NOZORDER);
    EXPECT_EQ(500, ClientSize(view).cx);
    EXPECT_EQ(400, ClientSize(view).cy);

    SetWindowPos(host->m_hWnd, nullptr, 0, 0, 0, 400, SWP_NOZORDER);
    EXPECT_EQ(500, ClientSize(view).cx) << "an empty size leaves the browser as it was";
    EXPECT_EQ(400, ClientSize(view).cy);
}

TEST_F(BrowserWindow, TheHostShowsTheWindowColourWhereNoChildCoversIt) {
    ShowWindow(parent->get(), SW_SHOWNOACTIVATE);
    SetWindowPos(host->m_hWnd, nullptr, 0, 0, 320, 240, SWP_NOZORDER);
    // A child over the host's top-left corner, as the browser's window will be, that never
    // paints: what is in its place shows who painted there.
    WNDCLASSW coverClass = {};
    coverClass.lpfnWndProc = DefWindowProcW;
    coverClass.lpszClassName = L"UnpaintedCover";
    RegisterClassW(&coverClass);
    const HWND cover = CreateWindowExW(0, L"UnpaintedCover", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100,
                                       100, host->m_hWnd, nullptr, nullptr, nullptr);
    ASSERT_TRUE(cover);
    UpdateWindow(parent->get());
    const COLORREF stale = RGB(10, 200, 10);
    const HDC dc = GetDC(host->m_hWnd);
    const HBRUSH brush = CreateSolidBrush(stale);
    const RECT all = {0, 0, 320, 240};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    InvalidateRect(host->m_hWnd, nullptr, FALSE);
    UpdateWindow(host->m_hWnd);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetPixel(dc, 200, 150))
        << "where no browser covers it, the host shows the window colour, not what was there";
    EXPECT_EQ(stale, GetPixel(dc, 50, 50)) << "the host painted over its child";
    ReleaseDC(host->m_hWnd, dc);
    DestroyWindow(cover);
}

TEST_F(BrowserWindow, LoadStatesReachTheListenerWithErrorsOnce) {
    host->GetHandler()->SetListener(&record);
    const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
    CefRefPtr<CefBrowser> browser = Open(refused);
    ASSERT_TRUE(browser);
    EXPECT_EQ((std::vector<int>{0, 2}), record.States());
    browser->GetMainFrame()->LoadURL(TestServerUrl("/empty"));
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 1));
    EXPECT_EQ((std::vector<int>{0, 2, 0, 1}), record.States());
}

TEST_F(BrowserWindow, ALoadReplacedByAnotherIsNoError) {
    host->GetHandler()->SetListener(&record);
    host->CreateBrowser(TestServerUrl("/silent"));
    ASSERT_TRUE(WaitFor([&] { return !record.States().empty(); }));
    host->GetHandler()->GetBrowser()->GetMainFrame()->LoadURL(TestServerUrl("/empty"));
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 1));
    EXPECT_EQ((std::vector<int>{0, 1}), record.States());
}

TEST_F(BrowserWindow, PageMenuEndsWithDevToolsWhichOpensAsTheCurrentBrowser) {
    CefRefPtr<CefBrowser> page = Open(TestServerUrl("/empty"));
    ASSERT_TRUE(page);
    const cefdriver::MenuResult menu =
        cefdriver::RightClick(page->GetIdentifier(), 10, 10, ID_OPEN_DEVTOOLS);
    ASSERT_TRUE(menu.shown);
    ASSERT_GE(menu.items.size(), 3u);
    EXPECT_EQ(MENUITEMTYPE_SEPARATOR, menu.items[menu.items.size() - 2].type);
    EXPECT_EQ(ID_OPEN_DEVTOOLS, menu.items.back().commandId);
    EXPECT_EQ(L"DevTools", menu.items.back().label);
    EXPECT_TRUE(menu.handledByClient);
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 2));
    CefRefPtr<CefBrowser> current = host->GetHandler()->GetBrowser();
    EXPECT_FALSE(current->IsSame(page));
    EXPECT_TRUE(current->IsPopup());
    wchar_t title[32] = {};
    GetWindowTextW(current->GetHost()->GetWindowHandle(), title, 32);
    EXPECT_STREQ(L"DevTools", title);

    // Another command is left to the library.
    EXPECT_FALSE(
        cefdriver::RightClick(page->GetIdentifier(), 10, 10, MENU_ID_PRINT).handledByClient);
}

TEST_F(BrowserWindow, HostKeepsFittingThePageNotTheDeveloperTools) {
    SetWindowPos(host->m_hWnd, nullptr, 0, 0, 320, 240, SWP_NOZORDER);
    CefRefPtr<CefBrowser> page = Open(TestServerUrl("/empty"));
    ASSERT_TRUE(page);
    cefdriver::RightClick(page->GetIdentifier(), 10, 10, ID_OPEN_DEVTOOLS);
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 2));
    CefRefPtr<CefBrowser> devTools = host->GetHandler()->GetBrowser();
    ASSERT_FALSE(devTools->IsSame(page));
    RECT before = {};
    GetWindowRect(devTools->GetHost()->GetWindowHandle(), &before);

    SetWindowPos(host->m_hWnd, nullptr, 0, 0, 500, 400, SWP_NOZORDER);
    const HWND pageWindow = page->GetHost()->GetWindowHandle();
    EXPECT_EQ(500, ClientSize(pageWindow).cx);
    EXPECT_EQ(400, ClientSize(pageWindow).cy);
    RECT after = {};
    GetWindowRect(devTools->GetHost()->GetWindowHandle(), &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "the developer tools window stays where it was";

    ASSERT_TRUE(cefdriver::Close(devTools->GetIdentifier(), false));
    ASSERT_TRUE(WaitFor([] { return cefdriver::GetState().browsers.size() == 1; }));
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 1));
    ASSERT_TRUE(host->GetHandler()->GetBrowser());
    EXPECT_TRUE(host->GetHandler()->GetBrowser()->IsSame(page))
        << "the closed developer tools stayed the current browser";
    SetWindowPos(host->m_hWnd, nullptr, 0, 0, 300, 200, SWP_NOZORDER);
    EXPECT_EQ(300, ClientSize(pageWindow).cx);
    EXPECT_EQ(200, ClientSize(pageWindow).cy);
}

TEST_F(BrowserWindow, AHostObjectThatGoesDetachesTheHandlerFromItsListener) {
    CefRefPtr<ClientBrowserHandler> handler = host->GetHandler();
    handler->SetListener(&record);
    host->CreateBrowser(TestServerUrl("/empty"));
    host.reset();  // window and object go while the library still makes and loads the browser
    const size_t statesAtReset = record.States().size();
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000));
    EXPECT_EQ(statesAtReset, record.States().size()) << "nothing reached the listener afterwards";
}

TEST_F(BrowserWindow, ABrowserThatArrivesAfterItsHostWentIsClosed) {
    host->CreateBrowser(TestServerUrl("/empty"));
    DestroyWindow(host->m_hWnd);
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000));
    EXPECT_TRUE(WaitFor([] { return cefdriver::GetState().browsers.empty(); }, 5000));
    EXPECT_EQ(0u, host->GetHandler()->GetBrowserCount());
}

TEST_F(BrowserWindow, NewWindowsOpenUnlessTheyAreForegroundTabs) {
    host->GetHandler()->SetListener(&record);
    CefRefPtr<CefBrowser> page = Open(TestServerUrl("/empty"));
    ASSERT_TRUE(page);
    const cefdriver::PopupResult tab =
        cefdriver::RequestNewWindow(page->GetIdentifier(), L"http://127.0.0.1/some/page?q=a+b%2Fc",
                                    WOD_NEW_FOREGROUND_TAB, true);
    EXPECT_TRUE(tab.cancelled);
    EXPECT_EQ(std::vector<std::string>{"http://127.0.0.1/some/page?q=a b/c"}, record.Texts());

    const cefdriver::PopupResult popup = cefdriver::RequestNewWindow(
        page->GetIdentifier(), Utf8ToWide(TestServerUrl("/empty")), WOD_NEW_POPUP, true);
    EXPECT_FALSE(popup.cancelled);
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 2));
    EXPECT_EQ(popup.browserId, host->GetHandler()->GetBrowser()->GetIdentifier());
}

TEST_F(BrowserWindow, DestroyingTheHostClosesTheBrowserWhichIsForgottenOnce) {
    CefRefPtr<CefBrowser> page = Open(TestServerUrl("/empty"));
    ASSERT_TRUE(page);
    EXPECT_EQ(1u, host->GetHandler()->GetBrowserCount());
    DestroyWindow(host->m_hWnd);
    EXPECT_EQ(0u, host->GetHandler()->GetBrowserCount()) << "closed before DestroyWindow returned";
    ASSERT_TRUE(WaitFor([] { return cefdriver::GetState().browsers.empty(); }));
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000));
    EXPECT_EQ(0u, host->GetHandler()->GetBrowserCount());
    EXPECT_FALSE(host->GetHandler()->GetBrowser()) << "a closed browser is not kept";
    EXPECT_FALSE(host->GetHandler()->GetHostedBrowser());
}

TEST_F(BrowserWindow, ClosingTheBrowserRemovesItOnceThroughBothCloseCallbacks) {
    CefRefPtr<CefBrowser> page = Open(TestServerUrl("/empty"));
    ASSERT_TRUE(page);
    cefdriver::RightClick(page->GetIdentifier(), 10, 10, ID_OPEN_DEVTOOLS);
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 2));
    EXPECT_EQ(2u, host->GetHandler()->GetBrowserCount());
    // The developer tools close through DoClose and then OnBeforeClose.
    ASSERT_TRUE(cefdriver::Close(host->GetHandler()->GetBrowser()->GetIdentifier(), false));
    ASSERT_TRUE(WaitFor([] { return cefdriver::GetState().browsers.size() == 1; }));
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 1));
    EXPECT_EQ(1u, host->GetHandler()->GetBrowserCount());
}

TEST_F(BrowserWindow, PageDownloadsProposeTheDocumentsFolder) {
    CefRefPtr<CefBrowser> page = Open(TestServerUrl("/empty"));
    ASSERT_TRUE(page);
    TempFolder folder;
    const std::wstring saved = folder.path() + L"\\saved.bin";
    cefdriver::AnswerSaveDialogs(saved);
    wchar_t documents[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents);

    cefdriver::StartDownload(page->GetIdentifier(), Utf8ToWide(TestServerUrl("/large?size=1000")),
                             L"report");
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 1));
    EXPECT_EQ(std::wstring(documents) + L"\\report.txt", cefdriver::LastSaveDialogProposal());
    EXPECT_EQ(1000u, ReadFileBytes(saved).size());

    cefdriver::StartDownload(page->GetIdentifier(), Utf8ToWide(TestServerUrl("/large?size=1000")),
                             L"a.b");
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 1));
    EXPECT_EQ(std::wstring(documents) + L"\\a.b", cefdriver::LastSaveDialogProposal());
    cefdriver::ShowSaveDialogs();
}

// The box on screen, if any, of those the popup handling shows.
CMsgBox* OpenBox() {
    for (const HWND window : OpenWindows()) {
        if (auto* box = dynamic_cast<CMsgBox*>(CBkWindowImplRoot::FromHandle(window))) {
            return IsWindowVisible(window) ? box : nullptr;
        }
    }
    return nullptr;
}

// The page keeps loading while the popup handling downloads a file slowly and then shows its
// box: the library's thread that asked is never held, and the box belongs to the main window.
TEST_F(BrowserWindow, ThePageStaysResponsiveWhileANewWindowsActionRuns) {
    BkPngPool::Instance();
    LoadSkinResources();
    TempFolder desktop;
    const ShellFolderRedirect redirect(L"Desktop", desktop.path());
    CefRefPtr<CefBrowser> page = Open(TestServerUrl("/empty"));
    ASSERT_TRUE(page);
    const HWND mainWindow = parent->get();

    const auto asked = cefdriver::RequestNewWindow(page->GetIdentifier(),
                                                   Utf8ToWide(TestServerUrl("/slow/8/report.xls")),
                                                   WOD_NEW_FOREGROUND_TAB, true);
    EXPECT_TRUE(asked.cancelled);
    for (const char* during : {"/empty?first", "/empty?second"}) {
        page->GetMainFrame()->LoadURL(TestServerUrl(during));
        ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 1));
        EXPECT_EQ(Utf8ToWide(TestServerUrl(during)), page->GetMainFrame()->GetURL().ToWString());
    }
    EXPECT_EQ(nullptr, OpenBox()) << "the download ended before the page loaded twice";
    const std::vector<std::wstring> during = FileNames(desktop.path());
    EXPECT_TRUE(std::find(during.begin(), during.end(), L"report.xls") == during.end())
        << "the file took its name before it was complete";

    ASSERT_TRUE(WaitFor([] { return OpenBox() != nullptr; }, 60000)) << "no box after the download";
    CMsgBox* box = OpenBox();
    EXPECT_EQ(L"文件已下载到桌面 - report.xls", box->GetMessageText());
    EXPECT_EQ(mainWindow, GetWindow(box->m_hWnd, GW_OWNER)) << "the box belongs to the main window";
    EXPECT_FALSE(IsWindowEnabled(mainWindow)) << "the main window waits for the box";
    EXPECT_NE(GetCurrentThreadId(), GetWindowThreadProcessId(box->m_hWnd, nullptr));
    page->GetMainFrame()->LoadURL(TestServerUrl("/empty?third"));
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000, 1)) << "the page stopped while the box is open";
    EXPECT_EQ(Utf8ToWide(TestServerUrl("/empty?third")),
              page->GetMainFrame()->GetURL().ToWString());

    PostMessageW(box->m_hWnd, WM_MSGBOX_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([] { return OpenBox() == nullptr; }));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(mainWindow) != FALSE; }));
    EXPECT_EQ(std::vector<std::wstring>{L"report.xls"}, FileNames(desktop.path()));
    EXPECT_EQ(8000u, ReadFileBytes(desktop.path() + L"\\report.xls").size());
}

}  // namespace
