#pragma once

#include <memory>

#include "BkDialogImpl.h"
#include "DlgFileSBXX.h"
#include "WndShadow.h"

// Element ids of the main window's layout.
constexpr int kMinimizeButton = 1101;
constexpr int kMaximizeButton = 1102;
constexpr int kCloseButton = 1103;
constexpr int kFirstPageSelector = 2100;
constexpr int kFirstPage = 2000;
constexpr int kPageCount = 11;
constexpr UINT kMainViewId = 1000;
constexpr UINT kMainLayout = 100;
// The end code of the close path.
constexpr INT_PTR kMainEndCode = 8;
// The property that marks the program's main window, with value 1.
extern const wchar_t kInstanceMarker[];

// The program's window: the skinned main layout with the browser page, caption buttons, a drop
// shadow and the instance marker. Its end takes the sibling program and every process of this
// program's executable with it.
class CMainDlg : public CBkDialogImpl<CMainDlg>, public CWndShadowHelper {
public:
    static const wchar_t* GetWndClassName() { return L"TesselMainDlg"; }

    CMainDlg(UINT layoutId, const RECT& rect);

    // Ends the window and the program's processes with `code`.
    void endDialog(INT_PTR code);
    void SelectPage(int index);
    void SetAlpha(BYTE alpha);

    int GetCurrentPage() const { return currentPage_; }
    CDlgFileSBXX& GetPage() { return *page_; }

    BK_BEGIN_MSG_MAP(CMainDlg)
    BK_NOTIFY_HANDLER(kMainViewId, BKNM_COMMAND, OnCommand)
    BK_CHAIN_MSG_MAP(CBkDialogImpl<CMainDlg>)
    BK_MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    BK_MSG_WM_SYSCOMMAND(OnSysCommand)
    BK_MESSAGE_HANDLER(WM_DEFERRED_INIT, OnDeferredInit)
    BK_END_MSG_MAP()

private:
    LRESULT OnCommand(NMHDR* header);
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM);
    void OnSysCommand(UINT command, POINT point);
    LRESULT OnDeferredInit(UINT, WPARAM wParam, LPARAM);
    void ClosePath();
    // Sets or clears the selected bit of a page selector and redraws it.
    void MarkSelector(int id, bool selected);

    int currentPage_ = -1;
    int initialPage_ = 0;
    std::unique_ptr<CDlgFileSBXX> page_;
};
