// The library with the engine that drives a real Chromium: real pages from the loopback test
// server, in a real child window.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "../../cef/src/ChromiumView.h"
#include "../../cef/src/Text.h"
#include "CefTestSupport.h"
#include "PageDriver.h"
#include "TempFolder.h"
#include "TestServer.h"

namespace {

using cefimpl::Utf8ToWide;
using cefimpl::WideToUtf8;

// The engine's profile folders in the temporary folder, as full paths.
std::vector<std::wstring> ProfilePaths() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::vector<std::wstring> paths;
    WIN32_FIND_DATAW found;
    const HANDLE search =
        FindFirstFileW((std::wstring(temp) + L"tessel-chromium-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return paths;
    }
    do {
        paths.push_back(std::wstring(temp) + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return paths;
}

// A Windows path as the Linux side names it; empty when it has no such name.
std::string UnixPathOf(const std::wstring& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    const std::string text = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

// Runs a shell script on the Linux side and returns what it wrote to the file named by its first
// argument, up to its first line break; empty when it could not run.
std::string RunLinuxScript(const std::string& script) {
    using DosName = WCHAR*(CDECL*)(LPCSTR);
    const auto dosName = reinterpret_cast<DosName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring file = std::wstring(temp) + L"linux-script.sh";
    const std::wstring output = std::wstring(temp) + L"linux-script.out";
    DeleteFileW(output.c_str());
    WriteFileBytes(file, script);
    WCHAR* shell = dosName ? dosName("/bin/sh") : nullptr;
    std::wstring command =
        L"sh \"" + Utf8ToWide(UnixPathOf(file)) + L"\" \"" + Utf8ToWide(UnixPathOf(output)) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const bool started =
        shell && CreateProcessW(shell, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                nullptr, nullptr, &startup, &process);
    HeapFree(GetProcessHeap(), 0, shell);
    std::string text;
    // Wine gives no handle to wait on for a Linux process: its output tells when it is done.
    for (int waited = 0; started && text.empty() && waited < 10000; waited += 100) {
        Sleep(100);
        text = ReadFileBytes(output);
    }
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    DeleteFileW(output.c_str());
    DeleteFileW(file.c_str());
    return text.substr(0, text.find_first_of("\r\n"));
}

// The Linux mode of a file or folder as `stat` prints it (such as "700").
std::string LinuxMode(const std::wstring& path) {
    return RunLinuxScript("stat -c %a '" + UnixPathOf(path) + "' > \"$1\"\n");
}

// Sends a signal ("KILL", "STOP", "CONT") to the main process of the browser whose profile is
// `profile`: the browser, not its guard or its page processes.
bool SignalBrowser(const std::wstring& profile, const std::string& signal) {
    return RunLinuxScript("for p in $(pgrep -f -- '--user-data-dir=" + UnixPathOf(profile) +
                          "'); do\n"
                          "  case \"$(readlink /proc/$p/exe)\" in */chromium)\n"
                          "    grep -qa -- --type= /proc/$p/cmdline ||\n"
                          "      { kill -" +
                          signal +
                          " $p && echo sent > \"$1\"; };;\n"
                          "  esac\n"
                          "done\n"
                          "echo none >> \"$1\"\n") == "sent";
}

// "<n> listening of <m> processes": the listening TCP sockets (IPv4 and IPv6) held by the browser
// whose profile is `profile` and by every process under it; "none" when it does not run.
std::string BrowserListeners(const std::wstring& profile) {
    return RunLinuxScript(
        "main=''\n"
        "for p in $(pgrep -f -- '--user-data-dir=" +
        UnixPathOf(profile) +
        "'); do\n"
        "  case \"$(readlink /proc/$p/exe)\" in */chromium)\n"
        "    grep -qa -- --type= /proc/$p/cmdline || main=$p;;\n"
        "  esac\n"
        "done\n"
        "[ -n \"$main\" ] || { echo none > \"$1\"; exit; }\n"
        "pids=$main; queue=$main\n"
        "while [ -n \"$queue\" ]; do\n"
        "  next=''\n"
        "  for p in $queue; do next=\"$next $(pgrep -P $p | tr '\\n' ' ')\"; done\n"
        "  pids=\"$pids $next\"; queue=$(echo $next)\n"
        "done\n"
        "inodes=$(awk '$4 == \"0A\" { print $10 }' /proc/net/tcp /proc/net/tcp6 2>/dev/null)\n"
        "count=0\n"
        "for p in $pids; do for fd in /proc/$p/fd/*; do\n"
        "  link=$(readlink \"$fd\" 2>/dev/null) || continue\n"
        "  for i in $inodes; do [ \"$link\" = \"socket:[$i]\" ] && count=$((count + 1)); done\n"
        "done; done\n"
        "echo \"$count listening of $(echo $pids | wc -w) processes\" > \"$1\"\n");
}

// Whether something accepts connections on a loopback port.
bool Listens(unsigned short port) {
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(probe);
    WSACleanup();
    return connected;
}

// None is left once the browser ended.
int ProfileFolders() {
    return static_cast<int>(ProfilePaths().size());
}

// A pixel of a window as the screen shows it.
COLORREF ScreenPixel(HWND window, int x, int y) {
    POINT at{x, y};
    ClientToScreen(window, &at);
    const HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

// The screencast comes as JPEG: colours are near, not exact.
bool IsRed(COLORREF colour) {
    return GetRValue(colour) > 200 && GetGValue(colour) < 60 && GetBValue(colour) < 60;
}

// A left click where page script sees it: through the browser window's own mouse messages.
void Click(HWND view, int x, int y) {
    PostMessageW(view, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Holds up the thread it runs on, as a busy application's handler would.
class SleepTask : public CefTask {
public:
    explicit SleepTask(DWORD milliseconds) : milliseconds_(milliseconds) {}
    void Execute() override { Sleep(milliseconds_); }

private:
    DWORD milliseconds_;
    IMPLEMENT_REFCOUNTING(SleepTask);
};

class ChromiumEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"TESSEL_BROWSER", L"chromium");
        foldersBefore = ProfileFolders();
        parent = std::make_unique<ParentWindow>();
        app = new RecordingApp(log);
        client = new RecordingClient(log);
        ASSERT_TRUE(StartLibrary(app.get())) << "initialisation returns before the browser is up";
        // The browser comes up behind initialisation, as the library's processes do.
        ASSERT_TRUE(WaitFor([&] { return ProfileFolders() == foldersBefore + 1; }, 60000))
            << "the real engine starts with a profile of its own (Debian's chromium is installed "
               "by the prerequisites)";
    }

    void TearDown() override {
        CefShutdown();
        SetEnvironmentVariableW(L"TESSEL_BROWSER", nullptr);
        parent.reset();
        if (app) {
            app->ForgetContexts();
        }
        app = nullptr;
        client = nullptr;
        EXPECT_EQ(foldersBefore, ProfileFolders())
            << "the browser ended and its profile folder went with it";
        const cefdriver::LiveObjects live = cefdriver::CountLiveObjects();
        EXPECT_EQ(0, live.browsers);
        EXPECT_EQ(0, live.frames);
        EXPECT_EQ(0, live.v8Contexts);
        EXPECT_EQ(0, RecordingClient::live);
        EXPECT_EQ(0, RecordingApp::live);
        EXPECT_EQ(0, RecordingApp::liveFunctions);
    }

    int OpenBrowser(const std::string& url) {
        CefWindowInfo info;
        info.SetAsChild(parent->get(), RECT{0, 0, 400, 300});
        EXPECT_TRUE(
            CefBrowserHost::CreateBrowser(info, client.get(), url, CefBrowserSettings(), nullptr));
        EXPECT_TRUE(WaitFor([&] { return log.Count("OnAfterCreated") > 0; }, 60000));
        const auto created = log.Named("OnAfterCreated");
        return created.empty() ? 0 : created.back().browser;
    }

    bool LoadsEnded(int count) {
        return WaitFor(
            [&] {
                return log.Count("OnLoadEnd") + log.Count("OnLoadError") >= count &&
                       log.Count("Loaded") > 0;
            },
            60000);
    }

    int foldersBefore = 0;
    EventLog log;
    std::unique_ptr<ParentWindow> parent;
    CefRefPtr<RecordingApp> app;
    CefRefPtr<RecordingClient> client;
};

// The profile holds the user's session (cookies, storage): no other user of the machine may read
// it.
TEST_F(ChromiumEngineTest, TheProfileIsPrivateToTheUser) {
    ASSERT_NE(0, OpenBrowser(TestServerUrl("/empty")));
    ASSERT_TRUE(LoadsEnded(1));
    const std::vector<std::wstring> profiles = ProfilePaths();
    ASSERT_EQ(1u, profiles.size());
    EXPECT_EQ("700", LinuxMode(profiles[0])) << "the profile folder is open to others";
    EXPECT_EQ("700", LinuxMode(profiles[0] + L"\\Default")) << "what the browser made in it";
}

TEST_F(ChromiumEngineTest, LoadErrorsCarryTheLibraryCodes) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
    const int id = OpenBrowser(refused);
    ASSERT_TRUE(LoadsEnded(1));
    auto errors = log.Named("OnLoadError");
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(ERR_CONNECTION_REFUSED, errors[0].number);
    EXPECT_EQ(0, log.Count("OnLoadEnd")) << "the browser's own error page is no load";

    log.Clear();
    client->Browser(id)->GetMainFrame()->LoadURL("http://no-such-host.invalid/");
    ASSERT_TRUE(LoadsEnded(1));
    errors = log.Named("OnLoadError");
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(ERR_NAME_NOT_RESOLVED, errors[0].number);
}

TEST_F(ChromiumEngineTest, PageLoadsAndItsScriptCallsNativeFunctionsInEveryFrame) {
    const int id = OpenBrowser(TestServerUrl("/page"));
    ASSERT_TRUE(
        WaitFor([&] { return log.Count("OnLoadEnd") >= 2 && log.Count("Loaded") > 0; }, 60000))
        << "the page and its frame load";
    // Contexts are made on the renderer thread, the load events come on the UI thread: like the
    // library's two processes, the two orders are independent of each other.
    EXPECT_EQ((std::vector<std::string>{"Loading", "OnAddressChange", "OnLoadStart", "OnLoadStart",
                                        "OnLoadEnd", "OnLoadEnd", "Loaded"}),
              log.Names({"Loading", "OnAddressChange", "OnLoadStart", "OnLoadEnd", "Loaded"}))
        << "the frame ends before the page";
    EXPECT_EQ(2, log.Count("OnContextCreated")) << "the page and its frame have a context each";
    EXPECT_EQ(0, log.Count("OnContextReleased"))
        << "the news of a new document, whenever it comes, leaves that document's context alone";
    const auto ends = log.Named("OnLoadEnd");
    ASSERT_EQ(2u, ends.size());
    const long long mainFrame = ends[1].frame;
    const long long subFrame = ends[0].frame;
    EXPECT_EQ(200, ends[1].number) << "the page's HTTP status";
    EXPECT_EQ(Utf8ToWide(TestServerUrl("/page")), ends[1].text);
    EXPECT_EQ(Utf8ToWide(TestServerUrl("/frame")), ends[0].text);
    for (const auto& created : log.Named("OnContextCreated")) {
        EXPECT_TRUE(created.onRenderer) << "contexts are made on the renderer thread";
        EXPECT_EQ(1, created.number) << "the new context is the entered one";
    }

    const std::wstring expected =
        L"s:\u53d1\u7968|n:3.5|a:[1,\"x\",{\"k\":true,\"n\":null}]|"
        L"e:broken on purpose|l:zh-CN|f:side";
    ASSERT_TRUE(WaitFor(
        [&] {
            return client->Browser(id)->GetMainFrame()->GetURL().length() &&
                   !log.Named("OnTitleChange").empty() &&
                   log.Named("OnTitleChange").back().text == expected;
        },
        20000))
        << "a string, a number, an array and an exception came back to the page, the frame's "
           "name to the iframe, the page speaks the user's language; last title: "
        << (log.Named("OnTitleChange").empty()
                ? std::string("none")
                : WideToUtf8(log.Named("OnTitleChange").back().text));

    const HWND view = client->Browser(id)->GetHost()->GetWindowHandle();
    ShowWindow(parent->get(), SW_SHOWNOACTIVATE);
    EXPECT_TRUE(WaitFor([&] { return IsRed(ScreenPixel(view, 100, 100)); }, 20000))
        << "the page's red block is on the screen inside the browser window";
    EXPECT_FALSE(IsRed(ScreenPixel(view, 20, 20))) << "and only where the page draws it";

    log.Clear();
    client->Browser(id)->GetMainFrame()->LoadURL(TestServerUrl("/echo?text=next"));
    ASSERT_TRUE(LoadsEnded(1));
    std::vector<long long> released;
    for (const auto& event : log.Named("OnContextReleased")) {
        released.push_back(event.frame);
        EXPECT_EQ(1, event.number) << "a context is still valid while it is being released";
    }
    std::sort(released.begin(), released.end());
    EXPECT_EQ(
        (std::vector<long long>{std::min(mainFrame, subFrame), std::max(mainFrame, subFrame)}),
        released)
        << "the next document releases the page's and its frame's contexts";
    EXPECT_EQ(1, log.Count("OnContextCreated")) << "and brings a context of its own";
}

TEST_F(ChromiumEngineTest, NewWindowsReachTheClientAndCancelledOnesLeaveNothing) {
    const int id = OpenBrowser(TestServerUrl("/links"));
    ASSERT_TRUE(LoadsEnded(1));
    const HWND view = client->Browser(id)->GetHost()->GetWindowHandle();
    PostMessageW(view, WM_MOUSEMOVE, 0, MAKELPARAM(60, 30));
    EXPECT_TRUE(WaitFor(
        [&] { return cefimpl::chromiumview::CursorShape(view) == LoadCursorW(nullptr, IDC_HAND); },
        20000))
        << "over a link the window shows the hand";
    PostMessageW(view, WM_MOUSEMOVE, 0, MAKELPARAM(300, 250));
    EXPECT_TRUE(WaitFor(
        [&] { return cefimpl::chromiumview::CursorShape(view) == LoadCursorW(nullptr, IDC_ARROW); },
        20000))
        << "and the arrow again over the empty page";
    const int pagesBefore = cefdriver::BrowserPages();
    ASSERT_GT(pagesBefore, 0) << "the browser's DevTools endpoint lists its pages";

    Click(view, 60, 30);  // the target=_blank link
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforePopup") == 1; }, 30000));
    Click(view, 60, 80);  // window.open without features
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforePopup") == 2; }, 30000));
    const auto asked = log.Named("OnBeforePopup");
    EXPECT_TRUE(asked[0].onIo && asked[1].onIo) << "new windows are decided on the IO thread";
    EXPECT_EQ(WOD_NEW_FOREGROUND_TAB, asked[0].number) << "a target=_blank link opens a tab";
    EXPECT_EQ(Utf8ToWide(TestServerUrl("/echo?text=blank")), asked[0].text);
    EXPECT_EQ(WOD_NEW_FOREGROUND_TAB, asked[1].number) << "so does window.open without features";
    EXPECT_EQ(Utf8ToWide(TestServerUrl("/echo?text=plain")), asked[1].text);
    EXPECT_TRUE(WaitFor([&] { return cefdriver::BrowserPages() == pagesBefore; }, 20000))
        << "the cancelled windows are closed in the browser too";
    EXPECT_EQ(1u, client->BrowserIds().size());

    Click(view, 60, 130);  // window.open with features
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforePopup") == 3; }, 30000));
    EXPECT_EQ(WOD_NEW_POPUP, log.Named("OnBeforePopup")[2].number);
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const auto& end : log.Named("OnLoadEnd")) {
                if (end.browser != id &&
                    end.text == Utf8ToWide(TestServerUrl("/echo?text=popup"))) {
                    return true;
                }
            }
            return false;
        },
        30000))
        << "the allowed popup is a browser of its own that loads its page";
    EXPECT_EQ(2u, client->BrowserIds().size());
    EXPECT_EQ(pagesBefore + 1, cefdriver::BrowserPages());
}

