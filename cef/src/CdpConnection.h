#pragma once

#include <windows.h>

#include <cjson/cJSON.h>

#include <functional>
#include <map>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "MessageChannel.h"

namespace cefimpl {

struct JsonDeleter {
    void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// Members of a JSON object, with a fallback when missing or of another type.
std::string JsonString(const cJSON* object, const char* key, const std::string& fallback = "");
double JsonNumber(const cJSON* object, const char* key, double fallback = 0);
bool JsonBool(const cJSON* object, const char* key, bool fallback = false);
JsonPtr JsonObject();
// An object of string members, as most command parameters are.
JsonPtr Params(std::initializer_list<std::pair<const char*, std::string>> strings);

// One connection to a browser's DevTools endpoint: commands with their answers, and events.
// Answers and events are handed over on the connection's own reader thread, in arrival order.
class CdpConnection {
public:
    // An answer: `result` (valid only during the handler) or the error's message.
    struct Reply {
        const cJSON* result = nullptr;
        std::string error;
    };
    using ReplyHandler = std::function<void(const Reply&)>;
    using EventHandler = std::function<void(const std::string& method, const cJSON* params,
                                            const std::string& sessionId)>;
    // Called once when the browser's end of the connection goes.
    using CloseHandler = std::function<void()>;

    CdpConnection() = default;
    ~CdpConnection();
    CdpConnection(const CdpConnection&) = delete;
    CdpConnection& operator=(const CdpConnection&) = delete;

    // Starts reading `channel`; a connection closed before may be opened again.
    void Open(std::shared_ptr<MessageChannel> channel, EventHandler events, CloseHandler closed);
    // Any thread. The reply handler, if any, runs on the reader thread; a command that cannot be
    // sent, or whose connection closes first, gets an error reply.
    void Send(const std::string& method, JsonPtr params, const std::string& sessionId = "",
              ReplyHandler onReply = nullptr);
    // Sends and waits for the answer; never on the reader thread. `result` gets a copy. With
    // `pump`, the calling thread dispatches its messages meanwhile.
    bool Call(const std::string& method, JsonPtr params, const std::string& sessionId,
              JsonPtr* result, std::string* error, DWORD timeoutMs, bool pump = false);
    // Closes the connection and joins the reader; commands still waiting get an error reply.
    void Close();
    bool OnReaderThread() const { return std::this_thread::get_id() == reader_.get_id(); }

private:
    void ReadLoop();
    void Dispatch(const std::string& message);
    void FailPending(const std::string& why);

    std::shared_ptr<MessageChannel> Channel();

    std::shared_ptr<MessageChannel> channel_;  // under mutex_
    std::thread reader_;
    EventHandler events_;
    CloseHandler closed_;
    std::mutex mutex_;
    std::map<int, ReplyHandler> pending_;
    int lastId_ = 0;
    bool open_ = false;
};

}  // namespace cefimpl
