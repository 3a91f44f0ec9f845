#include "LoopbackServer.h"

#include <ws2tcpip.h>

namespace {

SOCKET ListenOnLoopback(unsigned short* port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(s, SOMAXCONN) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    *port = ntohs(address.sin_port);
    return s;
}

}  // namespace

LoopbackServer::LoopbackServer() {
    listener_.reset(ListenOnLoopback(&port_));
}

std::wstring LoopbackServer::connectionText() const {
    return L"ip=127.0.0.1;port=" + std::to_wstring(port_);
}

SOCKET LoopbackServer::Accept() {
    return accept(listener_.get(), nullptr, nullptr);
}

std::string ReceiveExactly(SOCKET s, size_t count) {
    std::string data(count, '\0');
    size_t have = 0;
    while (have < count) {
        const int got = recv(s, &data[have], static_cast<int>(count - have), 0);
        if (got <= 0) {
            break;
        }
        have += static_cast<size_t>(got);
    }
    data.resize(have);
    return data;
}

unsigned short ClosedPort() {
    WinsockSession session;
    unsigned short port = 0;
    closesocket(ListenOnLoopback(&port));
    return port;
}