// Only the bridge script's own request shape reaches the native side, once per document: a page's
// fetch, a GET, an image, another origin's request or a second context request are refused, and
// the page's functions keep working.
TEST_F(ChromiumEngineTest, RequestsOfOtherShapesToTheBridgeReachNothing) {
    OpenBrowser(TestServerUrl("/forged"));
    // The page goes on to a page of its answers.
    const std::wstring answers = Utf8ToWide(
        TestServerUrl("/echo?text=echo:a.again:404.get:404.cross:blocked.fetch:404.image.echo:b"));
    const auto reached = [&](const std::wstring& prefix) {
        for (const auto& end : log.Named("OnLoadEnd")) {
            if (end.text.compare(0, prefix.size(), prefix) == 0) {
                return end.text;
            }
        }
        return std::wstring();
    };
    EXPECT_TRUE(
        WaitFor([&] { return !reached(Utf8ToWide(TestServerUrl("/echo"))).empty(); }, 30000))
        << "the page did not finish";
    EXPECT_EQ(answers, reached(Utf8ToWide(TestServerUrl("/echo"))));
    EXPECT_EQ(2, log.Count("OnContextCreated")) << "one context for each of the two documents";
}

// A call too large for the engine's messages fails in the page, and the page and its functions go
// on working.
TEST_F(ChromiumEngineTest, AnOversizedNativeCallFailsAndTheNextOneWorks) {
    OpenBrowser(TestServerUrl("/bigcall"));
    const std::wstring echo = Utf8ToWide(TestServerUrl("/echo"));
    std::wstring reached;
    EXPECT_TRUE(WaitFor(
        [&] {
            for (const auto& end : log.Named("OnLoadEnd")) {
                if (end.text.compare(0, echo.size(), echo) == 0) {
                    reached = end.text;
                    return true;
                }
            }
            return false;
        },
        120000))
        << "the page did not go on";
    EXPECT_EQ(Utf8ToWide(TestServerUrl("/echo?text=threw.after")), reached);
}

