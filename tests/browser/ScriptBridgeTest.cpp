#include "ClientAppRenderer.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "CefTestSupport.h"
#include "CodePage.h"
#include "LogFile.h"
#include "PageDriver.h"
#include "ShellFolderRedirect.h"
#include "TempFolder.h"
#include "TestServer.h"

namespace {

using cefdriver::ScriptValue;

const std::wstring kSucceeded = L"{\"code\":\"0\",\"msg\":\"成功\"}";
const std::wstring kWrongCount = L"{\"code\":\"1\",\"msg\":\"传入参数与接口不符\"}";
const std::wstring kNoUrl = L"{\"code\":\"1\",\"msg\":\"读取网址失败\"}";
const std::wstring kNoName = L"{\"code\":\"1\",\"msg\":\"读取文件名失败\"}";
const std::wstring kDownloadFailed = L"{\"code\":\"1\",\"msg\":\"下载文件失败，请重试！\"}";

// Log texts in GBK: 进入DownExecel, 下载文件成功, 下载文件失败，请重试！
const std::string kEnterLine = std::string("\xBD\xF8\xC8\xEB") + "DownExecel";
const std::string kSucceededLine = "\xCF\xC2\xD4\xD8\xCE\xC4\xBC\xFE\xB3\xC9\xB9\xA6";
const std::string kDownloadFailedLine =
    "\xCF\xC2\xD4\xD8\xCE\xC4\xBC\xFE\xCA\xA7\xB0\xDC\xA3\xAC\xC7\xEB\xD6\xD8\xCA\xD4\xA3\xA1";

// Bodies of the loopback server's routes.
const std::string kNormalBody("Tessel test body\r\n\x00\xff binary too\n", 32);

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ShellDesktopFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path))) {
        return std::wstring();
    }
    return path;
}

// The texts of the process log's DownExecel lines written since the watch began.
class LogWatch {
public:
    LogWatch() : start_(Read().size()) {}

    struct Line {
        std::string thread;
        std::string text;
    };

    std::vector<Line> Lines() const {
        const std::string bytes = Read();
        std::vector<Line> lines;
        const std::string marker = " DownExecel : ";
        size_t begin = start_;
        for (size_t end; (end = bytes.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
            const std::string line = bytes.substr(begin, end - begin);
            const size_t title = line.find(marker);
            if (title == std::string::npos) {
                continue;
            }
            // "date time thread DownExecel : text"
            const size_t threadStart = line.rfind(' ', title - 1) + 1;
            lines.push_back({line.substr(threadStart, title - threadStart),
                             line.substr(title + marker.size())});
        }
        return lines;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Line& line : Lines()) {
            texts.push_back(line.text);
        }
        return texts;
    }

private:
    static std::string Read() { return ReadFileBytes(AnsiToWide(g_logFile.GetLogFileName())); }

    size_t start_;
};

// A call of DownExecel that returned a string, as page script sees it.
::testing::AssertionResult Answers(const std::wstring& expected,
                                   const cefdriver::CallResult& call) {
    if (!call.called) {
        return ::testing::AssertionFailure() << "not called: " << WideToUtf8(call.error);
    }
    if (call.threw) {
        return ::testing::AssertionFailure() << "threw " << WideToUtf8(call.exception);
    }
    if (call.value.type != ScriptValue::Type::String) {
        return ::testing::AssertionFailure()
               << "returned a value of type " << static_cast<int>(call.value.type);
    }
    if (call.value.text != expected) {
        return ::testing::AssertionFailure() << "returned " << WideToUtf8(call.value.text);
    }
    return ::testing::AssertionSuccess();
}

ScriptValue OfType(ScriptValue::Type type) {
    ScriptValue value;
    value.type = type;
    return value;
}

class ScriptBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop = temp.path() + L"\\Desktop";
        ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr));
        redirect = std::make_unique<ShellFolderRedirect>(L"Desktop", desktop);
        ASSERT_EQ(desktop, ShellDesktopFolder()) << "the shell reads the redirected desktop";

        parent = std::make_unique<ParentWindow>();
        client = new RecordingClient(events);
        app = CreateApp();
        const CefMainArgs args(GetModuleHandleW(nullptr));
        ASSERT_EQ(-1, CefExecuteProcess(args, app.get(), nullptr)) << "not a sub-process";
        ASSERT_TRUE(StartLibrary(app.get()));
        initialized = true;
    }

    void TearDown() override {
        if (initialized) {
            CefShutdown();
        }
        parent.reset();
        if (app) {
            EXPECT_TRUE(app->HasOneRef()) << "the library let go of the application object";
        }
        app = nullptr;
        client = nullptr;
        const cefdriver::LiveObjects live = cefdriver::CountLiveObjects();
        EXPECT_EQ(0, live.total())
            << "browsers " << live.browsers << ", frames " << live.frames << ", contexts "
            << live.v8Contexts << ", values " << live.v8Values << ", others " << live.others;
        EXPECT_EQ(0, RecordingClient::live.load());
        redirect.reset();
    }

    virtual CefRefPtr<ClientAppRenderer> CreateApp() { return new ClientAppRenderer(); }

    // A browser in the test window showing `path` of the loopback server, loaded.
    int OpenPage(const std::string& path) {
        const int before = events.Count("OnAfterCreated");
        CefWindowInfo info;
        info.SetAsChild(parent->get(), RECT{0, 0, 400, 300});
        EXPECT_TRUE(CefBrowserHost::CreateBrowser(info, client.get(), TestServerUrl(path),
                                                  CefBrowserSettings(), nullptr));
        EXPECT_TRUE(WaitFor([&] { return events.Count("OnAfterCreated") > before; }));
        EXPECT_TRUE(cefdriver::WaitUntilIdle(20000));
        const auto created = events.Named("OnAfterCreated");
        return created.empty() ? 0 : created.back().browser;
    }

    static cefdriver::CallResult DownExecel(int browser, const std::vector<ScriptValue>& arguments,
                                            int64 frame = 0) {
        return cefdriver::CallFunction(browser, frame, L"DownExecel", arguments);
    }

    static cefdriver::CallResult DownExecel(int browser, const std::string& url,
                                            const std::wstring& name, int64 frame = 0) {
        return DownExecel(browser, {ScriptValue::String(Wide(url)), ScriptValue::String(name)},
                          frame);
    }

    std::wstring OnDesktop(const std::wstring& name) const { return desktop + L"\\" + name; }
    std::string AnsiDesktop() const { return WideToAnsi(desktop); }

    TempFolder temp;
    std::wstring desktop;
    std::unique_ptr<ShellFolderRedirect> redirect;
    EventLog events;
    std::unique_ptr<ParentWindow> parent;
    CefRefPtr<RecordingClient> client;
    CefRefPtr<ClientAppRenderer> app;
    bool initialized = false;
};

}  // namespace

TEST(ClientAppRendererRoles, ServesAsTheRenderProcessHandlerAndNothingElse) {
    CefRefPtr<ClientAppRenderer> app = new ClientAppRenderer();
    EXPECT_EQ(static_cast<CefRenderProcessHandler*>(app.get()),
              app->GetRenderProcessHandler().get());
    EXPECT_FALSE(app->GetBrowserProcessHandler());
    EXPECT_FALSE(app->GetResourceBundleHandler());

    CefRefPtr<CefCommandLine> commandLine = CefCommandLine::CreateCommandLine();
    commandLine->InitFromString("tessel.exe --type=renderer --lang=zh-CN page");
    const std::wstring before = commandLine->GetCommandLineString().ToWString();
    app->OnBeforeCommandLineProcessing("renderer", commandLine);
    EXPECT_EQ(before, commandLine->GetCommandLineString().ToWString());
    EXPECT_TRUE(app->HasOneRef());
}

TEST(CV8JsHandlerDirect, ResultIsCodeThenMessageInUtf8AndOtherNamesGetNoResult) {
    EXPECT_EQ(u8"{\"code\":\"1\",\"msg\":\"读取网址失败\"}",
              CV8JsHandler::MakeResult("1", "读取网址失败"));
    EXPECT_EQ("{\"code\":\"0\",\"msg\":\"\\\"q\\\"\"}", CV8JsHandler::MakeResult("0", "\"q\""));

    CefRefPtr<CV8JsHandler> handler = new CV8JsHandler();
    CefRefPtr<CefV8Value> result;
    CefString exception;
    EXPECT_TRUE(handler->Execute("downexecel", nullptr, CefV8ValueList(), result, exception));
    EXPECT_FALSE(result);
    EXPECT_TRUE(exception.empty());
}

