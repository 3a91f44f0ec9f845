#include "DesktopFile.h"

#include <windows.h>
#include <shlobj.h>

std::string DesktopFolder() {
    char path[MAX_PATH] = {};
    if (FAILED(
            SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::string();
    }
    return path;
}

std::wstring DocumentsFolder() {
    wchar_t path[1024] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::wstring();
    }
    return path;
}

std::wstring DefaultDownloadPath(const std::wstring& suggestedName) {
    const std::wstring folder = DocumentsFolder();
    if (folder.empty()) {
        return std::wstring();
    }
    std::wstring path = folder + L"\\" + suggestedName;
    if (suggestedName.find(L'.') == std::wstring::npos) {
        path += L".txt";
    }
    return path;
}
