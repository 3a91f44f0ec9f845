#include "WebSocket.h"

#include <ws2tcpip.h>
#include <wincrypt.h>

#include <new>

#include "Base64.h"

namespace cefimpl {

namespace websocket {

namespace {

constexpr uint64_t kLength16 = 126;
constexpr uint64_t kLength64 = 127;

}  // namespace

namespace {

std::string Encode(Opcode opcode, const std::string& payload, bool masked, uint32_t mask) {
    const char maskBit = masked ? static_cast<char>(0x80) : 0;
    std::string frame;
    frame += static_cast<char>(0x80 | opcode);
    const uint64_t length = payload.size();
    if (length < kLength16) {
        frame += static_cast<char>(maskBit | length);
    } else if (length <= 0xFFFF) {
        frame += static_cast<char>(maskBit | kLength16);
        frame += static_cast<char>(length >> 8);
        frame += static_cast<char>(length & 0xFF);
    } else {
        frame += static_cast<char>(maskBit | kLength64);
        for (int shift = 56; shift >= 0; shift -= 8) {
            frame += static_cast<char>((length >> shift) & 0xFF);
        }
    }
    if (!masked) {
        return frame + payload;
    }
    const char key[4] = {static_cast<char>(mask >> 24), static_cast<char>(mask >> 16),
                         static_cast<char>(mask >> 8), static_cast<char>(mask)};
    frame.append(key, 4);
    const size_t start = frame.size();
    frame += payload;
    for (size_t i = 0; i < payload.size(); ++i) {
        frame[start + i] = static_cast<char>(frame[start + i] ^ key[i % 4]);
    }
    return frame;
}

}  // namespace

std::string EncodeFrame(Opcode opcode, const std::string& payload, uint32_t mask) {
    return Encode(opcode, payload, true, mask);
}

std::string EncodeServerFrame(Opcode opcode, const std::string& payload) {
    return Encode(opcode, payload, false, 0);
}

std::string AcceptKey(const std::string& key) {
    const std::string text = key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[20] = {};
    DWORD length = sizeof digest;
    const bool done =
        CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
        CryptHashData(hash, reinterpret_cast<const BYTE*>(text.data()),
                      static_cast<DWORD>(text.size()), 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
    if (hash) {
        CryptDestroyHash(hash);
    }
    if (provider) {
        CryptReleaseContext(provider, 0);
    }
    return done ? Base64Encode(std::string(reinterpret_cast<const char*>(digest), length))
                : std::string();
}

ParseStatus ParseFrame(std::string& buffer, Frame& frame, uint64_t maxPayload) {
    if (buffer.size() < 2) {
        return ParseStatus::NeedMore;
    }
    const auto byte = [&buffer](size_t i) { return static_cast<unsigned char>(buffer[i]); };
    if (byte(0) & 0x70) {
        return ParseStatus::Invalid;  // no extension was negotiated
    }
    const bool masked = byte(1) & 0x80;
    uint64_t length = byte(1) & 0x7F;
    size_t header = 2;
    if (length == kLength16 || length == kLength64) {
        const size_t bytes = length == kLength16 ? 2 : 8;
        if (buffer.size() < header + bytes) {
            return ParseStatus::NeedMore;
        }
        length = 0;
        for (size_t i = 0; i < bytes; ++i) {
            length = (length << 8) | byte(header + i);
        }
        header += bytes;
    }
    if (length > maxPayload) {
        return ParseStatus::Invalid;
    }
    const size_t maskAt = header;
    header += masked ? 4 : 0;
    if (buffer.size() < header + length) {
        return ParseStatus::NeedMore;
    }
    frame.final = byte(0) & 0x80;
    frame.opcode = static_cast<Opcode>(byte(0) & 0x0F);
    frame.payload.assign(buffer, header, static_cast<size_t>(length));
    if (masked) {
        for (size_t i = 0; i < frame.payload.size(); ++i) {
            frame.payload[i] = static_cast<char>(frame.payload[i] ^ buffer[maskAt + i % 4]);
        }
    }
    buffer.erase(0, header + static_cast<size_t>(length));
    return ParseStatus::Complete;
}

MessageAssembler::Result MessageAssembler::Add(Frame frame, std::string& message) {
    switch (frame.opcode) {
        case kClose:
            return Result::Closed;
        case kPing:
        case kPong:
            return frame.final ? Result::Control : Result::Invalid;
        case kText:
        case kBinary:
            if (assembling_) {
                return Result::Invalid;
            }
            if (frame.final) {
                message = std::move(frame.payload);
                return Result::Message;
            }
            assembling_ = true;
            partial_ = std::move(frame.payload);
            return Result::Control;
        case kContinuation:
            if (!assembling_) {
                return Result::Invalid;
            }
            partial_ += frame.payload;
            if (!frame.final) {
                return Result::Control;
            }
            assembling_ = false;
            message = std::move(partial_);
            partial_.clear();
            return Result::Message;
        default:
            return Result::Invalid;
    }
}

}  // namespace websocket

namespace {

// DevTools messages carry whole screenshots; anything beyond this is a broken peer.
// Far above any message the engine asks for (native calls are bounded in the page), and small
// enough for a 32-bit program to hold with a copy or two.
constexpr uint64_t kMaxMessageBytes = 64u * 1024 * 1024;
constexpr size_t kReceiveChunk = 256 * 1024;
constexpr size_t kMaxHandshakeBytes = 16 * 1024;

}  // namespace

WebSocketClient::~WebSocketClient() {
    Release();
}

void WebSocketClient::Release() {
    if (socket_ != INVALID_SOCKET) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
}

bool WebSocketClient::Connect(const std::string& host, unsigned short port, const std::string& path,
                              std::string& error) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        error = "not an IPv4 address: " + host;
        return false;
    }
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) {
        error = "socket() failed: " + std::to_string(WSAGetLastError());
        return false;
    }
    // Every DevTools command is a small request waiting for its answer: Nagle's delay would add
    // tens of milliseconds to each.
    const BOOL noDelay = TRUE;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = "cannot connect to " + host + ":" + std::to_string(port) + " (" +
                std::to_string(WSAGetLastError()) + ")";
        Release();
        return false;
    }
    std::string nonce(16, '\0');
    for (size_t i = 0; i < nonce.size(); ++i) {
        nonce[i] = static_cast<char>((GetTickCount() * 2654435761u) >> (i % 24));
    }
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: " + host + ":" +
                                std::to_string(port) +
                                "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                "Sec-WebSocket-Key: " +
                                Base64Encode(nonce) + "\r\nSec-WebSocket-Version: 13\r\n\r\n";
    if (::send(socket_, request.data(), static_cast<int>(request.size()), 0) !=
        static_cast<int>(request.size())) {
        error = "cannot send the handshake";
        Release();
        return false;
    }
    size_t end;
    while ((end = received_.find("\r\n\r\n")) == std::string::npos) {
        if (received_.size() > kMaxHandshakeBytes || !Fill()) {
            error = "no handshake answer";
            Release();
            return false;
        }
    }
    const std::string status = received_.substr(0, received_.find("\r\n"));
    if (status.find(" 101") == std::string::npos) {
        error = "handshake refused: " + status;
        Release();
        return false;
    }
    received_.erase(0, end + 4);
    return true;
}

