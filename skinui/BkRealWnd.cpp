#include "BkRealWnd.h"

void NotifyRealWindowResized(HWND host, int id, const RECT& rect) {
    BKNMREALWNDRESIZED record = {};
    record.hdr.hwndFrom = host;
    record.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(host));
    record.hdr.code = BKNM_REALWND_RESIZED;
    record.id = id;
    record.rect = rect;
    SendMessageW(host, WM_NOTIFY, record.hdr.idFrom, reinterpret_cast<LPARAM>(&record));
}

namespace {

// Whether child window `window` already covers `rect` of its parent's client area.
bool IsPlacedAt(HWND window, const RECT& rect) {
    RECT placed = {};
    GetWindowRect(window, &placed);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&placed), 2);
    return EqualRect(&placed, &rect) != FALSE;
}

}  // namespace

HWND CBkRealWnd::RealWindow() const {
    return host_ ? GetDlgItem(host_, GetId()) : nullptr;
}

void CBkRealWnd::ShowRealWindow(bool show) {
    if (const HWND window = RealWindow()) {
        ShowWindow(window, show ? SW_SHOW : SW_HIDE);
    }
}

void CBkRealWnd::OnPlaced(const WINDOWPOS& position) {
    const RECT before = rect_;
    OnWindowPosChanged(position);
    const HWND window = RealWindow();
    if (!window || (EqualRect(&before, &rect_) && IsPlacedAt(window, rect_))) {
        return;
    }
    SetWindowPos(window, nullptr, rect_.left, rect_.top, rect_.right - rect_.left,
                 rect_.bottom - rect_.top, SWP_FRAMECHANGED | SWP_NOREDRAW);
    NotifyRealWindowResized(host_, GetId(), rect_);
    if (IsWindowVisible(window)) {
        InvalidateRect(window, nullptr, TRUE);
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    }
}

void CBkRealWnd::OnShowWindow(bool show, UINT status) {
    CBkWindow::OnShowWindow(show, status);
    const HWND window = RealWindow();
    if (window && (!show || IsVisible(true))) {
        ShowWindow(window, show ? SW_SHOW : SW_HIDE);
    }
}

void CBkRealWnd::OnDestroy() {
    if (const HWND window = RealWindow()) {
        ShowWindow(window, SW_HIDE);
    }
}
