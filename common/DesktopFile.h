#pragma once

#include <string>

// Where files the program saves for the user go, and what they may be called.

// The user's desktop (ANSI) and documents (wide) folders; empty when the shell has none.
std::string DesktopFolder();
std::wstring DocumentsFolder();

// Where a download the browser starts is proposed: the documents folder and the suggested name,
// with ".txt" added to a name without any "."; empty when there is no documents folder.
std::wstring DefaultDownloadPath(const std::wstring& suggestedName);
