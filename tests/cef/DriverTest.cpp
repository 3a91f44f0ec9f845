#include <winsock2.h>

#include <gtest/gtest.h>

#include <cjson/cJSON.h>

#include <memory>

#include "CefTestSupport.h"
#include "PageDriver.h"
#include "TempFolder.h"
#include "TestServer.h"

namespace {

struct JsonDeleter {
    void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

std::string Text(const cJSON* object, const char* name) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
    return cJSON_IsString(item) ? item->valuestring : "";
}

double Number(const cJSON* object, const char* name) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
    return cJSON_IsNumber(item) ? item->valuedouble : -1;
}

bool Flag(const cJSON* object, const char* name) {
    return cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(object, name));
}

const cJSON* Member(const cJSON* object, const char* name) {
    return cJSON_GetObjectItemCaseSensitive(object, name);
}

// A text as a JSON string literal.
std::string Quote(const std::string& text) {
    const Json string(cJSON_CreateString(text.c_str()));
    char* printed = cJSON_PrintUnformatted(string.get());
    const std::string quoted = printed;
    cJSON_free(printed);
    return quoted;
}

const char kToken[] = "0123456789abcdef-driver-test";

// The page driver as an outside client sees it: lines of JSON over a loopback connection.
class DriverConnection {
public:
    explicit DriverConnection(unsigned short port) {
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~DriverConnection() { closesocket(socket_); }
    DriverConnection(const DriverConnection&) = delete;
    DriverConnection& operator=(const DriverConnection&) = delete;

    bool connected() const { return connected_; }

    void Send(const std::string& lines) {
        send(socket_, lines.data(), static_cast<int>(lines.size()), 0);
    }

    // Keeps dispatching this thread's messages while waiting: the test's thread owns the windows
    // the browsers are children of, and the library's threads talk to them.
    Json Receive() {
        size_t end;
        while ((end = pending_.find('\n')) == std::string::npos) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(socket_, &readable);
            timeval wait{0, 10000};
            if (select(0, &readable, nullptr, nullptr, &wait) == 0) {
                PumpMessages();
                continue;
            }
            char buffer[4096];
            const int got = recv(socket_, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return nullptr;
            }
            pending_.append(buffer, static_cast<size_t>(got));
        }
        const std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return Json(cJSON_Parse(line.c_str()));
    }

    // Sends a JSON object with the driver's token added, as a client that knows it does.
    Json Request(const std::string& request) {
        Send(WithToken(request) + "\n");
        return Receive();
    }

    static std::string WithToken(const std::string& request) {
        return "{\"token\":\"" + std::string(kToken) + "\"," + request.substr(1);
    }

private:
    SOCKET socket_;
    bool connected_ = false;
    std::string pending_;
};

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        SetEnvironmentVariableW(L"TESSEL_CEF_DRIVER_PORT", L"0");
        SetEnvironmentVariableA("TESSEL_CEF_DRIVER_TOKEN", kToken);
        app = new RecordingApp(log);
        client = new RecordingClient(log);
        ASSERT_TRUE(StartLibrary(app.get())) << "the browser library did not start";
        ASSERT_NE(0, cefdriver::ListeningPort());
        connection = std::make_unique<DriverConnection>(cefdriver::ListeningPort());
        ASSERT_TRUE(connection->connected()) << "no connection to the driver";
    }

    void TearDown() override {
        CefShutdown();
        SetEnvironmentVariableW(L"TESSEL_CEF_DRIVER_PORT", nullptr);
        SetEnvironmentVariableW(L"TESSEL_CEF_DRIVER_TOKEN", nullptr);
        EXPECT_EQ(nullptr, connection->Receive()) << "shutdown ends the connection";
        connection.reset();
        app->ForgetContexts();
        app = nullptr;
        client = nullptr;
        EXPECT_EQ(0, cefdriver::CountLiveObjects().total());
        WSACleanup();
    }

    int OpenBrowser(const std::string& url) {
        CefWindowInfo info;
        info.SetAsChild(parent.get(), RECT{0, 0, 200, 100});
        CefBrowserHost::CreateBrowser(info, client.get(), url, CefBrowserSettings(), nullptr);
        Json waited = connection->Request(R"({"op":"wait","timeout_ms":20000})");
        EXPECT_TRUE(Flag(waited.get(), "idle")) << "the new browser did not settle";
        return client->BrowserIds().empty() ? 0 : client->BrowserIds().back();
    }

    Json Request(const std::string& request) {
        Json response = connection->Request(request);
        EXPECT_TRUE(response) << request;
        if (response && !Flag(response.get(), "ok")) {
            ADD_FAILURE() << request << " -> " << Text(response.get(), "error");
        }
        return response;
    }

    void Wait() {
        EXPECT_TRUE(Flag(Request(R"({"op":"wait"})").get(), "idle"))
            << "the driver's wait did not end idle";
    }

    EventLog log;
    ParentWindow parent;
    CefRefPtr<RecordingApp> app;
    CefRefPtr<RecordingClient> client;
    std::unique_ptr<DriverConnection> connection;
};