// Opens the browser refuses (a sandboxed frame's) or that come without a gesture are no stand-ins
// for the next popup: the click's popup reaches the decision with its own address, and a browser
// made while that decision is pending gets a page of its own, not the popup's.
TEST_F(ChromiumEngineTest, EachPopupIsDecidedWithItsOwnRequest) {
    const int id = OpenBrowser(TestServerUrl("/refusedopens"));
    ASSERT_TRUE(LoadsEnded(2)) << "the page and its sandboxed frame load";
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforePopup") == 1; }, 30000))
        << "the open without a gesture reaches the decision too";
    client->createWhileDeciding = Utf8ToWide(TestServerUrl("/echo?text=other"));
    Click(client->Browser(id)->GetHost()->GetWindowHandle(), 60, 30);
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforePopup") == 2; }, 30000));
    const auto asked = log.Named("OnBeforePopup");
    EXPECT_EQ(Utf8ToWide(TestServerUrl("/echo?text=unasked")), asked[0].text);
    EXPECT_EQ(Utf8ToWide(TestServerUrl("/echo?text=clicked")), asked[1].text)
        << "the click's popup was decided with another request's address";
    EXPECT_EQ(WOD_NEW_POPUP, asked[1].number);
    const auto loadedIn = [&](const std::string& path) {
        for (const auto& end : log.Named("OnLoadEnd")) {
            if (end.text == Utf8ToWide(TestServerUrl(path))) {
                return end.browser;
            }
        }
        return 0;
    };
    ASSERT_TRUE(WaitFor(
        [&] { return loadedIn("/echo?text=clicked") && loadedIn("/echo?text=other"); }, 30000))
        << "the popup and the browser made meanwhile both load their pages";
    const auto created = log.Named("OnAfterCreated");
    ASSERT_EQ(3u, created.size());
    EXPECT_EQ(created[1].browser, loadedIn("/echo?text=other"))
        << "the browser made during the decision shows its own address";
    EXPECT_EQ(created[2].browser, loadedIn("/echo?text=clicked"));
    EXPECT_EQ(3u, client->BrowserIds().size());
}

