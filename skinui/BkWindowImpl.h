#pragma once

#include <windows.h>

// Message maps in the manner of the ATL/WTL window templates: one handler per message, tried in
// map order. A handler runs with the object's handled flag set; clearing it (SetMsgHandled(false))
// lets the rest of the map and then default processing see the message.
#define BK_BEGIN_MSG_MAP(theClass)                                                \
public:                                                                           \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, \
                              LRESULT& lResult) override {                        \
        (void)hWnd;                                                               \
        (void)uMsg;                                                               \
        (void)wParam;                                                             \
        (void)lParam;                                                             \
        (void)lResult;

// Runs one handler call with the handled flag set; the map ends there unless the handler
// cleared the flag.
#define BK_RUN_HANDLER(call)  \
    {                         \
        SetMsgHandled(true);  \
        lResult = (call);     \
        if (IsMsgHandled()) { \
            return TRUE;      \
        }                     \
    }

// LRESULT func(UINT message, WPARAM wParam, LPARAM lParam)
#define BK_MESSAGE_HANDLER(msg, func) \
    if (uMsg == (msg))                \
    BK_RUN_HANDLER(func(uMsg, wParam, lParam))

#define BK_MESSAGE_RANGE_HANDLER(first, last, func) \
    if (uMsg >= (first) && uMsg <= (last))          \
    BK_RUN_HANDLER(func(uMsg, wParam, lParam))

// LRESULT func(NMHDR* header), for WM_NOTIFY of `notifyCode` from control `id`.
#define BK_NOTIFY_HANDLER(id, notifyCode, func)                                            \
    if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == (UINT_PTR)(id) && \
        reinterpret_cast<NMHDR*>(lParam)->code == (UINT)(notifyCode))                      \
    BK_RUN_HANDLER(func(reinterpret_cast<NMHDR*>(lParam)))

// LRESULT func(NMHDR* header), for WM_NOTIFY of `notifyCode` from any control.
#define BK_NOTIFY_CODE_HANDLER(notifyCode, func)                                           \
    if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == (UINT)(notifyCode)) \
    BK_RUN_HANDLER(func(reinterpret_cast<NMHDR*>(lParam)))

// LRESULT func(WORD id), for WM_COMMAND with command id `id`.
#define BK_COMMAND_ID_HANDLER(id, func)               \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) \
    BK_RUN_HANDLER(func(LOWORD(wParam)))

// A command no control sent (lParam 0): Enter, Escape or the close box. A control's
// notification carries its own window and may have any id, 1 and 2 included.
#define BK_KEY_COMMAND_HANDLER(id, func)                             \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && lParam == 0) \
    BK_RUN_HANDLER(func(LOWORD(wParam)))

#define BK_CHAIN_MSG_MAP(theBase)                                             \
    if (theBase::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) { \
        return TRUE;                                                          \
    }

#define BK_END_MSG_MAP() \
    return FALSE;        \
    }

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
class CBkWindowImplRoot {
public:
    CBkWindowImplRoot() = default;
    virtual ~CBkWindowImplRoot();
    CBkWindowImplRoot(const CBkWindowImplRoot&) = delete;
    CBkWindowImplRoot& operator=(const CBkWindowImplRoot&) = delete;

    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& lResult) = 0;
    // Runs after the window has received its last message.
    virtual void OnFinalMessage(HWND) {}

    HWND GetHwnd() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    bool IsMsgHandled() const { return msgHandled_; }
    void SetMsgHandled(bool handled) { msgHandled_ = handled; }
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

    bool msgHandled_ = false;
};

// The window classes of the framework: CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, arrow cursor,
// the window colour as background.
inline BkWndClassInfo BkDefaultWndClass(const wchar_t* name) {
    return {name, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, IDC_ARROW,
            reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)};
}
