#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Points one of the current user's shell folders at `folder` until destroyed, in both keys the
// shell reads, and puts the previous values (or their absence) back.
class ShellFolderRedirect {
public:
    ShellFolderRedirect(const wchar_t* value, const std::wstring& folder);
    ~ShellFolderRedirect();

    ShellFolderRedirect(const ShellFolderRedirect&) = delete;
    ShellFolderRedirect& operator=(const ShellFolderRedirect&) = delete;

private:
    struct Saved {
        const wchar_t* subKey;
        DWORD newType;
        bool present = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };

    const wchar_t* value_;
    Saved saved_[2] = {
        {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
         REG_EXPAND_SZ,
         false,
         0,
         {}},
        {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
         REG_SZ,
         false,
         0,
         {}},
    };
};