TEST_F(ScriptBridgeTest, DownloadsIntoTheDesktopOverwritingAFileOfTheSameName) {
    const int id = OpenPage("/empty");
    ASSERT_NE(0, id);
    const std::wstring name = L"发票 2024.xls";
    WriteFileBytes(OnDesktop(name), std::string(200, 'x'));
    const LogWatch log;

    const std::string url = TestServerUrl("/normal");
    EXPECT_TRUE(Answers(kSucceeded, DownExecel(id, url, name)));
    EXPECT_EQ(kNormalBody, ReadFileBytes(OnDesktop(name))) << "sent the credentials, truncated";

    const std::string ansiName = "\xB7\xA2\xC6\xB1 2024.xls";
    const std::vector<std::string> expected = {
        kEnterLine,     url,
        ansiName,       AnsiDesktop() + "\\" + ansiName,
        kSucceededLine, "{\"code\":\"0\",\"msg\":\"\xB3\xC9\xB9\xA6\"}"};
    EXPECT_EQ(expected, log.Texts());
    for (const auto& line : log.Lines()) {
        EXPECT_NE(std::to_string(GetCurrentThreadId()), line.thread) << "on the renderer thread";
    }
}

// An error page or a broken transfer is a failure that leaves the file of that name as it was;
// an empty body is a success that writes nothing.
TEST_F(ScriptBridgeTest, ErrorStatusesAndBrokenTransfersFailAndKeepTheFileThere) {
    const int id = OpenPage("/empty");
    ASSERT_NE(0, id);
    WriteFileBytes(OnDesktop(L"发票.xls"), "the user's file");
    for (const std::string route :
         {"/missing", "/status?code=500", "/redirect", "/broken?size=4000"}) {
        EXPECT_TRUE(Answers(kDownloadFailed, DownExecel(id, TestServerUrl(route), L"发票.xls")))
            << route;
        EXPECT_EQ("the user's file", ReadFileBytes(OnDesktop(L"发票.xls"))) << route;
        EXPECT_EQ(std::vector<std::wstring>{L"发票.xls"}, FileNames(desktop))
            << route << " left a file";
    }
    EXPECT_TRUE(Answers(kSucceeded, DownExecel(id, TestServerUrl("/empty"), L"empty.xls")));
    EXPECT_FALSE(Exists(OnDesktop(L"empty.xls")));
}

TEST_F(ScriptBridgeTest, FailedTransferAnswersDownloadFailed) {
    const int id = OpenPage("/empty");
    ASSERT_NE(0, id);
    const LogWatch log;

    const std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/file.xls";
    EXPECT_TRUE(Answers(kDownloadFailed, DownExecel(id, url, L"file.xls")));
    EXPECT_TRUE(FileNames(desktop).empty());

    const std::string failed = kDownloadFailedLine;
    const std::vector<std::string> expected = {
        kEnterLine, url,
        "file.xls", AnsiDesktop() + "\\file.xls",
        failed,     "{\"code\":\"1\",\"msg\":\"" + failed + "\"}"};
    EXPECT_EQ(expected, log.Texts());
}

TEST_F(ScriptBridgeTest, WrongArgumentsAnswerAtOnceWithoutATransfer) {
    const int id = OpenPage("/empty");
    ASSERT_NE(0, id);
    const ScriptValue url = ScriptValue::String(Wide(TestServerUrl("/normal")));
    const ScriptValue name = ScriptValue::String(L"a.xls");
    const ScriptValue number = ScriptValue::Number(7);
    const std::vector<ScriptValue> notStrings = {number,
                                                 ScriptValue::Bool(true),
                                                 ScriptValue::Null(),
                                                 ScriptValue::Undefined(),
                                                 OfType(ScriptValue::Type::Object),
                                                 OfType(ScriptValue::Type::Array)};

    EXPECT_TRUE(Answers(kWrongCount, DownExecel(id, {})));
    EXPECT_TRUE(Answers(kWrongCount, DownExecel(id, {url})));
    EXPECT_TRUE(Answers(kWrongCount, DownExecel(id, {url, name, name})));
    for (const ScriptValue& wrong : notStrings) {
        const int type = static_cast<int>(wrong.type);
        EXPECT_TRUE(Answers(kNoUrl, DownExecel(id, {wrong, name}))) << "type " << type;
        EXPECT_TRUE(Answers(kNoName, DownExecel(id, {url, wrong}))) << "type " << type;
    }
    EXPECT_TRUE(Answers(kNoUrl, DownExecel(id, {number, number}))) << "the URL is checked first";
    EXPECT_TRUE(FileNames(desktop).empty());

    const LogWatch log;
    DownExecel(id, {url});
    DownExecel(id, {number, name});
    DownExecel(id, {url, number});
    const std::string noUrl = "\xB6\xC1\xC8\xA1\xCD\xF8\xD6\xB7\xCA\xA7\xB0\xDC";
    const std::string noName = "\xB6\xC1\xC8\xA1\xCE\xC4\xBC\xFE\xC3\xFB\xCA\xA7\xB0\xDC";
    const std::vector<std::string> expected = {
        kEnterLine,
        "\xB7\xB5\xBB\xD8\xB2\xCE\xCA\xFD\xB2\xBB\xB6\xD4",
        "{\"code\":\"1\",\"msg\":\"\xB4\xAB\xC8\xEB\xB2\xCE\xCA\xFD\xD3\xEB\xBD\xD3\xBF\xDA\xB2\xBB"
        "\xB7\xFB\"}",
        kEnterLine,
        noUrl,
        "{\"code\":\"1\",\"msg\":\"" + noUrl + "\"}",
        kEnterLine,
        TestServerUrl("/normal"),
        noName,
        "{\"code\":\"1\",\"msg\":\"" + noName + "\"}"};
    EXPECT_EQ(expected, log.Texts());
}

