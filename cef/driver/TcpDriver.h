#pragma once

#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>

namespace cefimpl {

// The page driver over a loopback connection: one client at a time sends requests as lines of
// JSON and gets one line of JSON back for each (see cef/README.md).
class TcpDriver {
public:
    TcpDriver() = default;
    ~TcpDriver();
    TcpDriver(const TcpDriver&) = delete;
    TcpDriver& operator=(const TcpDriver&) = delete;

    // Listens on 127.0.0.1:`port` (0 = any free port).
    bool Start(unsigned short port);
    unsigned short port() const { return port_; }

private:
    // One request line to one response line.
    static std::string Handle(const std::string& request);
    void Serve();
    void Converse(SOCKET client);
    // Waits until `s` can be read or the driver stops; false when it stops.
    bool Readable(SOCKET s);

    bool winsock_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace cefimpl
