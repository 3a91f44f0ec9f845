#include "Engine.h"

#include <windowsx.h>

#include <commdlg.h>

#include <algorithm>
#include <memory>
#include <type_traits>

namespace cefimpl {

namespace {

struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer<HMENU>::type, MenuDestroyer>;

void AppendMenuEntries(HMENU menu, const std::vector<MenuEntry>& entries) {
    for (const auto& entry : entries) {
        if (entry.type == MENUITEMTYPE_SEPARATOR) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (entry.type == MENUITEMTYPE_SUBMENU) {
            HMENU submenu = CreatePopupMenu();
            AppendMenuEntries(submenu, entry.submenu);
            AppendMenuW(menu, MF_POPUP | (entry.enabled ? 0 : MF_GRAYED),
                        reinterpret_cast<UINT_PTR>(submenu), entry.label.c_str());
        } else {
            AppendMenuW(
                menu,
                MF_STRING | (entry.enabled ? 0 : MF_GRAYED) | (entry.checked ? MF_CHECKED : 0),
                static_cast<UINT_PTR>(entry.commandId), entry.label.c_str());
        }
    }
}

}  // namespace

int Engine::RunMenu(int browserId, POINT clientPoint, const std::vector<MenuEntry>& menu) {
    const HWND window = FindView(browserId);
    if (!window) {
        return 0;
    }
    MenuHandle popup(CreatePopupMenu());
    AppendMenuEntries(popup.get(), menu);
    POINT screen = clientPoint;
    ClientToScreen(window, &screen);
    // A menu closes properly on a click elsewhere only when its owner is in the foreground.
    SetForegroundWindow(GetAncestor(window, GA_ROOT));
    const int command =
        static_cast<int>(TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                        screen.x, screen.y, 0, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);
    return command;
}

bool Engine::ChooseSavePath(int browserId, std::wstring& path) {
    std::vector<wchar_t> buffer(32768, L'\0');
    path.copy(buffer.data(), std::min(path.size(), buffer.size() - 1));
    const HWND window = FindView(browserId);
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window ? GetAncestor(window, GA_ROOT) : nullptr;
    dialog.lpstrFilter = L"All files (*.*)\0*.*\0";
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&dialog)) {
        return false;
    }
    path = buffer.data();
    return true;
}

ScriptCallResult Engine::CallFunction(CefRefPtr<CefV8Context> context, const std::wstring& name,
                                      const CefV8ValueList& arguments) {
    ScriptCallResult result;
    if (!context || !context->Enter()) {
        result.error = L"the frame has no script context";
        return result;
    }
    CefRefPtr<CefV8Value> function = context->GetGlobal()->GetValue(name);
    if (!function || !function->IsFunction()) {
        result.error = L"the global object has no function " + name;
    } else {
        result.called = true;
        result.result = function->ExecuteFunction(nullptr, arguments);
        if (!result.result && function->HasException()) {
            result.exception = function->GetException()->GetMessage();
            function->ClearException();
        }
    }
    context->Exit();
    return result;
}

HWND CreateBrowserWindow(const cef_window_info_t& info, const wchar_t* windowClass) {
    const std::wstring title(info.window_name.str ? info.window_name.str : L"",
                             info.window_name.length);
    return CreateWindowExW(info.ex_style, windowClass, title.c_str(), info.style, info.x, info.y,
                           info.width, info.height, info.parent_window, info.menu,
                           GetModuleHandleW(nullptr), nullptr);
}

POINT ContextMenuPoint(HWND window, LPARAM lParam) {
    if (lParam == -1) {
        return POINT{0, 0};
    }
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(window, &at);
    return at;
}

}  // namespace cefimpl
