#pragma once

#include <windows.h>

// What a message map needs of its class: the map, and the flag its handlers clear to pass a
// message on. Windows (CBkWindowImplRoot), elements (CBkWindow) and the shadow's hook on its
// owner (CWndShadow) dispatch through maps.
class CBkMessageMap {
public:
    virtual ~CBkMessageMap() = default;

    // True when the map handled the message; `lResult` is then its result.
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& lResult) = 0;

    bool IsMsgHandled() const { return msgHandled_; }
    void SetMsgHandled(bool handled) { msgHandled_ = handled; }

private:
    bool msgHandled_ = false;
};

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

// The point of a mouse or move message, as GET_X_LPARAM and GET_Y_LPARAM read it (the header
// stays free of <windowsx.h>, whose macros would rename the browser library's functions).
inline POINT BkPointFromLParam(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// Typed handlers (message crackers), in the manner of WTL's: the handler gets the message's
// parameters unpacked. They return nothing and the message's result is 0, unless said otherwise.

#define BK_RUN_VOID_HANDLER(call) \
    {                             \
        SetMsgHandled(true);      \
        call;                     \
        lResult = 0;              \
        if (IsMsgHandled()) {     \
            return TRUE;          \
        }                         \
    }

// void func(): a message whose parameters say nothing (WM_DESTROY, WM_MOUSELEAVE, ...).
#define BK_MSG_SIMPLE(msg, func) \
    if (uMsg == (msg))           \
    BK_RUN_VOID_HANDLER(func())

// void func(UINT type, SIZE size): the kind of sizing (SIZE_RESTORED, ...) and the client size.
#define BK_MSG_WM_SIZE(func) \
    if (uMsg == WM_SIZE)     \
    BK_RUN_VOID_HANDLER(func(static_cast<UINT>(wParam), SIZE{LOWORD(lParam), HIWORD(lParam)}))

// void func(POINT position): the client area's new top-left corner.
#define BK_MSG_WM_MOVE(func) \
    if (uMsg == WM_MOVE)     \
    BK_RUN_VOID_HANDLER(func(BkPointFromLParam(lParam)))

// void func(MINMAXINFO& info).
#define BK_MSG_WM_GETMINMAXINFO(func) \
    if (uMsg == WM_GETMINMAXINFO)     \
    BK_RUN_VOID_HANDLER(func(*reinterpret_cast<MINMAXINFO*>(lParam)))

// void func(bool calcValidRects, NCCALCSIZE_PARAMS* params): a window's WM_NCCALCSIZE; `params`
// is null when calcValidRects is false (lParam is then a plain rectangle).
#define BK_MSG_WM_NCCALCSIZE(func) \
    if (uMsg == WM_NCCALCSIZE)     \
    BK_RUN_VOID_HANDLER(           \
        func(wParam != 0, wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam) : nullptr))

// void func(UINT key, UINT repeat, UINT flags): the virtual-key code, the repeat count and the
// high word of lParam (scan code and flags).
#define BK_MSG_WM_KEYDOWN(func) \
    if (uMsg == WM_KEYDOWN)     \
    BK_RUN_VOID_HANDLER(func(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)))

// void func(bool show, UINT status).
#define BK_MSG_WM_SHOWWINDOW(func) \
    if (uMsg == WM_SHOWWINDOW)     \
    BK_RUN_VOID_HANDLER(func(wParam != 0, static_cast<UINT>(lParam)))

// void func(const WINDOWPOS& position).
#define BK_MSG_WM_WINDOWPOSCHANGED(func) \
    if (uMsg == WM_WINDOWPOSCHANGED)     \
    BK_RUN_VOID_HANDLER(func(*reinterpret_cast<const WINDOWPOS*>(lParam)))

// void func(HDC dc): WM_PAINT with the device context in wParam, as elements receive it.
#define BK_MSG_WM_PAINT(func) \
    if (uMsg == WM_PAINT)     \
    BK_RUN_VOID_HANDLER(func(reinterpret_cast<HDC>(wParam)))

// void func(UINT keys, POINT point): a mouse message with the MK_ key flags and the pointer in
// client coordinates.
#define BK_MSG_MOUSE(msg, func) \
    if (uMsg == (msg))          \
    BK_RUN_VOID_HANDLER(func(static_cast<UINT>(wParam), BkPointFromLParam(lParam)))
#define BK_MSG_WM_MOUSEMOVE(func) BK_MSG_MOUSE(WM_MOUSEMOVE, func)
#define BK_MSG_WM_LBUTTONDOWN(func) BK_MSG_MOUSE(WM_LBUTTONDOWN, func)
#define BK_MSG_WM_LBUTTONUP(func) BK_MSG_MOUSE(WM_LBUTTONUP, func)
#define BK_MSG_WM_LBUTTONDBLCLK(func) BK_MSG_MOUSE(WM_LBUTTONDBLCLK, func)

// void func(UINT keys, short delta, POINT point).
#define BK_MSG_WM_MOUSEWHEEL(func)                                                        \
    if (uMsg == WM_MOUSEWHEEL)                                                            \
    BK_RUN_VOID_HANDLER(func(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), \
                             BkPointFromLParam(lParam)))

// void func(UINT code, int id, HWND control): WM_COMMAND with the notification code, the command
// id and the control that sent it (null for menus, accelerators and keys).
#define BK_MSG_COMMAND(msg, func) \
    if (uMsg == (msg))            \
    BK_RUN_VOID_HANDLER(func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam)))
#define BK_MSG_WM_COMMAND(func) BK_MSG_COMMAND(WM_COMMAND, func)

// void func(UINT command, POINT point): WM_SYSCOMMAND with the command (SC_CLOSE, ...) without
// the four low bits the system uses, and the pointer in screen coordinates.
#define BK_MSG_WM_SYSCOMMAND(func) \
    if (uMsg == WM_SYSCOMMAND)     \
    BK_RUN_VOID_HANDLER(func(static_cast<UINT>(wParam) & 0xFFF0, BkPointFromLParam(lParam)))

// LRESULT func(int id, NMHDR* header): any WM_NOTIFY; the result is the handler's.
#define BK_MSG_WM_NOTIFY(func) \
    if (uMsg == WM_NOTIFY)     \
    BK_RUN_HANDLER(func(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam)))

// void func(UINT_PTR id): WM_TIMER with the timer's id.
#define BK_MSG_WM_TIMER(func) \
    if (uMsg == WM_TIMER)     \
    BK_RUN_VOID_HANDLER(func(static_cast<UINT_PTR>(wParam)))

// Messages a parent reflects to the control they concern, at this offset (ATL's OCM_ base).
constexpr UINT kBkReflected = 0x2000;
// A reflected WM_COMMAND, as BK_MSG_WM_COMMAND.
#define BK_MSG_OCM_COMMAND(func) BK_MSG_COMMAND(kBkReflected + WM_COMMAND, func)
// HBRUSH func(HDC dc, HWND control): a reflected WM_CTLCOLOR* message (`msg` the plain one);
// the result is the brush.
#define BK_MSG_OCM_CTLCOLOR(msg, func)        \
    if (uMsg == kBkReflected + (msg))         \
    BK_RUN_HANDLER(reinterpret_cast<LRESULT>( \
        func(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))))

// void func(bool available, SIZE& size): an element's WM_NCCALCSIZE, which asks for the size the
// element wants, within `size` when `available`, else with no limit; the handler sets `size`.
#define BK_MSG_BK_CALCSIZE(func) \
    if (uMsg == WM_NCCALCSIZE)   \
    BK_RUN_VOID_HANDLER(func(wParam != 0, *reinterpret_cast<SIZE*>(lParam)))
