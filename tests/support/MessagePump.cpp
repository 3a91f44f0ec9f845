#include "MessagePump.h"

#include <windows.h>

void PumpMessages(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    MSG message;
    for (;;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (static_cast<int>(end - GetTickCount()) <= 0) {
            return;
        }
        Sleep(5);
    }
}