// A page whose process crashes does not freeze on its last picture: its window shows the engine's
// page for it, the load under way fails, the client hears of it, and a reload or a navigation
// brings a page back.
TEST_F(ChromiumEngineTest, ACrashedPageSaysSoAndComesBack) {
    const int id = OpenBrowser(TestServerUrl("/block?stuck=1"));
    CefRefPtr<CefBrowser> browser = client->Browser(id);
    const HWND view = browser->GetHost()->GetWindowHandle();
    ShowWindow(parent->get(), SW_SHOWNOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return IsRed(ScreenPixel(view, 100, 100)); }, 20000));
    EXPECT_TRUE(browser->IsLoading()) << "the page's image never comes";
    log.Clear();
    ASSERT_TRUE(cefdriver::CrashPage(id));
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnRenderProcessTerminated") == 1; }, 20000))
        << "the client was not told that the page's process ended";
    EXPECT_EQ(TS_PROCESS_CRASHED, log.Named("OnRenderProcessTerminated")[0].number);
    EXPECT_EQ(ERR_ABORTED, log.Named("OnLoadError").at(0).number) << "the load under way fails";
    EXPECT_FALSE(browser->IsLoading());
    EXPECT_EQ(1, log.Count("OnContextReleased")) << "the crashed document's context goes";
    EXPECT_TRUE(WaitFor(
        [&] { return ScreenPixel(view, 100, 100) == cefimpl::chromiumview::kCrashedBackground; },
        20000))
        << "the window still shows the crashed page's last picture";

    log.Clear();
    browser->Reload();
    EXPECT_TRUE(WaitFor([&] { return IsRed(ScreenPixel(view, 100, 100)); }, 20000))
        << "a reload does not paint the page again";
    EXPECT_TRUE(WaitFor([&] { return log.Count("OnContextCreated") == 1; }, 20000))
        << "the reloaded document gets a context";
    log.Clear();
    browser->GetMainFrame()->LoadURL(TestServerUrl("/echo?text=next"));
    ASSERT_TRUE(LoadsEnded(1));
    EXPECT_EQ(1, log.Count("OnLoadEnd")) << "a navigation ends in a load, not an error";
}

