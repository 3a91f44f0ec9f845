#pragma once

#include <functional>
#include <string>

// Where files the program saves for the user go, and what they may be called.

// The user's desktop (ANSI) and documents (wide) folders; empty when the shell has none.
std::string DesktopFolder();
std::wstring DocumentsFolder();

// Where a download the browser starts is proposed: the documents folder and the suggested name,
// with ".txt" added to a name without any "."; empty when there is no documents folder.
std::wstring DefaultDownloadPath(const std::wstring& suggestedName);

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
