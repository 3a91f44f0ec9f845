#pragma once

#include <string>

#include "Log.h"
#include "ThreadLock.h"

// The process's daily diagnostic log: one file a day in "_OrvanLog" beside the executable.
// Texts are written byte for byte, so callers pass them in the ANSI code page.
class CLogFile : public CThreadLock {
public:
    // The log beside this process's executable.
    CLogFile();
    // A log in the given folder (full path, no trailing backslash); only its last level is
    // created when missing.
    explicit CLogFile(const std::string& folder);

    void WriteLog(const int& level, const std::string& title, const std::string& text);
    std::string GetLogFileName() const;
    const std::string& GetFolder() const { return folder_; }

private:
    int threshold_;
    std::string folder_;
    std::string prefix_;
};

// The one log of the process, constructed during static initialisation.
extern CLogFile g_logFile;