// A browser process that dies (killed here) is started again: the client hears that the page's
// process went, every open browser loads its last address again in the new browser, and new
// browsers can be made.
TEST_F(ChromiumEngineTest, ABrowserThatDiesIsStartedAgainWithItsPages) {
    const int id = OpenBrowser(TestServerUrl("/block"));
    ASSERT_TRUE(LoadsEnded(1));
    const HWND view = client->Browser(id)->GetHost()->GetWindowHandle();
    ShowWindow(parent->get(), SW_SHOWNOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return IsRed(ScreenPixel(view, 100, 100)); }, 20000));
    const std::vector<std::wstring> before = ProfilePaths();
    ASSERT_EQ(1u, before.size());
    log.Clear();
    ASSERT_TRUE(SignalBrowser(before[0], "KILL")) << "the browser's main process was not found";
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnRenderProcessTerminated") == 1; }, 30000))
        << "the client was not told that the page's process ended";
    const auto reloaded = [&] {
        for (const auto& end : log.Named("OnLoadEnd")) {
            if (end.browser == id && end.text == Utf8ToWide(TestServerUrl("/block"))) {
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(WaitFor(reloaded, 60000)) << "the page did not load again";
    EXPECT_TRUE(WaitFor([&] { return IsRed(ScreenPixel(view, 100, 100)); }, 20000))
        << "the page is painted again";
    const std::vector<std::wstring> after = ProfilePaths();
    ASSERT_EQ(1u, after.size()) << "one browser runs, with a fresh profile";
    EXPECT_NE(before[0], after[0]);

    log.Clear();
    const int second = OpenBrowser(TestServerUrl("/echo?text=again"));
    EXPECT_NE(id, second);
    ASSERT_TRUE(LoadsEnded(1));
    EXPECT_EQ(1, log.Count("OnLoadEnd")) << "a browser made after the restart loads its page";
}

// A page that goes back in its history shows its earlier document as a load of its own: the load
// ends and the document has a context.
TEST_F(ChromiumEngineTest, APageThatGoesBackLoadsAndGetsAContext) {
    const int id = OpenBrowser(TestServerUrl("/block"));
    ASSERT_TRUE(LoadsEnded(1));
    log.Clear();
    client->Browser(id)->GetMainFrame()->LoadURL(TestServerUrl("/back"));
    const std::wstring block = Utf8ToWide(TestServerUrl("/block"));
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const auto& end : log.Named("OnLoadEnd")) {
                if (end.text == block) {
                    return true;
                }
            }
            return false;
        },
        30000))
        << "going back left the page loading";
    EXPECT_TRUE(WaitFor([&] { return !client->Browser(id)->IsLoading(); }, 20000));
    EXPECT_TRUE(WaitFor([&] { return log.Count("OnContextCreated") == 2; }, 20000))
        << "the document it went back to has no context";
    EXPECT_EQ(block, client->Browser(id)->GetMainFrame()->GetURL().ToWString());
}

