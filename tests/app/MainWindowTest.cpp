#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "BkImageWnd.h"
#include "BkPngPool.h"
#include "BkSkinPool.h"
#include "BkSkinResources.h"
#include "CefTestSupport.h"
#include "DialogTestSupport.h"
#include "LogFile.h"
#include "MainDlg.h"
#include "MyAppModule.h"
#include "SingleInstance.h"
#include "PageDriver.h"
#include "Processes.h"
#include "TempFolder.h"

namespace {

void ClickElement(CMainDlg& window, int id) {
    const RECT rect = window.GetView().FindElement(id)->GetRect();
    ClickAt(window.GetView().m_hWnd, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

// The system's task-kill command cannot read process names on this machine (Wine runs under
// user-mode emulation here), so a recorder beside the test program takes its place: the program
// finds it first, as it would find the real one in the system folder.
class TaskKillRecorder {
public:
    TaskKillRecorder() {
        DeleteFileW(log_.c_str());
        installed_ = CopyFileW((ExecutableFolder() + L"taskkill_recorder.exe").c_str(),
                               command_.c_str(), FALSE) != FALSE;
    }
    ~TaskKillRecorder() {
        DeleteFileW(command_.c_str());
        DeleteFileW(log_.c_str());
    }
    bool installed() const { return installed_; }
    std::string Lines() const { return ReadFileBytes(log_); }

private:
    std::wstring command_ = ExecutableFolder() + L"TASKKILL.exe";
    std::wstring log_ = ExecutableFolder() + L"taskkill.log";
    bool installed_ = false;
};

// Removes the sibling program the test put in place, however the test ends.
class SiblingProgram {
public:
    // `program`: the test program installed as the sibling.
    explicit SiblingProgram(const wchar_t* program = L"install_waiter.exe") {
        CreateDirectoryW(L"C:\\Program Files (x86)", nullptr);
        CreateDirectoryW(folder_.c_str(), nullptr);
        installed_ =
            CopyFileW((ExecutableFolder() + program).c_str(), path_.c_str(), FALSE) != FALSE;
    }
    ~SiblingProgram() {
        DeleteFileW(path_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    bool installed() const { return installed_; }

private:
    std::wstring folder_ = L"C:\\Program Files (x86)\\Kestrel";
    std::wstring path_ = folder_ + L"\\Kestrel.exe";
    bool installed_ = false;
};

// Every main window ends with the task-kill commands: the recorder takes them, so that no test
// ends processes of the machine it runs on.
class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BkPngPool::Instance();
        LoadSkinResources();
        CWndShadow::InstallShadowSupport(GetModuleHandleW(nullptr));
    }

    void SetUp() override {
        ASSERT_TRUE(taskKill.installed());
        ASSERT_TRUE(StartLibrary());
    }

    void TearDown() override {
        CefShutdown();
        // A page fetch still resolving its host name when the library shut down lets go of its
        // browser and frame only when the lookup returns.
        WaitFor([] { return cefdriver::CountLiveObjects().total() == 0; }, 30000);
        const cefdriver::LiveObjects live = cefdriver::CountLiveObjects();
        EXPECT_EQ(0, live.total())
            << live.browsers << " browsers, " << live.frames << " frames, " << live.v8Contexts
            << " contexts, " << live.v8Values << " values, " << live.others << " others";
    }

    // Runs the main window modally; `step` runs once from its modal loop.
    INT_PTR Run(CMainDlg& window, const std::function<void(CMainDlg&)>& step) {
        return RunModalWithStep(window, nullptr, [&] { step(window); });
    }

    TaskKillRecorder taskKill;
};

TEST(MainWindowSize, NinetyPercentOfTheScreenTruncated) {
    const RECT full = InitialMainRect(1920, 1080);
    EXPECT_EQ(0, full.left);
    EXPECT_EQ(1728, full.right);
    EXPECT_EQ(972, full.bottom);
    const RECT small = InitialMainRect(1366, 768);
    EXPECT_EQ(1229, small.right);
    EXPECT_EQ(691, small.bottom);
}

TEST_F(MainWindow, OpensWithMarkerIconsPageAndBrowserAndClosesThroughItsCloseButton) {
    CMainDlg window(kMainLayout, RECT{0, 0, 800, 600});
    HWND marked = nullptr;
    bool layered = false, iconSet = false, pageShown = false, escapeIgnored = false;
    RECT slot = {}, browserRect = {};
    HWND hostParent = nullptr, view = nullptr;
    wchar_t title[32] = {};
    const INT_PTR code = Run(window, [&](CMainDlg& w) {
        marked =
            GetPropW(w.m_hWnd, kInstanceMarker) == reinterpret_cast<HANDLE>(1) ? w.m_hWnd : nullptr;
        GetWindowTextW(w.m_hWnd, title, 32);
        layered = (GetWindowLongW(w.m_hWnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
        iconSet = SendMessageW(w.m_hWnd, WM_GETICON, ICON_BIG, 0) != 0 &&
                  SendMessageW(w.m_hWnd, WM_GETICON, ICON_SMALL, 0) != 0;
        pageShown = w.GetCurrentPage() == 0 && w.GetView().FindElement(kFirstPage)->IsVisible(true);
        view = w.GetView().m_hWnd;
        const HWND host = w.GetPage().GetBrowserWindow().m_hWnd;
        hostParent = GetParent(host);
        GetWindowRect(host, &slot);
        MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&slot), 2);
        CefRefPtr<ClientBrowserHandler> handler = w.GetPage().GetBrowserWindow().GetHandler();
        WaitFor([&] {
            CefRefPtr<CefBrowser> browser = handler->GetBrowser();
            if (browser) {
                GetClientRect(browser->GetHost()->GetWindowHandle(), &browserRect);
            }
            return browserRect.right > 0;
        });
        RedrawWindow(w.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessages(300);
        SaveWindowShot(w.m_hWnd, ShadowParams{12, 12, 33, 0, 0, 0}, RGB(0xE0, 0xE0, 0xE0), 24,
                       ExecutableFolder() + L"..\\main-window.png");
        SendMessageW(w.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
        SendMessageW(w.m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
        // The next step runs only if the modal loop is still going after the keys.
        CMainDlg* const still = &w;
        QueueStep([&escapeIgnored, still] {
            escapeIgnored = true;
            ClickElement(*still, kCloseButton);
        });
    });
    EXPECT_EQ(kMainEndCode, code);
    EXPECT_NE(nullptr, marked);
    EXPECT_STREQ(L"Tessel", title);
    EXPECT_TRUE(layered);
    EXPECT_TRUE(iconSet);
    EXPECT_TRUE(pageShown);
    EXPECT_TRUE(escapeIgnored);
    EXPECT_EQ(view, hostParent);
    EXPECT_EQ(0, slot.left);
    EXPECT_EQ(32, slot.top);
    EXPECT_EQ(800, slot.right);
    EXPECT_EQ(599, slot.bottom);
    EXPECT_EQ(800, browserRect.right);
    EXPECT_EQ(567, browserRect.bottom);
    EXPECT_FALSE(window.GetPage().GetBrowserWindow().IsWindow()) << "the close path ends it";
    EXPECT_TRUE(WaitFor([] { return cefdriver::GetState().browsers.empty(); }));

    const std::string log = ReadFileBytes([] {
        const std::string name = g_logFile.GetLogFileName();
        return std::wstring(name.begin(), name.end());
    }());
    EXPECT_NE(std::string::npos, log.find("\xD6\xF7\xB4\xB0\xBF\xDA\xBD\xE1\xCA\xF8 : endDialog"));
}

TEST_F(MainWindow, MaximiseButtonTogglesAndSystemCloseEndsTheWindow) {
    CMainDlg window(kMainLayout, RECT{0, 0, 800, 600});
    bool maximized = false, restored = false, sameSkin = false;
    const INT_PTR code = Run(window, [&](CMainDlg& w) {
        ClickElement(w, kMaximizeButton);
        maximized = IsZoomed(w.m_hWnd) != FALSE;
        ClickElement(w, kMaximizeButton);
        restored = IsZoomed(w.m_hWnd) == FALSE;
        auto* button = static_cast<CBkImageWnd*>(w.GetView().FindElement(kMaximizeButton));
        sameSkin = button->GetSkinObject() == GetSkin("btnSysMax");
        PostMessageW(w.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(kMainEndCode, code);
    EXPECT_TRUE(maximized);
    EXPECT_TRUE(restored);
    EXPECT_TRUE(sameSkin);
}

TEST_F(MainWindow, MinimiseButtonMinimisesTheWindow) {
    CMainDlg window(kMainLayout, RECT{0, 0, 800, 600});
    bool minimized = false;
    const INT_PTR code = Run(window, [&](CMainDlg& w) {
        ClickElement(w, kMinimizeButton);
        minimized = IsIconic(w.m_hWnd) != FALSE;
        PostMessageW(w.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(kMainEndCode, code);
    EXPECT_TRUE(minimized);
}

TEST_F(MainWindow, PageSelectorsShowOnePageAndMarkTheirSelector) {
    CMainDlg window(0, RECT{0, 0, 800, 600});
    ASSERT_TRUE(window.SetXml(
        "<layer><text id=\"2100\" pos=\"0,0,100,30\">one</text>"
        "<text id=\"2101\" pos=\"100,0,200,30\">two</text>"
        "<dlg id=\"2000\" pos=\"0,40,-0,-0\"><realwnd id=\"2900\" pos=\"0,0,-0,-0\"/></dlg>"
        "<dlg id=\"2001\" pos=\"0,40,-0,-0\"/></layer>"));
    DWORD firstMark = 0, secondMark = 0;
    bool firstShown = true, secondShown = false;
    int page = -1;
    DWORD repeatedMark = 1;
    Run(window, [&](CMainDlg& w) {
        ClickElement(w, kFirstPageSelector + 1);
        page = w.GetCurrentPage();
        firstMark = w.GetView().FindElement(kFirstPageSelector)->GetState() & StateDisabled;
        secondMark = w.GetView().FindElement(kFirstPageSelector + 1)->GetState() & StateDisabled;
        firstShown = w.GetView().FindElement(kFirstPage)->IsVisible(true);
        secondShown = w.GetView().FindElement(kFirstPage + 1)->IsVisible(true);
        // Shown already: a repeat changes nothing, not even a mark cleared behind its back.
        w.GetView().FindElement(kFirstPageSelector + 1)->ModifyState(0, StateDisabled);
        w.SelectPage(1);
        repeatedMark = w.GetView().FindElement(kFirstPageSelector + 1)->GetState() & StateDisabled;
        PostMessageW(w.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(1, page);
    EXPECT_EQ(0u, firstMark);
    EXPECT_EQ(StateDisabled, secondMark);
    EXPECT_FALSE(firstShown);
    EXPECT_TRUE(secondShown);
    EXPECT_EQ(0u, repeatedMark);
}

// The window does not wait for the sibling program: one that becomes idle only after 20 s is
// still starting while the window already runs.
TEST_F(MainWindow, DoesNotWaitForTheSiblingProgramToStart) {
    SiblingProgram sibling(L"slow_sibling.exe");
    ASSERT_TRUE(sibling.installed());
    CMainDlg window(kMainLayout, RECT{0, 0, 800, 600});
    DWORD idle = WAIT_FAILED;
    Run(window, [&](CMainDlg& w) {
        WaitFor([] { return FindProcess(L"Kestrel.exe") != 0; }, 10000);
        if (const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE,
                                               FindProcess(L"Kestrel.exe"))) {
            idle = WaitForInputIdle(process, 0);
            CloseHandle(process);
        }
        CefRefPtr<ClientBrowserHandler> handler = w.GetPage().GetBrowserWindow().GetHandler();
        WaitFor([&] { return handler->GetBrowser() != nullptr; });
        ClickElement(w, kCloseButton);
    });
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), idle)
        << "the window waited for the sibling program to become idle";
    EXPECT_TRUE(WaitFor([] { return CountProcesses(L"Kestrel.exe") == 0; }));
}

TEST_F(MainWindow, StartsTheSiblingProgramAndEndsItAndEveryInstanceOfTheProgram) {
    SiblingProgram sibling;
    ASSERT_TRUE(sibling.installed());
    TempFolder temp;
    const std::wstring other = temp.path() + L"\\Tessel.exe";
    ASSERT_TRUE(
        CopyFileW((ExecutableFolder() + L"install_waiter.exe").c_str(), other.c_str(), FALSE));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION running = {};
    std::wstring command = L"\"" + other + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &running));
    CloseHandle(running.hThread);

    CMainDlg window(kMainLayout, RECT{0, 0, 800, 600});
    int siblings = 0;
    const INT_PTR code = Run(window, [&](CMainDlg& w) {
        WaitFor([] { return CountProcesses(L"Kestrel.exe") > 0; }, 10000);
        siblings = CountProcesses(L"Kestrel.exe");
        CefRefPtr<ClientBrowserHandler> handler = w.GetPage().GetBrowserWindow().GetHandler();
        WaitFor([&] { return handler->GetBrowser() != nullptr; });
        ClickElement(w, kCloseButton);
    });
    EXPECT_EQ(kMainEndCode, code);
    EXPECT_EQ(1, siblings);
    EXPECT_TRUE(WaitFor([&] { return taskKill.Lines().find("Tessel") != std::string::npos; }));
    EXPECT_EQ("/F /IM Kestrel.exe\r\n/F /IM Tessel.exe\r\n", taskKill.Lines());
    EXPECT_TRUE(WaitFor([] { return CountProcesses(L"Kestrel.exe") == 0; }));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(running.hProcess, 20000));
    CloseHandle(running.hProcess);
}

TEST(RunningInstance, OnlyAMarkerOfOneCountsAndTheWindowIsBroughtBack) {
    OwnerWindow foreign(0, 0, 50, 50);
    SetPropW(foreign.hwnd(), kInstanceMarker, reinterpret_cast<HANDLE>(2));
    EXPECT_FALSE(ActivateRunningInstance());

    OwnerWindow marked(0, 0, 60, 60, RGB(1, 2, 3));
    SetPropW(marked.hwnd(), kInstanceMarker, reinterpret_cast<HANDLE>(1));
    ShowWindow(marked.hwnd(), SW_MINIMIZE);
    ShowWindow(marked.hwnd(), SW_HIDE);
    EXPECT_TRUE(ActivateRunningInstance());
    EXPECT_TRUE(IsWindowVisible(marked.hwnd()));
    EXPECT_FALSE(IsIconic(marked.hwnd()));
    RemovePropW(marked.hwnd(), kInstanceMarker);
    RemovePropW(foreign.hwnd(), kInstanceMarker);
}

}  // namespace
