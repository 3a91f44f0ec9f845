#pragma once

#include <windows.h>

#include <string>

// How many running processes have this executable name (any case).
int CountProcesses(const wchar_t* name);

// The id of a running process of this executable name; 0 when none runs.
DWORD FindProcess(const wchar_t* name);

// Ends every running process of this executable name.
void EndProcesses(const wchar_t* name);

// A process the test started from a command line; ended at scope end if it still runs.
class ChildProcess {
public:
    explicit ChildProcess(std::wstring command);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return started_; }
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }
    // Whether it ended within `ms`.
    bool Ended(DWORD ms) const;
    // Its exit code; STILL_ACTIVE while it runs.
    DWORD ExitCode() const;

private:
    PROCESS_INFORMATION info_ = {};
    bool started_ = false;
};
