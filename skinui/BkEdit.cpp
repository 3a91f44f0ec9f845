#include "BkEdit.h"

#include <windowsx.h>

#include "BkFontPool.h"
#include "BkImageSkin.h"
#include "BkParse.h"
#include "BkRealWnd.h"
#include "Win32Handles.h"

namespace {

constexpr wchar_t kClassName[] = L"BkEdit";
constexpr wchar_t kElementProperty[] = L"WndX";
constexpr DWORD kEditStyle = WS_CHILD | WS_TABSTOP | ES_WANTRETURN | ES_AUTOVSCROLL | ES_MULTILINE;
constexpr int kTextLimit = 10000;

WNDPROC g_editProc = nullptr;

LRESULT CALLBACK BkEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetPropW(window, kElementProperty, create->lpCreateParams);
    }
    auto* element = static_cast<CBkEdit*>(GetPropW(window, kElementProperty));
    if (message == WM_NCDESTROY) {
        const LRESULT result = CallWindowProcW(g_editProc, window, message, wParam, lParam);
        RemovePropW(window, kElementProperty);
        if (element) {
            element->OnEditMessage(window, message, wParam, lParam);
        }
        return result;
    }
    if (element) {
        element->OnEditMessage(window, message, wParam, lParam);
    }
    return CallWindowProcW(g_editProc, window, message, wParam, lParam);
}

bool RegisterEditClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        const HINSTANCE module = GetModuleHandleW(nullptr);
        if (!GetClassInfoExW(nullptr, L"Edit", &wc) && !GetClassInfoExW(module, L"Edit", &wc)) {
            return false;
        }
        g_editProc = wc.lpfnWndProc;
        wc.cbSize = sizeof(wc);
        wc.lpszClassName = kClassName;
        wc.lpfnWndProc = BkEditProc;
        wc.hInstance = module;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

CBkEdit::~CBkEdit() {
    if (edit_) {
        DestroyWindow(edit_);
    }
}

BK_DEFINE_ATTRIBUTES(CBkEdit, CBkWindow,
                     {"defaultfont", A::Field<bkattr::FontKey, &CBkEdit::fontKey_>, kAttrRepaint},
                     {"password", A::Field<ParseInt, &CBkEdit::password_>, kAttrRepaint},
                     {"readonly", A::Field<ParseInt, &CBkEdit::readOnly_>, kAttrRepaint})

void CBkEdit::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (edit_) {
        EnableWindow(edit_, enabled ? TRUE : FALSE);
    }
}

void CBkEdit::ApplyCursor() {
    SetCursor(LoadCursorW(nullptr, hovered_ ? IDC_IBEAM : IDC_ARROW));
}

RECT CBkEdit::EditRect() const {
    RECT rect = rect_;
    InflateRect(&rect, -2, -2);
    return rect;
}

void CBkEdit::CreateEditWindow() {
    if (edit_ || !host_ || !RegisterEditClass()) {
        return;
    }
    const RECT rect = EditRect();
    const HWND window = CreateWindowExW(
        WS_EX_LEFT, kClassName, L"", kEditStyle | (password_ ? ES_PASSWORD : 0), rect.left,
        rect.top, rect.right - rect.left, rect.bottom - rect.top, host_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetId())), GetModuleHandleW(nullptr), this);
    if (!window) {
        return;
    }
    edit_ = window;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont(fontKey_)), FALSE);
    SendMessageW(window, EM_LIMITTEXT, kTextLimit, 0);
    if (password_) {
        SendMessageW(window, EM_SETPASSWORDCHAR, passwordChar_, 0);
    }
    SetWindowTextW(window, text_.c_str());
    SendMessageW(window, EM_SETMODIFY, FALSE, 0);
    SendMessageW(window, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    EnableWindow(window, enabled_ ? TRUE : FALSE);
    SendMessageW(window, EM_SETREADONLY, readOnly_ ? TRUE : FALSE, 0);
    // An edit box in a hidden container or on a page behind another is made hidden.
    ShowRealWindow(IsVisible(true));
}

void CBkEdit::ShowRealWindow(bool show) {
    if (edit_) {
        ShowWindow(edit_, show ? SW_SHOWNOACTIVATE : SW_HIDE);
    }
}

void CBkEdit::OnWindowPosChanged(const WINDOWPOS& pos) {
    const RECT before = rect_;
    CBkWindow::OnWindowPosChanged(pos);
    if (!edit_ && keepOpen_) {
        CreateEditWindow();
    }
    if (!edit_ || EqualRect(&before, &rect_)) {
        return;
    }
    const RECT rect = EditRect();
    SetWindowPos(edit_, nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOREDRAW | SWP_NOZORDER | SWP_NOACTIVATE);
    NotifyRealWindowResized(host_, GetId(), rect_);
    if (IsWindowVisible(edit_)) {
        InvalidateRect(edit_, nullptr, TRUE);
        SetWindowPos(edit_, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    }
}

void CBkEdit::OnPaint(HDC dc) {
    const gdi::Object<HPEN> pen(
        CreatePen(PS_INSIDEFRAME, 1, hovered_ || focused_ ? activeBorder_ : inactiveBorder_));
    const CDcState saved(dc);
    const COLORREF previous = SetBkColor(dc, enabled_ ? 0xFFFFFF : 0xF4F4F4);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect_, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
    std::wstring shown = text_;
    if (password_) {
        size_t count = 0;
        for (const wchar_t* c = text_.c_str(); *c; c = CharNextW(c)) {
            ++count;
        }
        shown.assign(count, passwordChar_);
    }
    SelectObject(dc, GetFont(fontKey_));
    SetBkMode(dc, TRANSPARENT);
    RECT text = EditRect();
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &text,
              DT_EDITCONTROL | DT_INTERNAL);
    SelectObject(dc, pen);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, rect_.left, rect_.top, rect_.right, rect_.bottom);
}

void CBkEdit::OnLButtonDown(UINT, POINT point) {
    CreateEditWindow();
    focused_ = true;
    if (!edit_) {
        return;
    }
    SetFocus(edit_);
    if (PtInRect(&rect_, point)) {
        const int length = GetWindowTextLengthW(edit_);
        SendMessageW(edit_, EM_SETSEL, 0, length ? length : 1);
    }
}

void CBkEdit::OnShowWindow(bool show, UINT status) {
    CBkWindow::OnShowWindow(show, status);
    ShowRealWindow(show && IsVisible(true));
}

void CBkEdit::OnEditCommand(UINT code, int, HWND) {
    if (code == EN_CHANGE && edit_) {
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit_)) + 1, L'\0');
        text.resize(
            static_cast<size_t>(GetWindowTextW(edit_, &text[0], static_cast<int>(text.size()))));
        text_ = text;
        NotifyInvalidate();
    } else if (code == EN_UPDATE && edit_) {
        InvalidateRect(edit_, nullptr, TRUE);
    }
}

HBRUSH CBkEdit::OnEditColor(HDC dc, HWND) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0x000000);
    if (!brush_) {
        brush_.reset(CreateSolidBrush(0xFFFFFF));
    }
    return brush_.get();
}

void CBkEdit::OnEditMessage(HWND window, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_KILLFOCUS:
            focused_ = false;
            NotifyInvalidate();
            if (!keepOpen_) {
                PostMessageW(window, WM_CLOSE, 0, 0);
            }
            break;
        case WM_NCDESTROY:
            if (edit_ == window) {
                edit_ = nullptr;
            }
            brush_.reset();
            break;
        default:
            break;
    }
}
