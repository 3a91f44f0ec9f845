#pragma once

#include <string>

#include "BkWindow.h"
#include "Win32Handles.h"

// "edit": a real multi-line edit window (class "BkEdit") over the element's rect, created at the
// first layout (or, without keep-open, at the first click). The element keeps the typed text
// as its own text and draws it itself where the window is absent.
class CBkEdit : public CBkWindow {
public:
    ~CBkEdit() override;
    BK_OBJECT_CLASS(CBkEdit)
    BK_ATTRIBUTES()
    bool RepaintsOnStateChange() override { return true; }
    void ApplyCursor() override;

    BK_BEGIN_MSG_MAP(CBkEdit)
    BK_MSG_WM_MOUSEMOVE(OnMouseMove)
    BK_MSG_SIMPLE(WM_MOUSELEAVE, OnMouseLeave)
    BK_MSG_WM_LBUTTONDOWN(OnLButtonDown)
    BK_MSG_WM_SHOWWINDOW(OnShowWindow)
    BK_MSG_OCM_COMMAND(OnEditCommand)
    BK_MSG_OCM_CTLCOLOR(WM_CTLCOLOREDIT, OnEditColor)
    BK_MSG_OCM_CTLCOLOR(WM_CTLCOLORSTATIC, OnEditColor)
    BK_CHAIN_MSG_MAP(CBkWindow)
    BK_END_MSG_MAP()

    void ShowRealWindow(bool show) override;
    bool OwnsControl(HWND control) const override { return control && control == edit_; }

    HWND GetEditWindow() const { return edit_; }
    // With keep-open clear the window closes itself when it loses the focus.
    void SetKeepOpen(bool keepOpen) { keepOpen_ = keepOpen; }
    void SetEnabled(bool enabled);

    // The "BkEdit" window procedure's view of the messages of the element's edit window.
    void OnEditMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    void OnWindowPosChanged(const WINDOWPOS& pos) override;
    void OnPaint(HDC dc) override;

private:
    void OnMouseMove(UINT, POINT) { hovered_ = true; }
    void OnMouseLeave() { hovered_ = false; }
    // Opens the edit window if it is not, focuses it and selects its text.
    void OnLButtonDown(UINT keys, POINT point);
    void OnShowWindow(bool show, UINT status);
    // The edit window's notifications: its text changed, or it is about to show a change.
    void OnEditCommand(UINT code, int id, HWND control);
    // Black text on white for the edit window.
    HBRUSH OnEditColor(HDC dc, HWND control);
    void CreateEditWindow();
    RECT EditRect() const;

    WORD fontKey_ = 0;
    int password_ = 0;
    wchar_t passwordChar_ = L'*';
    bool enabled_ = true;
    bool focused_ = false;
    bool hovered_ = false;
    bool keepOpen_ = true;
    COLORREF activeBorder_ = 0x000000;
    COLORREF inactiveBorder_ = 0xBBBBBB;
    HWND edit_ = nullptr;
    int readOnly_ = 0;
    BrushPtr brush_;
};
