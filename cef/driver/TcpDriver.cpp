#include "TcpDriver.h"

#include <ws2tcpip.h>

#include <cjson/cJSON.h>

#include <cstdio>
#include <memory>

#include "../src/Text.h"
#include "PageDriver.h"

namespace cefimpl {

namespace {

constexpr wchar_t kDriverPortVariable[] = L"TESSEL_CEF_DRIVER_PORT";
constexpr wchar_t kDriverTokenVariable[] = L"TESSEL_CEF_DRIVER_TOKEN";
// Long enough that it cannot be guessed by trying.
constexpr DWORD kShortestDriverToken = 16;

std::atomic<TcpDriver*> g_listening{nullptr};

constexpr size_t kMaxLine = 1024 * 1024;
constexpr unsigned long kDefaultWaitMs = 10000;
constexpr long kPollMicroseconds = 50000;

const char* const kDispositions[] = {"unknown",        "suppress_open",      "current_tab",
                                     "singleton_tab",  "new_foreground_tab", "new_background_tab",
                                     "new_popup",      "new_window",         "save_to_disk",
                                     "off_the_record", "ignore_action"};

const char* const kValueTypes[] = {"undefined", "null",   "bool",  "number",
                                   "string",    "object", "array", "function"};

struct JsonDeleter {
    void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

// A request that cannot be carried out; its text goes back to the client.
struct Refusal {
    std::string error;
};

cJSON* Member(const cJSON* request, const char* name) {
    return cJSON_GetObjectItemCaseSensitive(request, name);
}

double Number(const cJSON* request, const char* name, double fallback) {
    const cJSON* item = Member(request, name);
    return cJSON_IsNumber(item) ? item->valuedouble : fallback;
}

bool Flag(const cJSON* request, const char* name, bool fallback) {
    const cJSON* item = Member(request, name);
    return cJSON_IsBool(item) ? cJSON_IsTrue(item) : fallback;
}

std::wstring Text(const cJSON* request, const char* name) {
    const cJSON* item = Member(request, name);
    return cJSON_IsString(item) ? Utf8ToWide(item->valuestring) : std::wstring();
}

int BrowserOf(const cJSON* request) {
    return static_cast<int>(Number(request, "browser", 0));
}

void AddText(cJSON* object, const char* name, const std::wstring& text) {
    cJSON_AddStringToObject(object, name, WideToUtf8(text).c_str());
}

cef_window_open_disposition_t DispositionOf(const cJSON* request) {
    const cJSON* item = Member(request, "disposition");
    if (cJSON_IsNumber(item)) {
        return static_cast<cef_window_open_disposition_t>(item->valueint);
    }
    if (cJSON_IsString(item)) {
        for (size_t i = 0; i < sizeof kDispositions / sizeof kDispositions[0]; ++i) {
            if (std::string(item->valuestring) == kDispositions[i]) {
                return static_cast<cef_window_open_disposition_t>(i);
            }
        }
        throw Refusal{std::string("unknown disposition ") + item->valuestring};
    }
    return WOD_NEW_FOREGROUND_TAB;
}

// Script arguments: JSON strings, numbers, booleans and null as they are; {"type":"undefined"}
// (or any other type name of a result) for the rest.
cefdriver::ScriptValue ArgumentOf(const cJSON* item) {
    using cefdriver::ScriptValue;
    if (cJSON_IsString(item)) {
        return ScriptValue::String(Utf8ToWide(item->valuestring));
    }
    if (cJSON_IsNumber(item)) {
        return ScriptValue::Number(item->valuedouble);
    }
    if (cJSON_IsBool(item)) {
        return ScriptValue::Bool(cJSON_IsTrue(item));
    }
    if (cJSON_IsNull(item)) {
        return ScriptValue::Null();
    }
    const cJSON* type = Member(item, "type");
    if (cJSON_IsObject(item) && cJSON_IsString(type)) {
        for (size_t i = 0; i < sizeof kValueTypes / sizeof kValueTypes[0]; ++i) {
            if (std::string(type->valuestring) == kValueTypes[i]) {
                ScriptValue value;
                value.type = static_cast<ScriptValue::Type>(i);
                if (value.type == ScriptValue::Type::Undefined ||
                    value.type == ScriptValue::Type::Null ||
                    value.type == ScriptValue::Type::Object ||
                    value.type == ScriptValue::Type::Array) {
                    return value;
                }
            }
        }
    }
    throw Refusal{
        "an argument must be a string, number, boolean, null or {\"type\":\"undefined\"}"};
}

cJSON* ValueJson(const cefdriver::ScriptValue& value) {
    using Type = cefdriver::ScriptValue::Type;
    cJSON* json = cJSON_CreateObject();
    cJSON_AddStringToObject(json, "type", kValueTypes[static_cast<int>(value.type)]);
    switch (value.type) {
        case Type::Bool:
            cJSON_AddBoolToObject(json, "value", value.boolean);
            break;
        case Type::Number:
            cJSON_AddNumberToObject(json, "value", value.number);
            break;
        case Type::String:
            AddText(json, "value", value.text);
            break;
        default:
            break;
    }
    return json;
}

cJSON* MenuJson(const std::vector<cefdriver::MenuItem>& items) {
    static const char* const kTypes[] = {"none",  "command",   "check",
                                         "radio", "separator", "submenu"};
    cJSON* array = cJSON_CreateArray();
    for (const auto& item : items) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddNumberToObject(entry, "id", item.commandId);
        AddText(entry, "label", item.label);
        cJSON_AddStringToObject(entry, "type", kTypes[item.type]);
        cJSON_AddBoolToObject(entry, "enabled", item.enabled);
        if (item.type == MENUITEMTYPE_SUBMENU) {
            cJSON_AddItemToObject(entry, "items", MenuJson(item.submenu));
        }
        cJSON_AddItemToArray(array, entry);
    }
    return array;
}

void AddState(cJSON* response) {
    const cefdriver::State state = cefdriver::GetState();
    cJSON* browsers = cJSON_AddArrayToObject(response, "browsers");
    for (const auto& browser : state.browsers) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddNumberToObject(entry, "id", browser.id);
        cJSON_AddBoolToObject(entry, "popup", browser.popup);
        cJSON_AddBoolToObject(entry, "loading", browser.loading);
        cJSON_AddBoolToObject(entry, "closing", browser.closing);
        AddText(entry, "url", browser.url);
        AddText(entry, "title", browser.title);
        cJSON* frames = cJSON_AddArrayToObject(entry, "frames");
        for (const auto& frame : browser.frames) {
            cJSON* item = cJSON_CreateObject();
            cJSON_AddNumberToObject(item, "id", static_cast<double>(frame.id));
            cJSON_AddNumberToObject(item, "parent", static_cast<double>(frame.parentId));
            AddText(item, "name", frame.name);
            AddText(item, "url", frame.url);
            cJSON_AddBoolToObject(item, "context", frame.hasContext);
            cJSON_AddItemToArray(frames, item);
        }
        cJSON_AddItemToArray(browsers, entry);
    }
    cJSON* downloads = cJSON_AddArrayToObject(response, "downloads");
    for (const auto& download : state.downloads) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddNumberToObject(entry, "id", download.id);
        cJSON_AddNumberToObject(entry, "browser", download.browserId);
        AddText(entry, "url", download.url);
        AddText(entry, "suggested_name", download.suggestedName);
        AddText(entry, "path", download.fullPath);
        cJSON_AddBoolToObject(entry, "in_progress", download.inProgress);
        cJSON_AddBoolToObject(entry, "complete", download.complete);
        cJSON_AddBoolToObject(entry, "canceled", download.canceled);
        cJSON_AddNumberToObject(entry, "received", static_cast<double>(download.received));
        cJSON_AddNumberToObject(entry, "total", static_cast<double>(download.total));
        cJSON_AddItemToArray(downloads, entry);
    }
}

