#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Points one of the shell folders at `folder` until destroyed, in both keys the shell reads, and
// puts the previous values (or their absence) back. The current user's folders by default;
// HKEY_LOCAL_MACHINE for the ones of all users ("Common Desktop", "Common Programs").
class ShellFolderRedirect {
public:
    ShellFolderRedirect(const wchar_t* value, const std::wstring& folder,
                        HKEY root = HKEY_CURRENT_USER);
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

    HKEY root_;
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
