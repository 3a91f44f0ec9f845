#pragma once

#include <string>

// Conversions between the system's ANSI code page, UTF-8 and UTF-16. Characters the ANSI code
// page lacks become the system's default character.
std::wstring AnsiToWide(const std::string& ansi);
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToAnsi(const std::wstring& wide);
// Without look-alike substitutes: characters the ANSI code page lacks become `replacement`.
std::string WideToAnsiStrict(const std::wstring& wide, char replacement);
// The same into the code page given: the system's ANSI code page may be UTF-8 (65001).
std::string WideToCodePageStrict(unsigned codePage, const std::wstring& wide, char replacement);
std::string WideToUtf8(const std::wstring& wide);
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);
