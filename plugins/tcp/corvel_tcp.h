/* corvel_tcp: a TCP client transport plug-in for host programs.
 *
 * A host loads corvel_tcp.dll, calls GetPlugDllFuns to have a PlugDllFuns table filled and works
 * through the table from then on. Every function uses the __stdcall convention. A connection is
 * described by a text of key=value pairs separated by ';', e.g. L"ip=192.168.1.10;port=9100".
 *
 * Result codes: 0 success; > 0 bytes received or sent; -1 missing argument; -2 description buffer
 * too small; -3 receive time-out; -11 connection broken (now or earlier); -100 the wait for input
 * failed and the connection was given up.
 */
#ifndef CORVEL_TCP_H
#define CORVEL_TCP_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* PlugHandle;

enum {
    PLUG_OK = 0,
    PLUG_E_ARGUMENT = -1,
    PLUG_E_BUFFER_TOO_SMALL = -2,
    PLUG_E_TIMEOUT = -3,
    PLUG_E_BROKEN = -11,
    PLUG_E_WAIT_FAILED = -100
};

/* Connection states reported by the state entry. */
enum { PLUG_STATE_BROKEN = 1, PLUG_STATE_CONNECTED = 2 };

typedef int(WINAPI* PlugDescriptionFn)(wchar_t* buffer, int capacity);
typedef PlugHandle(WINAPI* PlugOpenFn)(const wchar_t* connectionText);
typedef int(WINAPI* PlugCloseFn)(PlugHandle handle);
typedef int(WINAPI* PlugReservedFn)(void);
typedef int(WINAPI* PlugGetStateFn)(PlugHandle handle);
typedef int(WINAPI* PlugReceiveFn)(PlugHandle handle, char* buffer, int size, int timeoutMs);
typedef int(WINAPI* PlugSendFn)(PlugHandle handle, const char* data, int length);
typedef int(WINAPI* PlugDrainFn)(PlugHandle handle);

typedef struct PlugDllFuns {
    int size; /* 52 */
    PlugDescriptionFn description;
    PlugOpenFn open;
    PlugCloseFn close;
    PlugReservedFn reserved1;
    PlugGetStateFn state;
    PlugReceiveFn receive;
    PlugSendFn send;
    PlugDrainFn drain;
    PlugReservedFn reserved2;
    PlugReservedFn reserved3;
    PlugReservedFn reserved4;
    PlugReservedFn reserved5;
} PlugDllFuns;

typedef int(WINAPI* GetPlugDllFunsFn)(PlugDllFuns* table);

/* Fills the table; -1 for a null table, otherwise 0. */
int WINAPI GetPlugDllFuns(PlugDllFuns* table);

#ifdef __cplusplus
}
#endif

#endif
