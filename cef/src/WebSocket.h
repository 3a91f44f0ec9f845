#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "MessageChannel.h"

namespace cefimpl {

// The frame codec of RFC 6455, free of sockets so that it can be tested on its own.
namespace websocket {

enum Opcode : uint8_t {
    kContinuation = 0,
    kText = 1,
    kBinary = 2,
    kClose = 8,
    kPing = 9,
    kPong = 10
};

// A client frame: final, masked with `mask` as the protocol requires of clients.
std::string EncodeFrame(Opcode opcode, const std::string& payload, uint32_t mask);
// A server frame: final, unmasked.
std::string EncodeServerFrame(Opcode opcode, const std::string& payload);
// The Sec-WebSocket-Accept answer to a client's Sec-WebSocket-Key; empty when it cannot be made.
std::string AcceptKey(const std::string& key);

struct Frame {
    bool final = true;
    Opcode opcode = kText;
    std::string payload;
};

enum class ParseStatus { NeedMore, Complete, Invalid };

// Takes one frame off the front of `buffer` when it holds a whole one. Frames longer than
// `maxPayload` are invalid, so that a broken peer cannot make us allocate without bound.
ParseStatus ParseFrame(std::string& buffer, Frame& frame, uint64_t maxPayload);

// Joins fragmented messages and answers control frames; yields whole text or binary messages.
class MessageAssembler {
public:
    enum class Result { Message, Control, Closed, Invalid };
    Result Add(Frame frame, std::string& message);

private:
    bool assembling_ = false;
    std::string partial_;
};

}  // namespace websocket

// A blocking WebSocket client over Winsock for one loopback peer: sends from any thread, receives
// on one.
class WebSocketClient : public MessageChannel {
public:
    WebSocketClient() = default;
    ~WebSocketClient() override;
    WebSocketClient(const WebSocketClient&) = delete;
    WebSocketClient& operator=(const WebSocketClient&) = delete;

    // Connects to ws://host:port/path and completes the opening handshake.
    bool Connect(const std::string& host, unsigned short port, const std::string& path,
                 std::string& error);
    bool Send(const std::string& text) override;
    bool Receive(std::string& message) override;
    void Close() override;

private:
    bool SendFrame(websocket::Opcode opcode, const std::string& payload);
    bool ReceiveMessage(std::string& message);
    bool Fill();
    void Release();

    SOCKET socket_ = INVALID_SOCKET;
    std::mutex sendMutex_;
    std::string received_;
    websocket::MessageAssembler assembler_;
    std::atomic<uint32_t> maskSeed_{0x9E3779B9u};
};

}  // namespace cefimpl
