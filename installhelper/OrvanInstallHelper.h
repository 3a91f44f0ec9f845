#pragma once

#include <windows.h>

extern "C" {
// Ends every running Tessel.exe. 0 when none is left, otherwise the id of one that survived.
int WINAPI KillAllProcess(void);
// 1 on Windows Vista or later, otherwise 0.
int WINAPI IsVistaOSOrLater(void);
}
