#pragma once

#include <string>

#include "BkContainer.h"

class CBkSkinBase;

// "tab": one page of a tab control; loads like a "dlg".
class CBkTab : public CBkDialog {
public:
    BK_OBJECT_CLASS(CBkTab)
    BK_ATTRIBUTES()

    const std::wstring& GetTitle() const { return title_; }
    bool IsHiddenPage() const { return hidden_ != 0; }

private:
    std::wstring title_;
    int hidden_ = 0;
};

// "tabctrl": a strip of tabs over a page area that shows one "tab" page at a time.
class CBkTabCtrl : public CBkContainerWnd {
public:
    BK_OBJECT_CLASS(CBkTabCtrl)
    int Load(const TiXmlElement* xml) override;
    BK_ATTRIBUTES()
    void ApplyCursor() override;
    int HitTest(POINT point) override;
    bool PaintInRegion(HDC dc, HRGN region) override;

    BK_BEGIN_MSG_MAP(CBkTabCtrl)
    BK_MSG_SIMPLE(WM_DESTROY, DestroyChildren)
    BK_MSG_WM_PAINT(PaintStrip)
    BK_MSG_WM_WINDOWPOSCHANGED(OnPlaced)
    BK_MSG_WM_SHOWWINDOW(OnShowWindow)
    BK_MSG_WM_MOUSEMOVE(OnMouseMove)
    BK_MSG_WM_LBUTTONDOWN(OnLButtonDown)
    BK_MSG_SIMPLE(WM_MOUSELEAVE, OnMouseLeave)
    BK_CHAIN_MSG_MAP(CBkContainerWnd)
    BK_END_MSG_MAP()
    CBkWindow* FindById(int id) override;
    void LayoutChildren() override {}
    void ShowRealWindows(bool show) override;

    // Selects page `index` after asking the host; false when cancelled or out of range.
    bool SelectPage(int index);
    int GetCurSel() const { return current_; }
    int GetHoverTab() const { return hover_; }
    // The strip rectangle of page `index` (empty for hidden pages).
    RECT TabRect(int index) const;
    const RECT& PageArea() const { return pageArea_; }

private:
    // Placed, it places the page area and every page in it.
    void OnPlaced(const WINDOWPOS& position);
    // Hidden or shown with its current page.
    void OnShowWindow(bool show, UINT status);
    void OnMouseMove(UINT keys, POINT point);
    // A press on a tab selects its page.
    void OnLButtonDown(UINT keys, POINT point);
    void OnMouseLeave();

    CBkTab* Page(int index) const;
    SIZE TabSize() const;
    // The strip rectangle of a visible page that follows `visibleBefore` visible pages.
    RECT TabRectAfter(int visibleBefore) const;
    // Calls visit(index, page, strip rectangle) for the visible pages in order, in one pass over
    // the pages, until it returns true.
    template <class Visit>
    void ForEachVisibleTab(Visit visit) const;
    void UpdatePageArea();
    void PlacePage(CBkWindow* page);
    void SetHover(int index);
    void InvalidateTab(int index);
    int TabAt(POINT point) const;
    void PaintStrip(HDC dc);
    void PaintTab(HDC dc, int index, const CBkTab& page, const RECT& tab, int tabState);

    int hover_ = -1;
    int current_ = 0;
    int tabSpacing_ = 0;
    int tabPos_ = 0;
    int framePos_ = 0;
    int tabWidth_ = 0;
    int tabHeight_ = 0;
    CBkSkinBase* tabSkin_ = nullptr;
    CBkSkinBase* frameSkin_ = nullptr;
    CBkSkinBase* iconSkin_ = nullptr;
    CBkSkinBase* splitterSkin_ = nullptr;
    RECT pageArea_ = {};
    int iconX_ = 0;
    int iconY_ = 0;
    int textX_ = 0;
    int textY_ = 0;
    int align_ = 0;
};
