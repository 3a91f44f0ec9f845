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

private:
    CScopedHandle mutex_;
    bool first_ = true;
};

// Brings a running main window forward; true when there is one.
bool ActivateRunningInstance();

// Waits up to `waitMs` for the running instance's main window and brings it forward; false when
// none appeared in that time.
bool WaitForRunningInstance(DWORD waitMs);