void Carry(const std::string& op, const cJSON* request, cJSON* response) {
    if (op == "state") {
        AddState(response);
    } else if (op == "wait") {
        const double timeout = Number(request, "timeout_ms", kDefaultWaitMs);
        const double browsers = Number(request, "browsers", 0);
        cJSON_AddBoolToObject(response, "idle",
                              cefdriver::WaitUntilIdle(static_cast<unsigned long>(timeout),
                                                       static_cast<size_t>(browsers)));
    } else if (op == "navigate") {
        const auto result =
            cefdriver::Navigate(BrowserOf(request), static_cast<int64>(Number(request, "frame", 0)),
                                Text(request, "url"));
        if (!result.found) {
            throw Refusal{"no such browser or frame"};
        }
        cJSON_AddBoolToObject(response, "cancelled", result.cancelled);
    } else if (op == "new_window") {
        const auto result = cefdriver::RequestNewWindow(BrowserOf(request), Text(request, "url"),
                                                        DispositionOf(request),
                                                        Flag(request, "user_gesture", true));
        if (!result.found) {
            throw Refusal{"no such browser"};
        }
        cJSON_AddBoolToObject(response, "cancelled", result.cancelled);
        if (result.browserId) {
            cJSON_AddNumberToObject(response, "browser_id", result.browserId);
        }
    } else if (op == "call") {
        std::vector<cefdriver::ScriptValue> arguments;
        const cJSON* args = Member(request, "args");
        const cJSON* arg = nullptr;
        cJSON_ArrayForEach(arg, args) {
            arguments.push_back(ArgumentOf(arg));
        }
        const auto result = cefdriver::CallFunction(BrowserOf(request),
                                                    static_cast<int64>(Number(request, "frame", 0)),
                                                    Text(request, "function"), arguments);
        if (!result.called) {
            throw Refusal{WideToUtf8(result.error)};
        }
        if (result.threw) {
            AddText(response, "exception", result.exception);
        } else {
            cJSON_AddItemToObject(response, "result", ValueJson(result.value));
        }
    } else if (op == "add_frame") {
        const int64 frame = cefdriver::AddFrame(BrowserOf(request),
                                                static_cast<int64>(Number(request, "parent", 0)),
                                                Text(request, "name"), Text(request, "url"));
        if (!frame) {
            throw Refusal{"no such browser or parent frame"};
        }
        cJSON_AddNumberToObject(response, "frame", static_cast<double>(frame));
    } else if (op == "download") {
        const uint32 id = cefdriver::StartDownload(BrowserOf(request), Text(request, "url"),
                                                   Text(request, "suggested_name"));
        if (!id) {
            throw Refusal{"no such browser"};
        }
        cJSON_AddNumberToObject(response, "download", id);
    } else if (op == "context_menu") {
        const auto result =
            cefdriver::RightClick(BrowserOf(request), static_cast<int>(Number(request, "x", 0)),
                                  static_cast<int>(Number(request, "y", 0)),
                                  static_cast<int>(Number(request, "command", 0)));
        if (!result.found) {
            throw Refusal{"no such browser"};
        }
        cJSON_AddBoolToObject(response, "shown", result.shown);
        cJSON_AddItemToObject(response, "items", MenuJson(result.items));
        cJSON_AddBoolToObject(response, "run_by_client", result.runByClient);
        cJSON_AddNumberToObject(response, "command", result.command);
        cJSON_AddBoolToObject(response, "handled_by_client", result.handledByClient);
    } else if (op == "save_dialog") {
        const cJSON* answer = Member(request, "answer");
        if (cJSON_IsString(answer)) {
            cefdriver::AnswerSaveDialogs(Utf8ToWide(answer->valuestring));
        } else {
            cefdriver::ShowSaveDialogs();
        }
        AddText(response, "last_proposal", cefdriver::LastSaveDialogProposal());
    } else if (op == "close") {
        if (!cefdriver::Close(BrowserOf(request), Flag(request, "force", false))) {
            throw Refusal{"no such browser"};
        }
    } else {
        throw Refusal{"unknown op " + op};
    }
}

}  // namespace