// A page's frames follow its events, not the pace of the UI thread: with the UI thread held up
// while a page with an iframe loads, the iframe is still there, loads and gets its context.
TEST_F(ChromiumEngineTest, ANewDocumentsFrameSurvivesASlowUiThread) {
    const int id = OpenBrowser(TestServerUrl("/block"));
    ASSERT_TRUE(LoadsEnded(1));
    log.Clear();
    client->Browser(id)->GetMainFrame()->LoadURL(TestServerUrl("/page"));
    ASSERT_TRUE(WaitFor([&] { return log.Count("Loading") > 0; }, 20000));
    ASSERT_TRUE(CefPostTask(TID_UI, new SleepTask(3000)));
    ASSERT_TRUE(LoadsEnded(2)) << "the page or its frame did not finish loading";
    EXPECT_EQ(2, log.Count("OnLoadEnd"));
    EXPECT_TRUE(WaitFor([&] { return log.Count("OnContextCreated") == 2; }, 20000))
        << "the frame got no context";
    std::vector<int64> frames;
    client->Browser(id)->GetFrameIdentifiers(frames);
    EXPECT_EQ(2u, frames.size()) << "the library lost the page's frame";
}

// Making a browser waits for the browser engine without stopping the library's UI thread: while
// the engine does not answer, the windows of that thread still answer their messages.
TEST_F(ChromiumEngineTest, MakingABrowserKeepsTheUiThreadAnswering) {
    const int id = OpenBrowser(TestServerUrl("/block"));
    ASSERT_TRUE(LoadsEnded(1));
    const HWND view = client->Browser(id)->GetHost()->GetWindowHandle();
    const std::vector<std::wstring> profiles = ProfilePaths();
    ASSERT_EQ(1u, profiles.size());
    ASSERT_TRUE(SignalBrowser(profiles[0], "STOP"));
    CefWindowInfo info;
    info.SetAsChild(parent->get(), RECT{0, 0, 400, 300});
    EXPECT_TRUE(CefBrowserHost::CreateBrowser(info, client.get(), TestServerUrl("/echo?text=late"),
                                              CefBrowserSettings(), nullptr));
    // The UI thread is making the browser by then; its window tells the parent of its birth.
    WaitFor([] { return false; }, 1000);
    DWORD_PTR answer = 0;
    const bool answered =
        SendMessageTimeoutW(view, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer) != 0;
    SignalBrowser(profiles[0], "CONT");
    EXPECT_TRUE(answered) << "the UI thread stopped dispatching while it waited for the engine";
    EXPECT_TRUE(WaitFor([&] { return log.Count("OnAfterCreated") == 2; }, 30000))
        << "the browser is made once the engine answers";
}

// No local program can drive the browser: none of its processes listens on any port, yet the
// DevTools window still opens on the page and talks to it.
TEST_F(ChromiumEngineTest, NothingListensAndDevToolsStillOpen) {
    const int id = OpenBrowser(TestServerUrl("/block"));
    ASSERT_TRUE(LoadsEnded(1));
    const std::vector<std::wstring> profiles = ProfilePaths();
    ASSERT_EQ(1u, profiles.size());
    const std::string listeners = BrowserListeners(profiles[0]);
    EXPECT_EQ(0u, listeners.find("0 listening of ")) << listeners;
    EXPECT_EQ(std::string::npos, listeners.find(" of 1 processes"))
        << "the browser's page processes were not found: " << listeners;

    CefWindowInfo info;
    info.SetAsPopup(nullptr, "DevTools");
    info.style &= ~WS_VISIBLE;
    client->Browser(id)->GetHost()->ShowDevTools(info, client.get(), CefBrowserSettings(),
                                                 CefPoint());
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnAfterCreated") == 2; }, 30000));
    const int devTools = log.Named("OnAfterCreated")[1].browser;
    std::wstring frontEnd;
    EXPECT_TRUE(WaitFor(
        [&] {
            for (const auto& end : log.Named("OnLoadEnd")) {
                if (end.browser == devTools && end.text.find(L"devtools://devtools/") == 0) {
                    frontEnd = end.text;
                }
            }
            return !frontEnd.empty();
        },
        60000))
        << "the DevTools window did not load the browser's front end";
    const size_t port = frontEnd.find(L"ws=127.0.0.1:");
    ASSERT_NE(std::wstring::npos, port) << WideToUtf8(frontEnd);
    const unsigned short relay = static_cast<unsigned short>(_wtoi(frontEnd.c_str() + port + 13));
    // Only the front end knows the relay's token; the relay stops listening once it is in.
    EXPECT_TRUE(WaitFor([&] { return !Listens(relay); }, 60000))
        << "the front end did not connect to the page";
    EXPECT_EQ(0u, BrowserListeners(profiles[0]).find("0 listening of "))
        << "something listens while the DevTools window is open";

    client->Browser(devTools)->GetHost()->CloseBrowser(true);
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforeClose") == 1; }, 30000));
    EXPECT_EQ(devTools, log.Named("OnBeforeClose")[0].browser);
    WaitFor([] { return false; }, 1000);
    EXPECT_EQ(std::vector<int>{id}, client->BrowserIds())
        << "closing the DevTools window closed the page it inspected";
}

