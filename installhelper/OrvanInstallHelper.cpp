#include "OrvanInstallHelper.h"

#include <tlhelp32.h>

#include <cwchar>

#include "Win32Handles.h"

namespace {

constexpr wchar_t kTargetName[] = L"Tessel.exe";
constexpr int kMaxAttempts = 35;
constexpr DWORD kRetryDelayMs = 100;

// The id of the first process in a fresh snapshot whose executable is Tessel.exe, or 0.
DWORD FindInstance() {
    const CScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) {
        return 0;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, kTargetName) == 0) {
            return entry.th32ProcessID;
        }
    }
    return 0;
}

// Lets this process open processes of other users; failures leave the rights as they were.
void EnableDebugPrivilege() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &rawToken)) {
        return;
    }
    const CScopedHandle token(rawToken);
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
        AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    }
}

void EndInstance(DWORD processId) {
    EnableDebugPrivilege();
    const CScopedHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (process.valid()) {
        TerminateProcess(process.get(), 1);
    }
}

}  // namespace

extern "C" {

int WINAPI KillAllProcess(void) {
    DWORD instance = FindInstance();
    for (int attempt = 0; instance && attempt < kMaxAttempts; ++attempt) {
        EndInstance(instance);
        Sleep(kRetryDelayMs);
        instance = FindInstance();
    }
    return static_cast<int>(instance);
}

int WINAPI IsVistaOSOrLater(void) {
    OSVERSIONINFOEXW extended = {};
    extended.dwOSVersionInfoSize = sizeof extended;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
        return extended.dwMajorVersion > 5 ? 1 : 0;
    }
    OSVERSIONINFOW basic = {};
    basic.dwOSVersionInfoSize = sizeof basic;
    if (GetVersionExW(&basic)) {
        return basic.dwMajorVersion > 5 ? 1 : 0;
    }
    return 0;
}

}  // extern "C"