TEST_F(DriverTest, StateAndScriptCallsRoundTrip) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    const std::string browser = std::to_string(id);

    Json state = Request(R"({"op":"state"})");
    const cJSON* first = cJSON_GetArrayItem(Member(state.get(), "browsers"), 0);
    EXPECT_EQ(id, Number(first, "id"));
    EXPECT_EQ(TestServerUrl("/empty"), Text(first, "url"));
    EXPECT_FALSE(Flag(first, "loading")) << "the loaded page is still loading";
    const cJSON* mainFrame = cJSON_GetArrayItem(Member(first, "frames"), 0);
    EXPECT_TRUE(Flag(mainFrame, "context")) << "the main frame has no script context";

    Json described = Request(R"({"id":7,"op":"call","browser":)" + browser +
                             R"(,"function":"Describe","args":[")" + u8"文本" +
                             R"(",1.5,7,true,null,{"type":"undefined"}]})");
    EXPECT_EQ(7, Number(described.get(), "id")) << "the request's id comes back";
    const cJSON* result = Member(described.get(), "result");
    EXPECT_EQ("string", Text(result, "type"));
    EXPECT_EQ(u8"string:文本,double:1.5,int:7,bool:true,null,undefined", Text(result, "value"));

    Json echoed =
        Request(R"({"op":"call","browser":)" + browser + R"(,"function":"Echo","args":[false]})");
    EXPECT_EQ("bool", Text(Member(echoed.get(), "result"), "type"));
    EXPECT_FALSE(Flag(Member(echoed.get(), "result"), "value"))
        << "the echoed false came back true";
    Json nothing = Request(R"({"op":"call","browser":)" + browser + R"(,"function":"Nothing"})");
    EXPECT_EQ("undefined", Text(Member(nothing.get(), "result"), "type"));
    Json failed = Request(R"({"op":"call","browser":)" + browser + R"(,"function":"Fail"})");
    EXPECT_NE(std::string::npos, Text(failed.get(), "exception").find("broken on purpose"));
}

TEST_F(DriverTest, FramesNavigationAndWindowsRoundTrip) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    const std::string browser = std::to_string(id);

    Json added = Request(R"({"op":"add_frame","browser":)" + browser +
                         R"(,"name":"side","url":"about:blank"})");
    const std::string frame = std::to_string(static_cast<long long>(Number(added.get(), "frame")));
    Wait();
    Json which = Request(R"({"op":"call","browser":)" + browser + R"(,"frame":)" + frame +
                         R"(,"function":"WhichFrame"})");
    EXPECT_EQ("side", Text(Member(which.get(), "result"), "value"));

    const std::string next = TestServerUrl("/empty?next");
    Json navigated =
        Request(R"({"op":"navigate","browser":)" + browser + R"(,"url":")" + next + R"("})");
    EXPECT_FALSE(Flag(navigated.get(), "cancelled")) << "the navigation was cancelled";
    Wait();
    Json state = Request(R"({"op":"state"})");
    const cJSON* first = cJSON_GetArrayItem(Member(state.get(), "browsers"), 0);
    EXPECT_EQ(next, Text(first, "url"));
    EXPECT_EQ(1, cJSON_GetArraySize(Member(first, "frames"))) << "the new page has no sub-frame";

    Json tab = Request(R"({"op":"new_window","browser":)" + browser +
                       R"(,"url":"about:blank","disposition":"new_foreground_tab"})");
    EXPECT_TRUE(Flag(tab.get(), "cancelled")) << "the foreground tab was not cancelled";
    EXPECT_EQ(nullptr, Member(tab.get(), "browser_id"));
    Json popup = Request(R"({"op":"new_window","browser":)" + browser +
                         R"(,"url":"about:blank","disposition":6,"user_gesture":false})");
    EXPECT_FALSE(Flag(popup.get(), "cancelled")) << "the popup was cancelled";
    const int popupId = static_cast<int>(Number(popup.get(), "browser_id"));
    EXPECT_NE(id, popupId);
    Wait();
    EXPECT_EQ(2, cJSON_GetArraySize(Member(Request(R"({"op":"state"})").get(), "browsers")));

    Request(R"({"op":"close","browser":)" + std::to_string(popupId) + "}");
    ASSERT_TRUE(WaitFor([&] { return log.Count("OnBeforeClose") == 1; }))
        << "the popup did not close";
    EXPECT_EQ(1, cJSON_GetArraySize(Member(Request(R"({"op":"state"})").get(), "browsers")));
}