TcpDriver::Reply TcpDriver::Handle(const std::string& line) const {
    const Json request(cJSON_Parse(line.c_str()));
    const Json response(cJSON_CreateObject());
    const cJSON* op = request ? Member(request.get(), "op") : nullptr;
    const cJSON* token = request ? Member(request.get(), "token") : nullptr;
    bool goOn = false;
    try {
        if (!cJSON_IsObject(request.get()) || !cJSON_IsString(op)) {
            throw Refusal{"a request is a JSON object with a string member \"op\""};
        }
        if (!cJSON_IsString(token) || token_ != token->valuestring) {
            throw Refusal{"the request does not carry the driver's token"};
        }
        goOn = true;
        if (const cJSON* id = Member(request.get(), "id")) {
            cJSON_AddItemToObject(response.get(), "id", cJSON_Duplicate(id, true));
        }
        Carry(op->valuestring, request.get(), response.get());
        cJSON_AddBoolToObject(response.get(), "ok", true);
    } catch (const Refusal& refusal) {
        cJSON_AddBoolToObject(response.get(), "ok", false);
        cJSON_AddStringToObject(response.get(), "error", refusal.error.c_str());
    }
    char* text = cJSON_PrintUnformatted(response.get());
    Reply reply{text ? text : "{}", goOn};
    cJSON_free(text);
    return reply;
}

