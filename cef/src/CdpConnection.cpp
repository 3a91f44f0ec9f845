#include "CdpConnection.h"

#include "Threads.h"

namespace cefimpl {

std::string JsonString(const cJSON* object, const char* key, const std::string& fallback) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    return cJSON_IsString(item) && item->valuestring ? item->valuestring : fallback;
}

double JsonNumber(const cJSON* object, const char* key, double fallback) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    return cJSON_IsNumber(item) ? item->valuedouble : fallback;
}

bool JsonBool(const cJSON* object, const char* key, bool fallback) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    return cJSON_IsBool(item) ? cJSON_IsTrue(item) : fallback;
}

JsonPtr JsonObject() {
    return JsonPtr(cJSON_CreateObject());
}

JsonPtr Params(std::initializer_list<std::pair<const char*, std::string>> strings) {
    JsonPtr params = JsonObject();
    for (const auto& entry : strings) {
        cJSON_AddStringToObject(params.get(), entry.first, entry.second.c_str());
    }
    return params;
}

CdpConnection::~CdpConnection() {
    Close();
}

void CdpConnection::Open(std::shared_ptr<MessageChannel> channel, EventHandler events,
                         CloseHandler closed) {
    if (reader_.joinable() && !OnReaderThread()) {
        reader_.join();
    }
    events_ = std::move(events);
    closed_ = std::move(closed);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        channel_ = std::move(channel);
        open_ = true;
    }
    reader_ = std::thread([this] { ReadLoop(); });
}

std::shared_ptr<MessageChannel> CdpConnection::Channel() {
    std::lock_guard<std::mutex> lock(mutex_);
    return channel_;
}

void CdpConnection::Send(const std::string& method, JsonPtr params, const std::string& sessionId,
                         ReplyHandler onReply) {
    JsonPtr message = JsonObject();
    int id;
    bool open;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        id = ++lastId_;
        open = open_;
        if (open) {
            pending_[id] = onReply ? std::move(onReply) : ReplyHandler([](const Reply&) {});
        }
    }
    if (!open) {
        if (onReply) {
            Reply reply;
            reply.error = "the browser connection is closed";
            onReply(reply);
        }
        return;
    }
    cJSON_AddNumberToObject(message.get(), "id", id);
    cJSON_AddStringToObject(message.get(), "method", method.c_str());
    cJSON_AddItemToObject(message.get(), "params",
                          params ? params.release() : cJSON_CreateObject());
    if (!sessionId.empty()) {
        cJSON_AddStringToObject(message.get(), "sessionId", sessionId.c_str());
    }
    char* text = cJSON_PrintUnformatted(message.get());
    const std::shared_ptr<MessageChannel> channel = Channel();
    const bool sent = text && channel && channel->Send(text);
    cJSON_free(text);
    if (sent) {
        return;
    }
    ReplyHandler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = pending_.find(id);
        if (it != pending_.end()) {
            handler = std::move(it->second);
            pending_.erase(it);
        }
    }
    if (handler) {
        Reply reply;
        reply.error = "the browser connection is closed";
        handler(reply);
    }
}

bool CdpConnection::Call(const std::string& method, JsonPtr params, const std::string& sessionId,
                         JsonPtr* result, std::string* error, DWORD timeoutMs, bool pump) {
    struct Outcome {
        UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        JsonPtr result;
        std::string error;
    };
    auto outcome = std::make_shared<Outcome>();
    Send(method, std::move(params), sessionId, [outcome](const Reply& reply) {
        outcome->error = reply.error;
        if (reply.result) {
            outcome->result.reset(cJSON_Duplicate(reply.result, 1));
        }
        SetEvent(outcome->done.get());
    });
    const bool answered =
        pump ? WaitPumping(outcome->done.get(), timeoutMs)
             : WaitForSingleObject(outcome->done.get(), timeoutMs) == WAIT_OBJECT_0;
    if (!answered) {
        if (error) {
            *error = method + ": no answer from the browser";
        }
        return false;
    }
    if (error) {
        *error = outcome->error;
    }
    if (result) {
        *result = std::move(outcome->result);
    }
    return outcome->error.empty();
}

void CdpConnection::ReadLoop() {
    const std::shared_ptr<MessageChannel> channel = Channel();
    std::string message;
    while (channel->Receive(message)) {
        Dispatch(message);
    }
    FailPending("the browser connection is closed");
    if (closed_) {
        closed_();
    }
}

void CdpConnection::Dispatch(const std::string& message) {
    const JsonPtr json(cJSON_ParseWithLength(message.data(), message.size()));
    if (!json) {
        return;
    }
    const cJSON* id = cJSON_GetObjectItemCaseSensitive(json.get(), "id");
    if (!cJSON_IsNumber(id)) {
        const std::string method = JsonString(json.get(), "method");
        if (!method.empty() && events_) {
            events_(method, cJSON_GetObjectItemCaseSensitive(json.get(), "params"),
                    JsonString(json.get(), "sessionId"));
        }
        return;
    }
    ReplyHandler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = pending_.find(id->valueint);
        if (it == pending_.end()) {
            return;
        }
        handler = std::move(it->second);
        pending_.erase(it);
    }
    Reply reply;
    reply.result = cJSON_GetObjectItemCaseSensitive(json.get(), "result");
    if (const cJSON* error = cJSON_GetObjectItemCaseSensitive(json.get(), "error")) {
        reply.error = JsonString(error, "message", "error");
        reply.result = nullptr;
    }
    handler(reply);
}

void CdpConnection::FailPending(const std::string& why) {
    std::map<int, ReplyHandler> pending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = false;
        pending.swap(pending_);
    }
    Reply reply;
    reply.error = why;
    for (auto& entry : pending) {
        entry.second(reply);
    }
}

void CdpConnection::Close() {
    if (const std::shared_ptr<MessageChannel> channel = Channel()) {
        channel->Close();
    }
    if (reader_.joinable() && !OnReaderThread()) {
        reader_.join();
    }
    FailPending("the browser connection is closed");
}

}  // namespace cefimpl
