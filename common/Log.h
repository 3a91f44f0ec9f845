#pragma once

#include <string>

// Writes a line to the process's daily diagnostic log when `level` is at most its threshold.
// Texts are written byte for byte, so callers pass them in the ANSI code page.
void WriteLog(const int& level, const std::string& title, const std::string& text);