std::unique_ptr<TcpDriver> TcpDriver::FromEnvironment() {
    wchar_t port[16] = {};
    const DWORD length = GetEnvironmentVariableW(kDriverPortVariable, port, 16);
    if (length == 0 || length >= 16) {
        return nullptr;
    }
    wchar_t token[256] = {};
    const DWORD tokenLength = GetEnvironmentVariableW(kDriverTokenVariable, token, 256);
    if (tokenLength < kShortestDriverToken || tokenLength >= 256) {
        std::fprintf(stderr,
                     "page driver: not listening: %ls must hold a token of %u to 255 "
                     "characters\n",
                     kDriverTokenVariable, static_cast<unsigned>(kShortestDriverToken));
        return nullptr;
    }
    auto driver = std::make_unique<TcpDriver>(WideToUtf8(token));
    if (!driver->Start(static_cast<unsigned short>(_wtoi(port)))) {
        std::fprintf(stderr, "page driver: cannot listen on 127.0.0.1:%ls\n", port);
        return nullptr;
    }
    return driver;
}

unsigned short TcpDriver::ListeningPort() {
    const TcpDriver* driver = g_listening;
    return driver ? driver->port() : 0;
}

TcpDriver::~TcpDriver() {
    TcpDriver* self = this;
    g_listening.compare_exchange_strong(self, nullptr);
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
    }
    if (winsock_) {
        WSACleanup();
    }
}

bool TcpDriver::Start(unsigned short port) {
    WSADATA data;
    winsock_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    if (!winsock_) {
        return false;
    }
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof address;
    if (listener_ == INVALID_SOCKET ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 1) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return false;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread(&TcpDriver::Serve, this);
    g_listening = this;
    return true;
}

bool TcpDriver::Readable(SOCKET s) {
    // A blocked accept or recv is not reliably woken by closing or shutting down its socket from
    // another thread, so the driver looks at its stop flag between short waits.
    while (!stopping_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval wait{0, kPollMicroseconds};
        const int ready = select(0, &readable, nullptr, nullptr, &wait);
        if (ready != 0) {
            return ready > 0;
        }
    }
    return false;
}

void TcpDriver::Serve() {
    while (Readable(listener_)) {
        const SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            return;
        }
        Converse(client);
        closesocket(client);
    }
}

void TcpDriver::Converse(SOCKET client) {
    std::string pending;
    char buffer[4096];
    while (Readable(client)) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return;
        }
        pending.append(buffer, static_cast<size_t>(got));
        size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.empty()) {
                continue;
            }
            const Reply reply = Handle(line);
            const std::string sent = reply.line + "\n";
            if (send(client, sent.data(), static_cast<int>(sent.size()), 0) !=
                    static_cast<int>(sent.size()) ||
                !reply.goOn) {
                return;
            }
        }
        if (pending.size() > kMaxLine) {
            return;
        }
    }
}

}  // namespace cefimpl
