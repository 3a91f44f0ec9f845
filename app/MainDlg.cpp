#include "MainDlg.h"

#include <string>

#include "LogFile.h"

const wchar_t kInstanceMarker[] = L"{7D1A3198-4853-4DEF-9A55-37CFC74FAC04-Tessel}";

namespace {

constexpr char kSiblingProgram[] = "C:\\Program Files (x86)\\Kestrel\\Kestrel.exe";
constexpr char kTaskKill[] = "TASKKILL /F /IM ";
constexpr UINT kIconId = 100;
// Page selectors show their page's selection with the state bit that otherwise means disabled.
constexpr DWORD kSelectedMark = StateDisabled;

// Starts a program from its command line as WinExec does (same parsing, same show state), but
// without waiting up to 30 s for it to become idle: the window must not wait for the sibling.
void StartProgram(const char* commandLine, WORD show) {
    std::string command = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION started = {};
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

}  // namespace

CMainDlg::CMainDlg(UINT layoutId, const RECT& rect)
    : CBkDialogImpl(layoutId, kMainViewId, rect.left, rect.top, rect.right, rect.bottom),
      page_(std::make_unique<CDlgFileSBXX>(this)) {}

LRESULT CMainDlg::OnCommand(NMHDR* header) {
    const int id = reinterpret_cast<const BKNMCOMMAND*>(header)->id;
    if (id == kMinimizeButton) {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE | HTCAPTION);
    } else if (id == kMaximizeButton) {
        const bool maximized = (GetWindowLongW(m_hWnd, GWL_STYLE) & WS_MAXIMIZE) != 0;
        SendMessage(WM_SYSCOMMAND, (maximized ? SC_RESTORE : SC_MAXIMIZE) | HTCAPTION);
    } else if (id == kCloseButton) {
        ClosePath();
    } else if (id >= kFirstPageSelector && id < kFirstPageSelector + 5) {
        SelectPage(id - kFirstPageSelector);
    } else {
        SetMsgHandled(false);
        return 0;
    }
    return 1;
}

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM) {
    StartProgram(kSiblingProgram, SW_SHOWNORMAL);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    SendMessage(WM_SETICON, ICON_BIG,
                reinterpret_cast<LPARAM>(LoadIconW(instance, MAKEINTRESOURCEW(kIconId))));
    SendMessage(WM_SETICON, ICON_SMALL,
                reinterpret_cast<LPARAM>(LoadIconW(instance, MAKEINTRESOURCEW(kIconId))));
    SetPropW(m_hWnd, kInstanceMarker, reinterpret_cast<HANDLE>(1));
    SetAlpha(255);
    PostMessageW(m_hWnd, WM_DEFERRED_INIT, 1, 0);
    SelectPage(initialPage_);
    page_->CreatePage();
    return TRUE;
}

void CMainDlg::OnSysCommand(UINT command, POINT) {
    switch (command) {
        case SC_MAXIMIZE:
            SetItemAttribute(kMaximizeButton, "skin", "btnSysMax");
            break;
        case SC_RESTORE:
            if (!(GetWindowLongW(m_hWnd, GWL_STYLE) & WS_MINIMIZE)) {
                SetItemAttribute(kMaximizeButton, "skin", "btnSysMax");
            }
            break;
        case SC_CLOSE:
            ClosePath();
            break;
        default:
            break;
    }
    SetMsgHandled(false);
}

LRESULT CMainDlg::OnDeferredInit(UINT, WPARAM wParam, LPARAM) {
    if (wParam == 1) {
        // A posted message comes before the first paint: paint first, so the window is on the
        // screen before the shadow's image is made.
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        AttachShadow(m_hWnd);
    }
    return 0;
}

void CMainDlg::ClosePath() {
    std::string text;
    page_->ClosePage(text);
    endDialog(kMainEndCode);
}

void CMainDlg::endDialog(INT_PTR code) {
    WriteLog(kLogProgress, "主窗口结束", "endDialog");
    // A start made from now on must not hand over to this window: it is on its way out.
    RemovePropW(m_hWnd, kInstanceMarker);
    EndDialog(code);
    WinExec((std::string(kTaskKill) + "Kestrel.exe").c_str(), SW_HIDE);
    WinExec((std::string(kTaskKill) + "Tessel.exe").c_str(), SW_HIDE);
}

void CMainDlg::MarkSelector(int id, bool selected) {
    CBkWindow* selector = GetView().FindElement(id);
    if (!selector) {
        return;
    }
    selector->ModifyState(selected ? kSelectedMark : 0, selected ? StateHover : kSelectedMark);
    if (selector->IsVisible(true)) {
        GetView().InvalidateElementRect(selector->GetRect());
    }
}

void CMainDlg::SelectPage(int index) {
    if (index == currentPage_) {
        return;
    }
    currentPage_ = index;
    for (int k = 0; k < kPageCount; ++k) {
        MarkSelector(kFirstPageSelector + k, false);
        SetItemVisible(kFirstPage + k, false);
    }
    MarkSelector(kFirstPageSelector + index, true);
    SetItemVisible(kFirstPage + index, true);
}

void CMainDlg::SetAlpha(BYTE alpha) {
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, GetWindowLongW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    const HMODULE user32 = LoadLibraryW(L"User32.DLL");
    if (!user32) {
        return;
    }
    using SetLayeredFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    const auto setLayered = reinterpret_cast<SetLayeredFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
    if (setLayered) {
        setLayered(m_hWnd, 0, alpha, LWA_ALPHA);
    }
    InvalidateRect(m_hWnd, nullptr, TRUE);
    FreeLibrary(user32);
}
