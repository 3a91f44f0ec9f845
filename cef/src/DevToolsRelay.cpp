#define _CRT_RAND_S
#include "DevToolsRelay.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>

#include "WebSocket.h"

namespace cefimpl {

namespace {

constexpr size_t kMaxUpgradeBytes = 16 * 1024;
constexpr uint64_t kMaxFrontEndMessage = 16u * 1024 * 1024;
// A connection that sends no upgrade in this time is dropped, so it cannot hold the door.
constexpr DWORD kUpgradeWaitMs = 5000;
constexpr DWORD kSendPatienceMs = 10000;

std::string FreshToken() {
    std::string token;
    for (int i = 0; i < 4; ++i) {
        unsigned int value = 0;
        rand_s(&value);
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", value);
        token += hex;
    }
    return token;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

void CloseSocket(SOCKET& socket) {
    if (socket != INVALID_SOCKET) {
        closesocket(socket);
        socket = INVALID_SOCKET;
    }
}

}  // namespace

bool IsFrontEndUpgrade(const std::string& request, const std::string& token, std::string& key) {
    if (token.empty() || request.compare(0, token.size() + 6, "GET /" + token + " ") != 0) {
        return false;
    }
    const std::string lower = Lower(request);
    const std::string field = "\r\nsec-websocket-key:";
    const size_t at = lower.find(field);
    if (at == std::string::npos) {
        return false;
    }
    const size_t start = request.find_first_not_of(' ', at + field.size());
    const size_t end = request.find("\r\n", at + field.size());
    if (start == std::string::npos || end == std::string::npos || start >= end) {
        return false;
    }
    key = request.substr(start, end - start);
    key.erase(key.find_last_not_of(' ') + 1);
    return !key.empty();
}

DevToolsRelay::~DevToolsRelay() {
    Stop();
    CloseHandle(stop_);
    WSACloseEvent(socketEvent_);
}

bool DevToolsRelay::WaitForSocket(SOCKET socket, long events, DWORD timeoutMs) {
    WSAEventSelect(socket, socketEvent_, events);
    const HANDLE handles[] = {stop_, socketEvent_};
    const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
    WSAResetEvent(socketEvent_);
    return woke == WAIT_OBJECT_0 + 1;
}

DevToolsRelay::Read DevToolsRelay::ReadInto(SOCKET socket, std::string& text, DWORD timeoutMs) {
    if (!WaitForSocket(socket, FD_READ | FD_CLOSE, timeoutMs)) {
        return Read::Ended;
    }
    char buffer[64 * 1024];
    const int got = recv(socket, buffer, sizeof buffer, 0);
    if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
        return Read::Again;
    }
    if (got <= 0) {
        return Read::Ended;
    }
    text.append(buffer, static_cast<size_t>(got));
    return Read::Got;
}

bool DevToolsRelay::ReadUpgrade(SOCKET connection, std::string& request) {
    const DWORD start = GetTickCount();
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxUpgradeBytes) {
        const DWORD spent = GetTickCount() - start;
        const Read read = spent >= kUpgradeWaitMs
                              ? Read::Ended
                              : ReadInto(connection, request, kUpgradeWaitMs - spent);
        if (read == Read::Ended) {
            // Stopped, or too slow: a connection that sends no whole upgrade in time is let go.
            return WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0;
        }
    }
    return true;
}

std::string DevToolsRelay::Start(Receiver fromFrontEnd) {
    fromFrontEnd_ = std::move(fromFrontEnd);
    token_ = FreshToken();
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (listener_ == INVALID_SOCKET ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 1) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        CloseSocket(listener_);
        return std::string();
    }
    thread_ = std::thread([this] { Run(); });
    return "127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/" + token_;
}

void DevToolsRelay::Run() {
    if (AcceptFrontEnd()) {
        ReadFrontEnd();
    }
}

bool DevToolsRelay::AcceptFrontEnd() {
    SOCKET listener;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        listener = listener_;
    }
    for (;;) {
        if (!WaitForSocket(listener, FD_ACCEPT)) {
            return false;
        }
        SOCKET connection = accept(listener, nullptr, nullptr);
        if (connection == INVALID_SOCKET) {
            continue;
        }
        std::string request;
        if (!ReadUpgrade(connection, request)) {
            closesocket(connection);
            return false;
        }
        std::string key;
        const std::string accept =
            IsFrontEndUpgrade(request, token_, key) ? websocket::AcceptKey(key) : "";
        if (accept.empty()) {
            const char refusal[] = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
            send(connection, refusal, sizeof refusal - 1, 0);
            closesocket(connection);
            continue;
        }
        const std::string answer =
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Accept: " +
            accept + "\r\n\r\n";
        send(connection, answer.data(), static_cast<int>(answer.size()), 0);
        std::lock_guard<std::mutex> lock(mutex_);
        CloseSocket(listener_);
        if (stopped_) {
            closesocket(connection);
            return false;
        }
        frontEnd_ = connection;
        return true;
    }
}

void DevToolsRelay::ReadFrontEnd() {
    std::string received;
    websocket::MessageAssembler assembler;
    for (;;) {
        websocket::Frame frame;
        const websocket::ParseStatus status =
            websocket::ParseFrame(received, frame, kMaxFrontEndMessage);
        if (status == websocket::ParseStatus::Invalid) {
            break;
        }
        if (status == websocket::ParseStatus::NeedMore) {
            if (ReadInto(frontEnd_, received, INFINITE) == Read::Ended) {
                break;
            }
            continue;
        }
        const bool ping = frame.opcode == websocket::kPing;
        const std::string pingPayload = frame.payload;
        std::string message;
        const websocket::MessageAssembler::Result result = assembler.Add(std::move(frame), message);
        if (result == websocket::MessageAssembler::Result::Message) {
            fromFrontEnd_(message);
        } else if (result == websocket::MessageAssembler::Result::Control && ping) {
            SendFrame(websocket::kPong, pingPayload);
        } else if (result != websocket::MessageAssembler::Result::Control) {
            break;
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    CloseSocket(frontEnd_);
}

bool DevToolsRelay::Send(const std::string& message) {
    return SendFrame(websocket::kText, message);
}

bool DevToolsRelay::SendFrame(int opcode, const std::string& payload) {
    const std::string frame =
        websocket::EncodeServerFrame(static_cast<websocket::Opcode>(opcode), payload);
    std::lock_guard<std::mutex> lock(mutex_);
    const DWORD start = GetTickCount();
    size_t sent = 0;
    while (frontEnd_ != INVALID_SOCKET && sent < frame.size()) {
        const int put =
            send(frontEnd_, frame.data() + sent, static_cast<int>(frame.size() - sent), 0);
        if (put > 0) {
            sent += static_cast<size_t>(put);
            continue;
        }
        // The socket does not block: a front end that stops reading is waited for a while only,
        // and never past the relay's end.
        if (put == 0 || WSAGetLastError() != WSAEWOULDBLOCK ||
            WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0 ||
            GetTickCount() - start >= kSendPatienceMs) {
            return false;
        }
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(frontEnd_, &writable);
        timeval slice = {0, 100000};
        select(0, nullptr, &writable, nullptr, &slice);
    }
    return frontEnd_ != INVALID_SOCKET;
}

void DevToolsRelay::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    SetEvent(stop_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    CloseSocket(listener_);
    CloseSocket(frontEnd_);
}

}  // namespace cefimpl
