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

void EndProcesses(const wchar_t* name) {
    ForEachProcess(name, [](DWORD id) {
        if (const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(process, 1);
            CloseHandle(process);
        }
    });
}
