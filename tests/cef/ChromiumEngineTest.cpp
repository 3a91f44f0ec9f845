// The library with the engine that drives a real Chromium: real pages from the loopback test
// server, in a real child window.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CefTestSupport.h"
#include "PageDriver.h"
#include "TestServer.h"

namespace {

// The engine's profile folders in the temporary folder; none is left once the browser ended.
int ProfileFolders() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    WIN32_FIND_DATAW found;
    const HANDLE search =
        FindFirstFileW((std::wstring(temp) + L"tessel-chromium-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

std::wstring Utf8ToWide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    &wide[0], static_cast<int>(wide.size())));
    return wide;
}

std::string WideToUtf8(const std::wstring& text) {
    std::string narrow(text.size() * 3, '\0');
    narrow.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      &narrow[0], static_cast<int>(narrow.size()), nullptr,
                                      nullptr));
    return narrow;
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

class ChromiumEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"TESSEL_BROWSER", L"chromium");
        foldersBefore = ProfileFolders();
        parent = std::make_unique<ParentWindow>();
        app = new RecordingApp(log);
        client = new RecordingClient(log);
        CefSettings settings;
        settings.single_process = 1;
        settings.no_sandbox = 1;
        settings.multi_threaded_message_loop = 1;
        ASSERT_TRUE(
            CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings, app.get(), nullptr))
            << "the real engine starts (Debian's chromium is installed by the prerequisites)";
        EXPECT_EQ(foldersBefore + 1, ProfileFolders()) << "the browser has a profile of its own";
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
    EXPECT_EQ((std::vector<std::string>{"Loading", "OnAddressChange", "OnLoadStart",
                                        "OnContextCreated", "OnLoadStart", "OnContextCreated",
                                        "OnLoadEnd", "OnLoadEnd", "Loaded"}),
              log.Names({"Loading", "OnAddressChange", "OnLoadStart", "OnContextCreated",
                         "OnLoadEnd", "Loaded"}))
        << "each document's context exists before its scripts run; the frame ends before the page";
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
        L"e:broken on purpose|f:side";
    ASSERT_TRUE(WaitFor(
        [&] {
            return client->Browser(id)->GetMainFrame()->GetURL().length() &&
                   !log.Named("OnTitleChange").empty() &&
                   log.Named("OnTitleChange").back().text == expected;
        },
        20000))
        << "a string, a number, an array and an exception came back to the page, the frame's "
           "name to the iframe; last title: "
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

}  // namespace
