#include "BkWindowImpl.h"

#include <mutex>
#include <set>
#include <string>

namespace {

bool RegisterOnce(const BkWndClassInfo& info, WNDPROC proc) {
    static std::mutex lock;
    static std::set<std::wstring> registered;
    std::lock_guard<std::mutex> guard(lock);
    if (registered.count(info.name)) {
        return true;
    }
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = info.style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, info.cursor);
    wc.hbrBackground = info.background;
    wc.lpszClassName = info.name;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    registered.insert(info.name);
    return true;
}

}  // namespace

CBkWindowImplRoot::~CBkWindowImplRoot() {
    if (IsWindow()) {
        // The window outlives nothing it points at: detach it before destroying it.
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hWnd);
    }
}

CBkWindowImplRoot* CBkWindowImplRoot::FromHandle(HWND window) {
    return reinterpret_cast<CBkWindowImplRoot*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND CBkWindowImplRoot::CreateWindowObject(const BkWndClassInfo& info, HWND parent,
                                           const RECT* rect, const wchar_t* name, DWORD style,
                                           DWORD exStyle, UINT_PTR id) {
    if (!RegisterOnce(info, WindowProc)) {
        return nullptr;
    }
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    if (rect) {
        x = rect->left;
        y = rect->top;
        width = rect->right - rect->left;
        height = rect->bottom - rect->top;
    } else if (style & WS_CHILD) {
        x = y = width = height = 0;
    }
    return CreateWindowExW(exStyle, info.name, name, style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), this);
}

LRESULT CALLBACK CBkWindowImplRoot::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CBkWindowImplRoot*>(
            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hWnd = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    CBkWindowImplRoot* self = FromHandle(window);
    if (!self) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    // Handlers may send messages to their own window: keep the outer message's flag.
    const bool outerHandled = self->IsMsgHandled();
    LRESULT result = 0;
    if (!self->ProcessWindowMessage(window, message, wParam, lParam, result)) {
        result = ::DefWindowProcW(window, message, wParam, lParam);
    }
    self->SetMsgHandled(outerHandled);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(window);
    }
    return result;
}
