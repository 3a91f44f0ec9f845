#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "VisibleWindows.h"

// Starts a program and measures the time until a visible top-level window of its process exists,
// polling every millisecond; then closes it and waits for it to end. Prints the median of the
// runs in milliseconds on a line of its own starting "median-ms" (what the program started prints
// to the same output may come after it).
// Usage: startup_bench RUNS PROGRAM [ARGUMENTS]
namespace {

bool Unowned(HWND window) {
    return !GetWindow(window, GW_OWNER);
}

bool TaskKillRunning() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry)) {
        found = _wcsicmp(entry.szExeFile, L"taskkill.exe") == 0;
    }
    CloseHandle(snapshot);
    return found;
}

// Tessel ends what it started, and itself, by name on its way out: the next start waits until
// those commands are done, or they would end it too.
void WaitForTaskKills() {
    for (int waited = 0; waited < 10000 && TaskKillRunning(); waited += 20) {
        Sleep(20);
    }
}

// Milliseconds until the program shows a window, or -1.
double StartOnce(std::wstring command) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const double start = Now();
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return -1;
    }
    double shown = -1;
    HWND found = nullptr;
    while (Now() - start < 120) {
        found = FindVisibleWindowOf(info.dwProcessId, Unowned);
        if (found) {
            shown = (Now() - start) * 1000;
            break;
        }
        if (WaitForSingleObject(info.hProcess, 1) == WAIT_OBJECT_0) {
            break;
        }
    }
    if (found) {
        PostMessageW(found, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, INFINITE);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    WaitForTaskKills();
    return shown;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench RUNS PROGRAM [ARGUMENTS]\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    std::wstring command = L"\"" + std::wstring(argv[2]) + L"\"";
    for (int i = 3; i < argc; ++i) {
        command += L" ";
        command += argv[i];
    }
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double ms = StartOnce(command);
        if (ms < 0) {
            std::fprintf(stderr, "the program showed no window\n");
            return 1;
        }
        times.push_back(ms);
    }
    std::printf("median-ms %.1f\n", Median(times));
    return 0;
}
