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
    void HandleMessage(HWND host, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT& result) override;
    void ShowRealWindow(bool show) override;

protected:
    void OnPaint(HDC) override {}

private:
    HWND RealWindow() const;
};
