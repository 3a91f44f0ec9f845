#pragma once

#include <winsock2.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace cefimpl {

// The path a DevTools front end must ask for in its WebSocket upgrade to be let in: `token`
// exactly. The request's key for the answer comes back in `key`.
bool IsFrontEndUpgrade(const std::string& request, const std::string& token, std::string& key);

// Serves one DevTools front end over a loopback WebSocket whose path is a fresh secret token. The
// listening socket closes as soon as the front end holding the token is in, so nothing listens
// while the tools are open, and whoever does not know the token gets nothing.
class DevToolsRelay {
public:
    // Each message of the front end, on the relay's thread.
    using Receiver = std::function<void(const std::string& message)>;

    DevToolsRelay() = default;
    ~DevToolsRelay();
    DevToolsRelay(const DevToolsRelay&) = delete;
    DevToolsRelay& operator=(const DevToolsRelay&) = delete;

    // Listens on a loopback port; the address for the front end's ws= parameter
    // ("127.0.0.1:port/token"), or empty when it cannot listen.
    std::string Start(Receiver fromFrontEnd);
    // Any thread; false before the front end is in or after it went.
    bool Send(const std::string& message);
    void Stop();

private:
    void Run();
    // Takes connections until one upgrades with the token.
    bool AcceptFrontEnd();
    void ReadFrontEnd();
    bool SendFrame(int opcode, const std::string& payload);
    // Waits until `socket` has one of `events` (FD_ACCEPT, FD_READ...); false when the relay
    // stopped or the time ran out. Leaves the socket non-blocking.
    bool WaitForSocket(SOCKET socket, long events, DWORD timeoutMs = INFINITE);
    enum class Read { Got, Again, Ended };
    // Appends what `socket` has once it has some: Ended when it closed, broke, the time ran out
    // or the relay stopped; Again when the wake-up brought nothing.
    Read ReadInto(SOCKET socket, std::string& text, DWORD timeoutMs);
    // Reads a connection's upgrade request, for a few seconds at most; false when stopped.
    bool ReadUpgrade(SOCKET connection, std::string& request);

    std::string token_;
    Receiver fromFrontEnd_;
    SOCKET listener_ = INVALID_SOCKET;
    SOCKET frontEnd_ = INVALID_SOCKET;
    std::mutex mutex_;  // frontEnd_ and the sending side of it
    bool stopped_ = false;
    HANDLE stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE socketEvent_ = WSACreateEvent();
    std::thread thread_;
};

}  // namespace cefimpl
