#pragma once

#include <windows.h>

#include "BkMessageMap.h"

// A window class as a window object registers it: name, class style, cursor and background.
struct BkWndClassInfo {
    const wchar_t* name;
    UINT style;
    const wchar_t* cursor;
    HBRUSH background;
};

// Base of the framework's window objects: one object per window, found by the shared window
// procedure through the window's user data; a message the map does not handle goes to
// DefWindowProcW.
class CBkWindowImplRoot : public CBkMessageMap {
public:
    CBkWindowImplRoot() = default;
    virtual ~CBkWindowImplRoot();
    CBkWindowImplRoot(const CBkWindowImplRoot&) = delete;
    CBkWindowImplRoot& operator=(const CBkWindowImplRoot&) = delete;

    // Runs after the window has received its last message.
    virtual void OnFinalMessage(HWND) {}

    HWND GetHwnd() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }

    // The object of a window created by this base, or null.
    static CBkWindowImplRoot* FromHandle(HWND window);

    HWND m_hWnd = nullptr;

protected:
    // Registers `info` once per process and creates the window with this object attached.
    HWND CreateWindowObject(const BkWndClassInfo& info, HWND parent, const RECT* rect,
                            const wchar_t* name, DWORD style, DWORD exStyle, UINT_PTR id);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// The window classes of the framework: CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, arrow cursor,
// the window colour as background.
inline BkWndClassInfo BkDefaultWndClass(const wchar_t* name) {
    return {name, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, IDC_ARROW,
            reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)};
}
