#include "TcpConnection.h"

#include <ws2tcpip.h>

#include <cstdlib>
#include <cwchar>

#include "ConnText.h"

namespace {

constexpr wchar_t kDescription[] = L"TCP socket communicate";
constexpr int kLookupCapacity = 100;
constexpr int kDrainBufferSize = 1000;
constexpr int kDrainTimeoutMs = 50;

TcpConnection* FromHandle(PlugHandle handle) {
    return static_cast<TcpConnection*>(handle);
}

void GiveUp(TcpConnection* connection) {
    connection->state = PLUG_STATE_BROKEN;
    closesocket(connection->socket);
    connection->socket = 0;
}

// The leading decimal digits of the text, cut to 16 bits; 0 when there are none.
u_short ParsePort(const wchar_t* text) {
    unsigned value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        value = value * 10 + static_cast<unsigned>(*text - L'0');
    }
    return static_cast<u_short>(value);
}

// A strict dotted IPv4 address in the thread's ANSI code page; false for anything else.
bool ParseAddress(const wchar_t* text, in_addr* address) {
    char narrow[kLookupCapacity * 2] = {};
    if (!WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr)) {
        return false;
    }
    return inet_pton(AF_INET, narrow, address) == 1;
}

bool Connect(TcpConnection* connection, const wchar_t* ip, const wchar_t* port) {
    connection->address.sin_family = AF_INET;
    connection->address.sin_port = htons(ParsePort(port));
    if (!ParseAddress(ip, &connection->address.sin_addr)) {
        return false;
    }
    const auto* target = reinterpret_cast<const sockaddr*>(&connection->address);
    if (connect(connection->socket, target, sizeof connection->address) != 0) {
        return false;
    }
    u_long nonBlocking = 1;
    return ioctlsocket(connection->socket, FIONBIO, &nonBlocking) == 0;
}

// Waits up to `timeoutMs` for input, then takes it.
int WaitAndReceive(TcpConnection* connection, char* buffer, int size, int timeoutMs) {
    const int waitMs = timeoutMs < 0 ? 0 : timeoutMs;
    timeval timeout = {waitMs / 1000, (waitMs % 1000) * 1000};
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(connection->socket, &readable);
    const int ready = select(0, &readable, nullptr, nullptr, &timeout);
    if (ready == 0) {
        return PLUG_E_TIMEOUT;
    }
    if (ready < 0) {
        GiveUp(connection);
        return PLUG_E_WAIT_FAILED;
    }
    const int received = recv(connection->socket, buffer, size, 0);
    if (received > 0) {
        return received;
    }
    GiveUp(connection);
    return PLUG_E_BROKEN;
}

}  // namespace

extern "C" {

int WINAPI PlugDescription(wchar_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) {
        return PLUG_E_ARGUMENT;
    }
    const int length = static_cast<int>(wcslen(kDescription));
    if (capacity <= length) {
        return PLUG_E_BUFFER_TOO_SMALL;
    }
    wmemcpy(buffer, kDescription, length + 1);
    return PLUG_OK;
}

PlugHandle WINAPI PlugOpen(const wchar_t* connectionText) {
    wchar_t ip[kLookupCapacity] = {};
    wchar_t port[kLookupCapacity] = {};
    if (!GetConnValue(connectionText, L"ip", ip) || !GetConnValue(connectionText, L"port", port)) {
        return nullptr;
    }
    auto* connection = static_cast<TcpConnection*>(std::calloc(1, sizeof(TcpConnection)));
    if (!connection) {
        return nullptr;
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        std::free(connection);
        return nullptr;
    }
    connection->socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connection->socket == INVALID_SOCKET) {
        std::free(connection);
        WSACleanup();
        return nullptr;
    }
    if (!Connect(connection, ip, port)) {
        closesocket(connection->socket);
        WSACleanup();
        std::free(connection);
        return nullptr;
    }
    connection->state = PLUG_STATE_CONNECTED;
    return connection;
}

int WINAPI PlugClose(PlugHandle handle) {
    TcpConnection* connection = FromHandle(handle);
    if (!connection) {
        return PLUG_OK;
    }
    if (connection->socket) {
        closesocket(connection->socket);
    }
    WSACleanup();
    std::free(connection);
    return PLUG_OK;
}

int WINAPI PlugGetState(PlugHandle handle) {
    const TcpConnection* connection = FromHandle(handle);
    return connection ? static_cast<int>(connection->state) : static_cast<int>(PLUG_E_ARGUMENT);
}

int WINAPI PlugReceive(PlugHandle handle, char* buffer, int size, int timeoutMs) {
    TcpConnection* connection = FromHandle(handle);
    if (!connection || !buffer || size <= 0) {
        return PLUG_E_ARGUMENT;
    }
    if (!connection->socket) {
        return PLUG_E_BROKEN;
    }
    // The socket does not block: input already there is taken at once, without the wait's
    // extra call (under Wine each socket call costs a fixed amount).
    const int ready = recv(connection->socket, buffer, size, 0);
    if (ready > 0) {
        return ready;
    }
    if (ready == 0 || WSAGetLastError() != WSAEWOULDBLOCK) {
        GiveUp(connection);
        return PLUG_E_BROKEN;
    }
    return WaitAndReceive(connection, buffer, size, timeoutMs);
}

int WINAPI PlugSend(PlugHandle handle, const char* data, int length) {
    TcpConnection* connection = FromHandle(handle);
    if (!connection || !data || length <= 0) {
        return PLUG_E_ARGUMENT;
    }
    if (!connection->socket) {
        return PLUG_E_BROKEN;
    }
    const int sent = send(connection->socket, data, length, 0);
    if (sent > 0) {
        return sent;
    }
    GiveUp(connection);
    return PLUG_E_BROKEN;
}

int WINAPI PlugDrain(PlugHandle handle) {
    TcpConnection* connection = FromHandle(handle);
    if (!connection) {
        return PLUG_E_ARGUMENT;
    }
    if (!connection->socket) {
        return PLUG_E_BROKEN;
    }
    char discard[kDrainBufferSize];
    while (PlugReceive(handle, discard, kDrainBufferSize - 1, kDrainTimeoutMs) > 0) {
    }
    return PLUG_OK;
}

int WINAPI PlugReserved(void) {
    return PLUG_OK;
}

}  // extern "C"