TEST_F(ScriptBridgeTest, FileNamesTakeTheAnsiCodePageAndStayInTheDesktop) {
    const int id = OpenPage("/empty");
    ASSERT_NE(0, id);
    const std::string url = TestServerUrl("/normal");
    const LogWatch log;

    EXPECT_TRUE(Answers(kSucceeded, DownExecel(id, url, L"报表\xD55C.xls")));
    EXPECT_EQ(std::vector<std::wstring>({L"报表_.xls"}), FileNames(desktop))
        << "the character GBK lacks is replaced";
    EXPECT_EQ(kNormalBody, ReadFileBytes(OnDesktop(L"报表_.xls")));
    const auto texts = log.Texts();
    ASSERT_EQ(6u, texts.size());
    EXPECT_EQ("\xB1\xA8\xB1\xED_.xls", texts[2]);

    for (const std::wstring name :
         {L"..\\escaped.xls", L"../escaped.xls", L"sub\\escaped.xls", L"C:escaped.xls", L"..", L"",
          L"NUL", L"aux.xls", L"COM1.txt", L"con", L"LPT1", L"a.xls "}) {
        EXPECT_TRUE(Answers(kDownloadFailed, DownExecel(id, url, name))) << WideToUtf8(name);
    }
    EXPECT_EQ(std::vector<std::wstring>({L"Desktop"}), FileNames(temp.path()));
    EXPECT_EQ(1u, FileNames(desktop).size());

    EXPECT_TRUE(Answers(kSucceeded, DownExecel(id, url, L"list?.xls")));
    EXPECT_EQ(kNormalBody, ReadFileBytes(OnDesktop(L"list_.xls")));
}

TEST_F(ScriptBridgeTest, UrlReachesTheServerAsThePageWroteIt) {
    const int id = OpenPage("/empty");
    ASSERT_NE(0, id);

    EXPECT_TRUE(
        Answers(kSucceeded, DownExecel(id, TestServerUrl("/echo?text=%E5%8F%91%E7%A5%A8"), L"a")));
    EXPECT_EQ(u8"发票", ReadFileBytes(OnDesktop(L"a")));

    const std::wstring url = Wide(TestServerUrl("/echo?text=")) + L"发票\xD55C";
    EXPECT_TRUE(
        Answers(kSucceeded, DownExecel(id, {ScriptValue::String(url), ScriptValue::String(L"b")})));
    // The server reads the request line as Latin-1 and answers in UTF-8: each character of the
    // answer is one byte the request carried.
    const std::wstring echoed = Utf8ToWide(ReadFileBytes(OnDesktop(L"b")));
    EXPECT_EQ(u8"发票\uD55C", std::string(echoed.begin(), echoed.end()))
        << "the characters GBK lacks are not lost";
}

