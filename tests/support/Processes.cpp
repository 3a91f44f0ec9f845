#include "Processes.h"

#include <windows.h>

#include <tlhelp32.h>

#include <functional>

namespace {

void ForEachProcess(const wchar_t* name, const std::function<void(DWORD id)>& visit) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, name) == 0) {
            visit(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
}

}  // namespace

int CountProcesses(const wchar_t* name) {
    int count = 0;
    ForEachProcess(name, [&](DWORD) { ++count; });
    return count;
}

DWORD FindProcess(const wchar_t* name) {
    DWORD found = 0;
    ForEachProcess(name, [&](DWORD id) { found = id; });
    return found;
}

void EndProcesses(const wchar_t* name) {
    ForEachProcess(name, [](DWORD id) {
        if (const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(process, 1);
            CloseHandle(process);
        }
    });
}

ChildProcess::ChildProcess(std::wstring command) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_) != FALSE;
}

ChildProcess::~ChildProcess() {
    if (!started_) {
        return;
    }
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 1);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool ChildProcess::Ended(DWORD ms) const {
    return started_ && WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    return started_ && GetExitCodeProcess(info_.hProcess, &code) ? code : STILL_ACTIVE;
}
