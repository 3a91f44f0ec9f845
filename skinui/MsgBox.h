#pragma once

#include <string>

#include "BkDialogImpl.h"
#include "MyText.h"
#include "WndShadow.h"

// Element ids of the message box layout.
constexpr int kMsgBoxIcon = 37000;
constexpr int kMsgBoxText = 15000;
constexpr int kMsgBoxConfirm = 1104;
constexpr int kMsgBoxCancel = 1105;
constexpr UINT kMsgBoxViewId = 1001;
constexpr UINT kMsgBoxLayout = 10;
// Tells an open message box to close as if cancelled.
constexpr UINT WM_MSGBOX_CLOSE = 0x402;

// How a box type looks: the icon cell (-1: the layout's) and whether the cancel button shows
// (-1: as the layout has it).
struct MsgBoxLook {
    int iconCell;
    int cancelShown;
};
MsgBoxLook LookOfType(int type);

// The skinned message box: icon, message and "确 认" / "取 消"; DoModal returns 1 for confirm and
// 2 for cancel or close.
class CMsgBox : public CBkDialogEx, public CWndShadowHelper {
public:
    // `message` is in the ANSI code page.
    CMsgBox(int type, const std::string& message);

    const std::wstring& GetMessageText() const { return message_; }
    CMyText& GetTextWindow() { return text_; }

    BK_BEGIN_MSG_MAP(CMsgBox)
    BK_NOTIFY_HANDLER(kMsgBoxViewId, BKNM_COMMAND, OnCommand)
    BK_CHAIN_MSG_MAP(CBkDialogEx)
    BK_MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    BK_MESSAGE_HANDLER(WM_DEFERRED_INIT, OnDeferredInit)
    BK_MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    BK_MESSAGE_HANDLER(WM_MSGBOX_CLOSE, OnCloseRequest)
    BK_END_MSG_MAP()

private:
    LRESULT OnCommand(NMHDR* header);
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM);
    LRESULT OnDeferredInit(UINT, WPARAM wParam, LPARAM);
    LRESULT OnSysCommand(UINT, WPARAM wParam, LPARAM);
    LRESULT OnCloseRequest(UINT, WPARAM, LPARAM);

    std::wstring message_;
    CMyText text_;
    int type_;
};
