#pragma once

#include <windows.h>

#include "Win32Handles.h"

// The program's claim on the user's session: the first start holds a named mutex from its first
// moment until it ends, so that a second start knows about it before any window exists.
class CSingleInstance {
public:
    CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // False when another start of the program holds the claim.
    bool IsFirst() const { return first_; }

    // For a start that is not first: waits up to `waitMs` for the running program's main window,
    // which it brings forward (false), or for the claim, which the program that held it let go
    // on its way out (true: this start goes on as the first).
    bool WaitForTurn(DWORD waitMs);

private:
    CScopedHandle mutex_;
    bool first_ = true;
};

// Brings a running main window forward; true when there is one.
bool ActivateRunningInstance();
