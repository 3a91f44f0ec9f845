#pragma once

#include <winsock2.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>

namespace cefimpl {

// The page driver over a loopback connection: one client at a time sends requests as lines of
// JSON and gets one line of JSON back for each (see cef/README.md). Every request carries the
// token the driver was started with: a loopback port is open to every local program, and to web
// pages, whose requests it must not run. A line that is not a request with that token is answered
// with an error and ends the connection.
class TcpDriver {
public:
    explicit TcpDriver(std::string token) : token_(std::move(token)) {}
    ~TcpDriver();
    TcpDriver(const TcpDriver&) = delete;
    TcpDriver& operator=(const TcpDriver&) = delete;

    // The driver TESSEL_CEF_DRIVER_PORT and TESSEL_CEF_DRIVER_TOKEN ask for, listening; null when
    // they ask for none, or with a message on stderr when they ask wrongly or it cannot listen.
    static std::unique_ptr<TcpDriver> FromEnvironment();
    // The port of the driver that listens now; 0 when none does.
    static unsigned short ListeningPort();

    // Listens on 127.0.0.1:`port` (0 = any free port).
    bool Start(unsigned short port);
    unsigned short port() const { return port_; }

private:
    struct Reply {
        std::string line;
        bool goOn;  // false: the connection ends after this reply
    };
    // One request line to one response line.
    Reply Handle(const std::string& request) const;
    void Serve();
    void Converse(SOCKET client);
    // Waits until `s` can be read or the driver stops; false when it stops.
    bool Readable(SOCKET s);

    const std::string token_;
    bool winsock_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace cefimpl