// A popup whose script calls window.close() closes as its user would close it: DoClose, then
// OnBeforeClose, and the browser is gone.
TEST_F(ChromiumEngineTest, APopupThatClosesItselfGoesThroughTheCloseSequence) {
    const int id = OpenBrowser(TestServerUrl("/links"));
    ASSERT_TRUE(LoadsEnded(1));
    const int pagesBefore = cefdriver::BrowserPages();
    Click(client->Browser(id)->GetHost()->GetWindowHandle(), 60, 230);
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnAfterCreated") == 2; }, 30000))
        << "the popup was made";
    const int popup = log.Named("OnAfterCreated")[1].browser;
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforeClose") == 1; }, 30000))
        << "the popup that closed itself is still open";
    std::vector<std::string> sequence;
    for (const auto& event : log.All()) {
        if (event.browser == popup && (event.name == "DoClose" || event.name == "OnBeforeClose")) {
            sequence.push_back(event.name);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"DoClose", "OnBeforeClose"}), sequence);
    EXPECT_EQ(std::vector<int>{id}, client->BrowserIds());
    EXPECT_TRUE(WaitFor([&] { return cefdriver::BrowserPages() == pagesBefore; }, 20000));
}

TEST_F(ChromiumEngineTest, DownloadLinkSavesToTheClientsPath) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    client->downloadPath =
        std::wstring(temp) + L"tessel-download-" + std::to_wstring(GetCurrentProcessId()) + L".bin";
    DeleteFileW(client->downloadPath.c_str());
    const int id = OpenBrowser(TestServerUrl("/links"));
    ASSERT_TRUE(LoadsEnded(1));
    Click(client->Browser(id)->GetHost()->GetWindowHandle(), 60, 180);
    ASSERT_TRUE(WaitFor([&] { return log.Count("DownloadComplete") == 1; }, 60000))
        << "the download ends complete";
    EXPECT_EQ(L"data.bin", log.Named("OnBeforeDownload").at(0).text) << "the suggested name";
    const Event done = log.Named("DownloadComplete")[0];
    EXPECT_EQ(client->downloadPath, done.text);
    EXPECT_EQ(300000, done.bytes);
    FILE* file = _wfopen(client->downloadPath.c_str(), L"rb");
    ASSERT_NE(nullptr, file) << "the file is at the chosen path";
    std::string bytes(300001, '\0');
    bytes.resize(fread(&bytes[0], 1, bytes.size(), file));
    fclose(file);
    DeleteFileW(client->downloadPath.c_str());
    ASSERT_EQ(300000u, bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(static_cast<char>(i % 251), bytes[i]) << "byte " << i;
    }
}

// The engine with a proxy whose settings carry credentials: pages behind the proxy load, the
// credentials stand on no process's command line, and native calls still reach the page.
class ChromiumEngineBehindProxyTest : public ChromiumEngineTest {
protected:
    void SetUp() override {
        const std::string server = TestServerUrl("");
        const std::string proxy =
            "http://proxy%20user:p%40ss%20w%C3%B6rd@" + server.substr(server.find("//") + 2);
        SetEnvironmentVariableW(L"http_proxy", Utf8ToWide(proxy).c_str());
        ChromiumEngineTest::SetUp();
    }
    void TearDown() override {
        ChromiumEngineTest::TearDown();
        SetEnvironmentVariableW(L"http_proxy", nullptr);
    }
};

TEST_F(ChromiumEngineBehindProxyTest, TheProxyGetsItsCredentialsFromTheEngineAlone) {
    const int id = OpenBrowser("http://auth-proxy.invalid/echo?text=through");
    ASSERT_TRUE(LoadsEnded(1));
    ASSERT_EQ(1, log.Count("OnLoadEnd")) << "the proxy refused the page";
    EXPECT_EQ(200, log.Named("OnLoadEnd")[0].number);
    EXPECT_EQ("none", RunLinuxScript("grep -laE 'p%40s[s]|p@s[s]' /proc/[0-9]*/cmdline > \"$1\"\n"
                                     "echo none >> \"$1\"\n"))
        << "a command line shows the proxy's password";

    log.Clear();
    client->Browser(id)->GetMainFrame()->LoadURL(TestServerUrl("/page"));
    EXPECT_TRUE(WaitFor([&] { return log.Count("OnContextCreated") == 2; }, 30000))
        << "the page and its frame got no contexts while every request was held";
}

