#include "MsgBox.h"

#include "BkColor.h"
#include "CodePage.h"

MsgBoxLook LookOfType(int type) {
    static const MsgBoxLook kLooks[] = {{0, 0}, {1, 0}, {2, 0}, {0, -1}, {3, 0}, {1, 1}, {0, 1}};
    if (type < 0 || type >= static_cast<int>(sizeof kLooks / sizeof kLooks[0])) {
        return MsgBoxLook{-1, -1};
    }
    return kLooks[type];
}

CMsgBox::CMsgBox(int type, const std::string& message)
    : CBkDialogEx(kMsgBoxLayout, kMsgBoxViewId), message_(AnsiToWide(message)), type_(type) {}

LRESULT CMsgBox::OnCommand(NMHDR* header) {
    const int id = reinterpret_cast<BKNMCOMMAND*>(header)->id;
    if (id == kMsgBoxConfirm || id == kMsgBoxCancel) {
        EndDialog(id == kMsgBoxConfirm ? IDOK : IDCANCEL);
    } else {
        SetMsgHandled(false);
    }
    return 0;
}

LRESULT CMsgBox::OnInitDialog(UINT, WPARAM, LPARAM) {
    const MsgBoxLook look = LookOfType(type_);
    if (look.iconCell >= 0) {
        SetItemIntAttribute(kMsgBoxIcon, "sub", look.iconCell);
    }
    if (look.cancelShown >= 0) {
        SetItemVisible(kMsgBoxCancel, look.cancelShown != 0);
    }
    text_.Create(GetView().m_hWnd, kMsgBoxText);
    text_.SetText(message_);
    text_.SetBackgroundColor(GetColor(11));
    text_.SetTextColor(GetColor(10));
    AddOpenWindow(m_hWnd);
    PostMessageW(m_hWnd, WM_DEFERRED_INIT, 1, 0);
    return TRUE;
}

LRESULT CMsgBox::OnDeferredInit(UINT, WPARAM wParam, LPARAM) {
    if (wParam == 1) {
        AttachShadow(m_hWnd);
    }
    return 0;
}

LRESULT CMsgBox::OnSysCommand(UINT, WPARAM wParam, LPARAM) {
    if (wParam < SC_CLOSE || wParam > SC_CLOSE + 0xF) {
        SetMsgHandled(false);
        return 0;
    }
    EndDialog(IDCANCEL);
    return 0;
}

LRESULT CMsgBox::OnCloseRequest(UINT, WPARAM, LPARAM) {
    EndDialog(IDCANCEL);
    return 0;
}
