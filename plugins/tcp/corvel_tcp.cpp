#include "corvel_tcp.h"

#include "TcpConnection.h"

extern "C" int WINAPI GetPlugDllFuns(PlugDllFuns* table) {
    if (!table) {
        return PLUG_E_ARGUMENT;
    }
    table->size = sizeof(PlugDllFuns);
    table->description = PlugDescription;
    table->open = PlugOpen;
    table->close = PlugClose;
    table->reserved1 = PlugReserved;
    table->state = PlugGetState;
    table->receive = PlugReceive;
    table->send = PlugSend;
    table->drain = PlugDrain;
    table->reserved2 = PlugReserved;
    table->reserved3 = PlugReserved;
    table->reserved4 = PlugReserved;
    table->reserved5 = PlugReserved;
    return PLUG_OK;
}
