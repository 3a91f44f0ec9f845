#include "VisibleWindows.h"

#include <cwchar>

namespace {

struct Search {
    DWORD process;
    const WindowFilter& wanted;
    bool firstOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.process || !IsWindowVisible(window) ||
        (search.wanted && !search.wanted(window))) {
        return TRUE;
    }
    search.found.push_back(window);
    return search.firstOnly ? FALSE : TRUE;
}

std::vector<HWND> Collect(DWORD process, const WindowFilter& wanted, bool firstOnly) {
    Search search{process, wanted, firstOnly, {}};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::vector<HWND> VisibleWindowsOf(DWORD process, const WindowFilter& wanted) {
    return Collect(process, wanted, false);
}

HWND FindVisibleWindowOf(DWORD process, const WindowFilter& wanted) {
    const std::vector<HWND> found = Collect(process, wanted, true);
    return found.empty() ? nullptr : found.front();
}

bool HasClassName(HWND window, const wchar_t* name) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    return std::wcscmp(className, name) == 0;
}
