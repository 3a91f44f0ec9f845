#pragma once

#include <functional>
#include <string>

// What files the program saves on the desktop for a web page may be called: plain functions over
// names, free of the Windows headers.

// Checks a file name that a web page chose and turns it into the ANSI name of a file directly in
// the desktop folder. Refused (false): an empty name, ".", "..", a name with "\", "/" or ":"
// (a folder, drive or stream), a name ending in "." or " ", and a device name ("NUL", "con.txt",
// "COM1.tar.gz", any case). Other characters no file name may hold ("<>\"|?*", control
// characters) and characters the ANSI code page lacks become "_".
bool MakeDesktopFileName(const std::wstring& name, std::string& ansiName);

// The ANSI name with "(count)" before its last "." ("a.xlsx" -> "a(1).xlsx"), or at its end
// when it has none ("README" -> "README(1)").
std::string NumberedName(const std::string& name, int count);

// `name`, or the first numbered form of it, whose path in `folder` does not exist.
std::string FreeFileName(const std::string& folder, const std::string& name,
                         const std::function<bool(const std::string& path)>& exists);
