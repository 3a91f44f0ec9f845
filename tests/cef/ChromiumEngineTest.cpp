// The library with the engine that drives a real Chromium: real pages from the loopback test
// server, in a real child window.
#include <gtest/gtest.h>

#include <memory>

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

}  // namespace