bool WebSocketClient::Fill() {
    if (socket_ == INVALID_SOCKET) {
        return false;
    }
    const size_t old = received_.size();
    received_.resize(old + kReceiveChunk);
    const int got = ::recv(socket_, &received_[old], static_cast<int>(kReceiveChunk), 0);
    received_.resize(old + (got > 0 ? static_cast<size_t>(got) : 0));
    return got > 0;
}

bool WebSocketClient::SendFrame(websocket::Opcode opcode, const std::string& payload) {
    const uint32_t mask = maskSeed_.fetch_add(0x6D2B79F5u) * 2246822519u;
    const std::string frame = websocket::EncodeFrame(opcode, payload, mask);
    std::lock_guard<std::mutex> lock(sendMutex_);
    size_t sent = 0;
    while (sent < frame.size()) {
        const int count =
            ::send(socket_, frame.data() + sent, static_cast<int>(frame.size() - sent), 0);
        if (count <= 0) {
            return false;
        }
        sent += static_cast<size_t>(count);
    }
    return true;
}

bool WebSocketClient::Send(const std::string& text) {
    return socket_ != INVALID_SOCKET && SendFrame(websocket::kText, text);
}

bool WebSocketClient::Receive(std::string& message) {
    // A message this program cannot hold ends the connection, not the program.
    try {
        return ReceiveMessage(message);
    } catch (const std::bad_alloc&) {
        received_.clear();
        received_.shrink_to_fit();
        return false;
    }
}

bool WebSocketClient::ReceiveMessage(std::string& message) {
    for (;;) {
        websocket::Frame frame;
        const websocket::ParseStatus status =
            websocket::ParseFrame(received_, frame, kMaxMessageBytes);
        if (status == websocket::ParseStatus::Invalid) {
            return false;
        }
        if (status == websocket::ParseStatus::NeedMore) {
            if (!Fill()) {
                return false;
            }
            continue;
        }
        const bool ping = frame.opcode == websocket::kPing;
        const std::string pingPayload = ping ? frame.payload : std::string();
        switch (assembler_.Add(std::move(frame), message)) {
            case websocket::MessageAssembler::Result::Message:
                return true;
            case websocket::MessageAssembler::Result::Control:
                if (ping) {
                    SendFrame(websocket::kPong, pingPayload);
                }
                break;
            default:
                return false;
        }
    }
}

void WebSocketClient::Close() {
    // Only shut down: another thread may be inside recv on the socket, which is closed with the
    // object.
    if (socket_ != INVALID_SOCKET) {
        shutdown(socket_, SD_BOTH);
    }
}

}  // namespace cefimpl
