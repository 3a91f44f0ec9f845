#include "LogFile.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <ctime>
#include <memory>

#include "Win32Handles.h"

CLogFile g_logFile;

namespace {

std::string ExecutableFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\') + 1);
}

}  // namespace

CLogFile::CLogFile() : CLogFile(ExecutableFolder() + "_OrvanLog") {}

CLogFile::CLogFile(const std::string& folder)
    : threshold_(kLogProgress), folder_(folder), prefix_("Orvan") {
    if (!PathFileExistsA(folder_.c_str())) {
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
}

std::string CLogFile::GetLogFileName() const {
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_s(&local, &now);
    char name[1024] = {};
    std::snprintf(name, sizeof name, "%s\\%s_%04d-%02d-%02d.log", folder_.c_str(), prefix_.c_str(),
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return name;
}

void CLogFile::WriteLog(const int& level, const std::string& title, const std::string& text) {
    if (level > threshold_) {
        return;
    }
    const std::string fileName = GetLogFileName();
    CAutoLock guard(this);
    if (fileName.empty()) {
        return;
    }
    const FilePtr file(std::fopen(fileName.c_str(), "a+"));
    if (!file) {
        return;
    }
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    std::fprintf(file.get(), "%04d-%02d-%02d ", now.wYear, now.wMonth, now.wDay);
    std::fprintf(file.get(), "%02d:%02d:%02d.%03d ", now.wHour, now.wMinute, now.wSecond,
                 now.wMilliseconds);
    std::fprintf(file.get(), "%lu ", GetCurrentThreadId());
    std::fprintf(file.get(), "%s : ", title.c_str());
    std::fprintf(file.get(), "%s\n", text.c_str());
}

void WriteLog(const int& level, const std::string& title, const std::string& text) {
    g_logFile.WriteLog(level, title, text);
}
