#pragma once

#include <string>

// The levels of log lines. The daily log takes lines up to kLogProgress.
enum LogLevel : int {
    kLogError = 1,     // something failed
    kLogProgress = 3,  // the steps of an operation as they happen
};

// Writes a line to the process's daily diagnostic log when `level` is at most its threshold.
// Texts are written byte for byte, so callers pass them in the ANSI code page.
void WriteLog(const int& level, const std::string& title, const std::string& text);
