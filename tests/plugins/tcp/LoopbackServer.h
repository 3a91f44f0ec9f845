#pragma once

#include <winsock2.h>

#include <string>

// Keeps Windows Sockets started for as long as it lives.
class WinsockSession {
public:
    WinsockSession() { started_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~WinsockSession() {
        if (started_) {
            WSACleanup();
        }
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;

private:
    WSADATA data_;
    bool started_;
};

// A socket closed at scope end.
class ScopedSocket {
public:
    explicit ScopedSocket(SOCKET s = INVALID_SOCKET) : socket_(s) {}
    ~ScopedSocket() { reset(); }
    ScopedSocket(const ScopedSocket&) = delete;
    ScopedSocket& operator=(const ScopedSocket&) = delete;

    SOCKET get() const { return socket_; }
    void reset(SOCKET s = INVALID_SOCKET) {
        if (socket_ != INVALID_SOCKET) {
            closesocket(socket_);
        }
        socket_ = s;
    }

private:
    SOCKET socket_;
};

// A listening TCP socket on 127.0.0.1 at a port the system chose; the test accepts and talks
// to the plug-in's connections through it.
class LoopbackServer {
public:
    LoopbackServer();

    unsigned short port() const { return port_; }
    std::wstring connectionText() const;
    // Accepts the next pending connection (blocking); INVALID_SOCKET on failure.
    SOCKET Accept();
    void Close() { listener_.reset(); }

private:
    WinsockSession session_;
    ScopedSocket listener_;
    unsigned short port_ = 0;
};

// Receives exactly `count` bytes from a blocking socket; fewer when the peer closes or fails.
std::string ReceiveExactly(SOCKET s, size_t count);

// A port on 127.0.0.1 with nothing listening on it.
unsigned short ClosedPort();