TEST_F(DriverTest, ContextMenuAndDownloadsRoundTrip) {
    const int id = OpenBrowser(TestServerUrl("/empty"));
    const std::string browser = std::to_string(id);

    Json menu =
        Request(R"({"op":"context_menu","browser":)" + browser + R"(,"x":5,"y":5,"command":0})");
    EXPECT_TRUE(Flag(menu.get(), "shown")) << "no context menu was shown";
    const cJSON* items = Member(menu.get(), "items");
    const cJSON* last = cJSON_GetArrayItem(items, cJSON_GetArraySize(items) - 1);
    EXPECT_EQ("DevTools", Text(last, "label"));
    EXPECT_EQ(RecordingClient::kDevToolsCommand, Number(last, "id"));
    EXPECT_EQ(0, Number(menu.get(), "command"));
    EXPECT_EQ(1, log.Count("OnContextMenuDismissed"));

    TempFolder temp;
    const std::string chosen = temp.narrowPath() + "\\chosen.bin";
    client->downloadPath = temp.path() + L"\\proposed.bin";
    client->showSaveDialog = true;
    Request(R"({"op":"save_dialog","answer":)" + Quote(chosen) + "}");
    Json started = Request(R"({"op":"download","browser":)" + browser + R"(,"url":")" +
                           TestServerUrl("/large?size=300") + R"(","suggested_name":"a.bin"})");
    EXPECT_EQ(1, Number(started.get(), "download"));
    Wait();
    Json state = Request(R"({"op":"state"})");
    const cJSON* download = cJSON_GetArrayItem(Member(state.get(), "downloads"), 0);
    EXPECT_TRUE(Flag(download, "complete")) << "the download did not complete";
    EXPECT_EQ(300, Number(download, "received"));
    EXPECT_EQ(chosen, Text(download, "path"));
    EXPECT_EQ("a.bin", Text(download, "suggested_name"));
    EXPECT_EQ(300u, ReadFileBytes(temp.path() + L"\\chosen.bin").size());
}

TEST_F(DriverTest, BadRequestsAreAnsweredAndPipelinedOnesKeepTheirOrder) {
    for (const char* request :
         {R"({"op":"fly"})", R"({"op":"call","browser":99,"function":"Echo"})",
          R"({"op":"new_window","browser":99,"url":"about:blank"})"}) {
        Json response = connection->Request(request);
        ASSERT_TRUE(response) << request;
        EXPECT_FALSE(Flag(response.get(), "ok")) << request;
        EXPECT_FALSE(Text(response.get(), "error").empty()) << request;
    }
    connection->Send(DriverConnection::WithToken("{\"id\":1,\"op\":\"state\"}") + "\r\n\n" +
                     DriverConnection::WithToken("{\"id\":2,\"op\":\"wait\"}") + "\n");
    EXPECT_EQ(1, Number(connection->Receive().get(), "id"));
    EXPECT_EQ(2, Number(connection->Receive().get(), "id"));

    // A line that is no request at all is answered, and the connection ends.
    const Json response = connection->Request(R"({"no_op":1})");
    ASSERT_TRUE(response) << "no answer to a line that is no request";
    EXPECT_FALSE(Text(response.get(), "error").empty())
        << "the answer to a line that is no request carries no error";
    EXPECT_EQ(nullptr, connection->Receive()) << "the connection stayed open";
}

// A web page can post to the driver's loopback port, and any local program can connect: what
// does not carry the token is refused and ends the connection, and nothing after it runs.
TEST_F(DriverTest, ForgedRequestsAreRefusedAndEndTheConnection) {
    const int browser = OpenBrowser(TestServerUrl("/empty"));
    ASSERT_NE(0, browser);
    const std::string close = "{\"op\":\"close\",\"browser\":" + std::to_string(browser) + "}";
    const std::string wrong = "{\"token\":\"guess\"," + close.substr(1);
    const std::string posted =
        "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
        "\r\n" +
        close + "\n" + DriverConnection::WithToken(close) + "\n";
    for (const std::string& forged : {close + "\n", wrong + "\n", posted}) {
        SCOPED_TRACE(forged);
        DriverConnection intruder(cefdriver::ListeningPort());
        connection.reset();  // the driver serves one client at a time
        ASSERT_TRUE(intruder.connected()) << "the driver took no connection";
        intruder.Send(forged);
        const Json refusal = intruder.Receive();
        ASSERT_TRUE(refusal) << "no refusal came back";
        EXPECT_FALSE(Flag(refusal.get(), "ok")) << "the forged request was accepted";
        EXPECT_EQ(nullptr, intruder.Receive()) << "the connection stayed open";
        connection = std::make_unique<DriverConnection>(cefdriver::ListeningPort());
    }
    const Json state = connection->Request(R"({"op":"state"})");
    ASSERT_TRUE(state) << "the driver stopped answering after the forged requests";
    EXPECT_EQ(1, cJSON_GetArraySize(cJSON_GetObjectItem(state.get(), "browsers")))
        << "a forged request closed the browser";
}

}  // namespace
