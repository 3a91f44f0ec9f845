#pragma once

#include <windows.h>

// A DLL export as the function type the caller knows it has.
template <class Fn>
Fn LoadExport(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