struct MessageBoxSearch {
    HWND found = nullptr;
    std::wstring text;
};

BOOL CALLBACK FindChromiumMessageBox(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<MessageBoxSearch*>(data);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (IsWindowVisible(window) && std::wstring(title) == L"Chromium") {
        search->found = window;
        wchar_t text[512] = {};
        GetDlgItemTextW(window, 0xFFFF, text, 512);
        search->text = text;
        return FALSE;
    }
    return TRUE;
}

// Starts the library with the browser the environment names and expects, within seconds, the box
// of a browser that cannot start, giving `reason`; no browser is made.
void ExpectTheBrowserCannotStart(const std::wstring& reason) {
    EventLog log;
    CefRefPtr<RecordingApp> app = new RecordingApp(log);
    CefRefPtr<RecordingClient> client = new RecordingClient(log);
    ParentWindow parent;
    ASSERT_TRUE(StartLibrary(app.get())) << "initialisation returns before the browser is started";
    CefWindowInfo info;
    info.SetAsChild(parent.get(), RECT{0, 0, 400, 300});
    EXPECT_TRUE(CefBrowserHost::CreateBrowser(info, client.get(), "http://127.0.0.1/",
                                              CefBrowserSettings(), nullptr));
    MessageBoxSearch search;
    EXPECT_TRUE(WaitFor(
        [&] {
            EnumWindows(FindChromiumMessageBox, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        20000))
        << "a message box tells the user";
    EXPECT_NE(std::wstring::npos, search.text.find(L"The browser could not be started."))
        << "the box says: " << WideToUtf8(search.text);
    EXPECT_NE(std::wstring::npos, search.text.find(reason))
        << "the box says why: " << WideToUtf8(search.text);
    if (search.found) {
        PostMessageW(search.found, WM_COMMAND, IDOK, 0);
    }
    CefShutdown();
    EXPECT_EQ(0, log.Count("OnAfterCreated")) << "no browser is made without a browser engine";
    EXPECT_EQ(0, cefdriver::CountLiveObjects().browsers);
    app = nullptr;
    client = nullptr;
}

// Initialisation returns before the browser is up, so a browser that cannot be started is
// reported afterwards: a message box names what failed, and no browser is made.
TEST(ChromiumEngineStart, ABrowserThatCannotStartIsReportedAndMakesNoBrowsers) {
    SetEnvironmentVariableW(L"TESSEL_BROWSER", L"chromium");
    SetEnvironmentVariableW(L"TESSEL_CHROMIUM", L"C:\\no\\such\\chromium.exe");
    ExpectTheBrowserCannotStart(L"C:\\no\\such\\chromium.exe");
    // A program that ends at once never opens a DevTools endpoint: that is known in seconds.
    SetEnvironmentVariableW(L"TESSEL_CHROMIUM", L"/bin/false");
    ExpectTheBrowserCannotStart(L"the browser ended at start");
    SetEnvironmentVariableW(L"TESSEL_CHROMIUM", nullptr);
    SetEnvironmentVariableW(L"TESSEL_BROWSER", nullptr);
}

// The browser belongs to the program that started it: when the program is killed, the browser and
// its profile go too, within the guard's time.
TEST(ChromiumEngineGuard, BrowserEndsWhenTheProgramIsKilled) {
    const int foldersBefore = ProfileFolders();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring host = self;
    host = host.substr(0, host.find_last_of(L'\\') + 1) + L"cef_demo_host.exe";
    std::wstring command = L"\"" + host + L"\" " + Utf8ToWide(TestServerUrl("/page"));
    SetEnvironmentVariableW(L"TESSEL_BROWSER", L"chromium");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(host.c_str(), &command[0], nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(L"TESSEL_BROWSER", nullptr);
    ASSERT_TRUE(started) << "the demo host starts";
    CloseHandle(process.hThread);
    std::wstring profile;
    const bool running = WaitFor(
        [&] {
            const std::vector<std::wstring> profiles = ProfilePaths();
            profile =
                profiles.size() == static_cast<size_t>(foldersBefore) + 1 ? profiles.back() : L"";
            return !profile.empty() && SignalBrowser(profile, "0");
        },
        60000);
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    ASSERT_TRUE(running) << "the program's browser ran";
    EXPECT_TRUE(WaitFor([&] { return ProfileFolders() == foldersBefore; }, 90000))
        << "the killed program's browser ended and its profile went";
    EXPECT_FALSE(SignalBrowser(profile, "0")) << "the killed program's browser still runs";
}

}  // namespace
