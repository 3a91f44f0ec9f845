#pragma once

#include "BkNotify.h"
#include "BkWindow.h"

// Tells `host` that the real window of element `id` now covers `rect`.
void NotifyRealWindowResized(HWND host, int id, const RECT& rect);

// "realwnd": the slot of a real child window of the host whose control id is the element's id.
// The owner creates and destroys that window; the element places, shows and hides it.
class CBkRealWnd : public CBkWindow {
public:
    BK_OBJECT_CLASS(CBkRealWnd)
    bool RepaintsOnStateChange() override { return false; }

    // The real window follows the element: placed over its rect, shown and hidden with it.
    BK_BEGIN_MSG_MAP(CBkRealWnd)
    BK_MSG_WM_WINDOWPOSCHANGED(OnPlaced)
    BK_MSG_WM_SHOWWINDOW(OnShowWindow)
    BK_MSG_SIMPLE(WM_DESTROY, OnDestroy)
    BK_CHAIN_MSG_MAP(CBkWindow)
    BK_END_MSG_MAP()
    void ShowRealWindow(bool show) override;

protected:
    void OnPaint(HDC) override {}

private:
    void OnPlaced(const WINDOWPOS& position);
    void OnShowWindow(bool show, UINT status);
    void OnDestroy();
    HWND RealWindow() const;
};
