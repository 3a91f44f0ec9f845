#pragma once

#include <list>
#include <memory>

#include "BkWindow.h"

// An element with an ordered list of children, which it owns.
class CBkContainerWnd : public CBkWindow {
public:
    bool IsContainer() const override { return true; }
    void AttachHostWindow(HWND host) override;

    // The child with this id: direct children first, then each container child in list order.
    virtual CBkWindow* FindById(int id);
    virtual void LayoutChildren();
    virtual void LayoutChild(CBkWindow*) {}
    // Shows or hides the real windows below this container ("realwnd" slots, edit boxes), also
    // inside nested containers, each only when `show` holds and its own "show" allows it.
    virtual void ShowRealWindows(bool) {}

    // Takes ownership of `child` and appends it.
    void AppendChild(std::unique_ptr<CBkWindow> child);
    const std::list<std::unique_ptr<CBkWindow>>& Children() const { return children_; }

protected:
    void DestroyChildren();

    std::list<std::unique_ptr<CBkWindow>> children_;
};

// A container whose message map shows, hides and destroys its children.
class CBkPanel : public CBkContainerWnd {
public:
    BK_BEGIN_MSG_MAP(CBkPanel)
    BK_MSG_SIMPLE(WM_DESTROY, DestroyChildren)
    BK_MSG_WM_PAINT(OnPanelPaint)
    BK_MSG_WM_SHOWWINDOW(OnShowWindow)
    BK_CHAIN_MSG_MAP(CBkContainerWnd)
    BK_END_MSG_MAP()

    void ShowRealWindows(bool show) override;

private:
    // A panel draws no text: its children paint themselves.
    void OnPanelPaint(HDC) {}
    // Hidden or shown, with the real windows below it.
    void OnShowWindow(bool show, UINT status);
};

// "dlg": a container that lays out its children by their "pos", hit-tests them topmost first
// and paints them in list order.
class CBkDialog : public CBkPanel {
public:
    BK_OBJECT_CLASS(CBkDialog)
    int Load(const TiXmlElement* xml) override;
    BK_ATTRIBUTES()
    int HitTest(POINT point) override;
    bool PaintInRegion(HDC dc, HRGN region) override;
    void LayoutChild(CBkWindow* child) override;

    // Placed, it lays out its children; the mouse messages it gets go on to its sliders.
    BK_BEGIN_MSG_MAP(CBkDialog)
    BK_MSG_WM_WINDOWPOSCHANGED(OnPlaced)
    BK_MESSAGE_HANDLER(WM_MOUSEMOVE, ForwardToSliders)
    BK_MESSAGE_HANDLER(WM_LBUTTONDOWN, ForwardToSliders)
    BK_MESSAGE_HANDLER(WM_LBUTTONUP, ForwardToSliders)
    BK_MESSAGE_HANDLER(WM_MOUSELEAVE, ForwardToSliders)
    BK_CHAIN_MSG_MAP(CBkPanel)
    BK_END_MSG_MAP()

    // Replaces the children by elements built from `first` and its following siblings.
    void LoadChildren(const TiXmlElement* first);

protected:
    int onlyDrawChild_ = 0;

private:
    void OnPlaced(const WINDOWPOS& position);
    LRESULT ForwardToSliders(UINT message, WPARAM wParam, LPARAM lParam);
};

// A new element for a layout tag (case-sensitive), or null for tags that name none.
std::unique_ptr<CBkWindow> CreateElementByTag(const std::string& tag);
