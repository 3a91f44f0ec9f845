#pragma once

#include <windows.h>

#include <functional>
#include <vector>

// Whether a window is one the caller looks for; an empty filter takes every window.
using WindowFilter = std::function<bool(HWND)>;

// The visible top-level windows of `process` that `wanted` takes, front to back.
std::vector<HWND> VisibleWindowsOf(DWORD process, const WindowFilter& wanted = nullptr);

// The frontmost of those windows, or null; stops looking at the first, for callers that poll.
HWND FindVisibleWindowOf(DWORD process, const WindowFilter& wanted = nullptr);

// Whether the window's class is `name` (a dialog's is "#32770").
bool HasClassName(HWND window, const wchar_t* name);
