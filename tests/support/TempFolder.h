#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with its contents at scope end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::string narrowPath() const;

private:
    std::wstring path_;
};

// The folder of the running executable, with a trailing backslash.
std::wstring ExecutableFolder();

// A whole file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
// Creates or replaces a file with exactly `bytes`.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The names in a folder, "." and ".." left out, sorted.
std::vector<std::wstring> FileNames(const std::wstring& folder);
