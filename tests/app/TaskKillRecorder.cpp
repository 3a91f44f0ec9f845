// Takes the place of the system's task-kill command for a test: appends its command line to
// "taskkill.log" beside itself, then ends every process named after "/IM" as "/F" would.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

namespace {

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

void Record(const std::wstring& line) {
    const HANDLE log = CreateFileW((OwnFolder() + L"taskkill.log").c_str(), FILE_APPEND_DATA, 0,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::string bytes(line.begin(), line.end());
    DWORD written = 0;
    WriteFile(log, (bytes + "\r\n").data(), static_cast<DWORD>(bytes.size() + 2), &written,
              nullptr);
    CloseHandle(log);
}

void EndProcessesNamed(const std::wstring& name) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, name.c_str()) == 0) {
            const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
            TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const std::wstring arguments(commandLine);
    Record(arguments);
    const size_t image = arguments.find(L"/IM ");
    if (image != std::wstring::npos) {
        EndProcessesNamed(arguments.substr(image + 4));
    }
    return 0;
}
