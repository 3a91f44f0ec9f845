#include "ShellFolderRedirect.h"

ShellFolderRedirect::ShellFolderRedirect(const wchar_t* value, const std::wstring& folder,
                                         HKEY root)
    : root_(root), value_(value) {
    for (Saved& saved : saved_) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root_, saved.subKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        DWORD size = 0;
        if (RegQueryValueExW(key, value_, nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
            saved.data.resize(size);
            saved.present = RegQueryValueExW(key, value_, nullptr, &saved.type, saved.data.data(),
                                             &size) == ERROR_SUCCESS;
        }
        RegSetValueExW(key, value_, 0, saved.newType, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

ShellFolderRedirect::~ShellFolderRedirect() {
    for (const Saved& saved : saved_) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root_, saved.subKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
            continue;
        }
        if (saved.present) {
            RegSetValueExW(key, value_, 0, saved.type, saved.data.data(),
                           static_cast<DWORD>(saved.data.size()));
        } else {
            RegDeleteValueW(key, value_);
        }
        RegCloseKey(key);
    }
}