TEST_F(ScriptBridgeTest, EveryFrameAndEveryNewPageHasItsOwnFunction) {
    const int id = OpenPage("/empty");
    ASSERT_NE(0, id);
    const int64 main = client->Browser(id)->GetMainFrame()->GetIdentifier();
    const int64 child = cefdriver::AddFrame(id, main, L"side", L"about:blank");
    ASSERT_NE(0, child);
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000));

    const std::string url = TestServerUrl("/normal");
    EXPECT_TRUE(Answers(kSucceeded, DownExecel(id, url, L"main.xls", main)));
    EXPECT_TRUE(Answers(kSucceeded, DownExecel(id, url, L"side.xls", child)));

    const auto navigation = cefdriver::Navigate(id, 0, Wide(TestServerUrl("/empty?next")));
    EXPECT_FALSE(navigation.cancelled) << "no delegate cancels a navigation";
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000));
    EXPECT_FALSE(DownExecel(id, url, L"gone.xls", child).called) << "the sub-frame went";
    EXPECT_TRUE(Answers(kSucceeded, DownExecel(id, url, L"next.xls")));

    EXPECT_EQ(std::vector<std::wstring>({L"main.xls", L"next.xls", L"side.xls"}),
              FileNames(desktop));
    EXPECT_EQ(1, cefdriver::CountLiveObjects().v8Contexts) << "old pages' functions went";
}

namespace {

// Records what the application forwards and cancels navigations to addresses with "blocked".
class RecordingDelegate : public ClientAppRenderer::Delegate {
public:
    explicit RecordingDelegate(EventLog& log) : log_(log) {}

    void OnRenderThreadCreated(CefRefPtr<ClientAppRenderer>, CefRefPtr<CefListValue>) override {
        log_.Add("OnRenderThreadCreated");
    }
    void OnWebKitInitialized(CefRefPtr<ClientAppRenderer>) override {
        log_.Add("OnWebKitInitialized");
    }
    void OnBrowserCreated(CefRefPtr<ClientAppRenderer>, CefRefPtr<CefBrowser> browser) override {
        log_.Add("OnBrowserCreated", browser->GetIdentifier());
    }
    void OnBrowserDestroyed(CefRefPtr<ClientAppRenderer>, CefRefPtr<CefBrowser> browser) override {
        log_.Add("OnBrowserDestroyed", browser->GetIdentifier());
    }
    bool OnBeforeNavigation(CefRefPtr<ClientAppRenderer>, CefRefPtr<CefBrowser>,
                            CefRefPtr<CefFrame>, CefRefPtr<CefRequest> request,
                            cef_navigation_type_t, bool) override {
        const std::wstring url = request->GetURL().ToWString();
        log_.Add("OnBeforeNavigation", 0, 0, 0, url);
        return url.find(L"blocked") != std::wstring::npos;
    }
    void OnContextReleased(CefRefPtr<ClientAppRenderer>, CefRefPtr<CefBrowser>,
                           CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context>) override {
        log_.Add("OnContextReleased", 0, frame->GetIdentifier());
    }

private:
    EventLog& log_;
    IMPLEMENT_REFCOUNTING(RecordingDelegate);
};

class ScriptBridgeDelegateTest : public ScriptBridgeTest {
protected:
    CefRefPtr<ClientAppRenderer> CreateApp() override {
        ClientAppRenderer::DelegateSet delegates;
        delegates.insert(new RecordingDelegate(heard));
        return new ClientAppRenderer(delegates);
    }

    EventLog heard;
};

}  // namespace

TEST_F(ScriptBridgeDelegateTest, DelegatesHearTheRendererAndMayCancelNavigations) {
    const int id = OpenPage("/empty");
    ASSERT_NE(0, id);
    EXPECT_EQ(std::vector<std::string>(
                  {"OnRenderThreadCreated", "OnWebKitInitialized", "OnBrowserCreated"}),
              heard.Names({"OnRenderThreadCreated", "OnWebKitInitialized", "OnBrowserCreated"}));

    EXPECT_TRUE(cefdriver::Navigate(id, 0, Wide(TestServerUrl("/empty?blocked"))).cancelled);
    EXPECT_FALSE(cefdriver::Navigate(id, 0, Wide(TestServerUrl("/empty?next"))).cancelled);
    ASSERT_TRUE(cefdriver::WaitUntilIdle(20000));
    EXPECT_EQ(Wide(TestServerUrl("/empty?next")),
              client->Browser(id)->GetMainFrame()->GetURL().ToWString());
    EXPECT_EQ(1, heard.Count("OnContextReleased")) << "the first page's context";
    EXPECT_TRUE(Answers(kSucceeded, DownExecel(id, TestServerUrl("/normal"), L"x.xls")))
        << "the function does not depend on delegates";

    client->Browser(id)->GetHost()->CloseBrowser(true);
    ASSERT_TRUE(WaitFor([&] { return events.Count("OnBeforeClose") == 1; }));
    EXPECT_EQ(1, heard.Count("OnBrowserDestroyed"));
}
