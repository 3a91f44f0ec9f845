#pragma once

#include <winsock2.h>

#include "corvel_tcp.h"

// One open connection; the host's handle is the record's address.
struct TcpConnection {
    SOCKET socket;  // 0 once the connection has broken
    LONG state;     // PLUG_STATE_CONNECTED or PLUG_STATE_BROKEN
    sockaddr_in address;
};
static_assert(sizeof(TcpConnection) == 24, "the record is 24 bytes on 32-bit Windows");

extern "C" {
int WINAPI PlugDescription(wchar_t* buffer, int capacity);
PlugHandle WINAPI PlugOpen(const wchar_t* connectionText);
int WINAPI PlugClose(PlugHandle handle);
int WINAPI PlugGetState(PlugHandle handle);
int WINAPI PlugReceive(PlugHandle handle, char* buffer, int size, int timeoutMs);
int WINAPI PlugSend(PlugHandle handle, const char* data, int length);
int WINAPI PlugDrain(PlugHandle handle);
int WINAPI PlugReserved(void);
}
