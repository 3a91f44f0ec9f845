#include "BkTabCtrl.h"

#include <tinyxml.h>

#include "BkLimits.h"
#include "BkLoadScope.h"
#include "BkParse.h"
#include "BkSkinPool.h"
#include "BkTabLayout.h"
#include "CodePage.h"
#include "Win32Handles.h"

namespace {

constexpr UINT kTitleFormat =
    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_TABSTOP | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr int kAlignTop = 0;
constexpr int kAlignLeft = 1;

// "tabalign": the strip on top (kAlignTop) or on the left (kAlignLeft).
std::optional<int> TabAlignOf(const std::string& value) {
    return bkattr::WordIndex(value, {"top", "left"});
}

}  // namespace

BK_DEFINE_ATTRIBUTES(CBkTab, CBkDialog,
                     {"title", A::Field<Utf8ToWide, &CBkTab::title_>, kAttrRepaint},
                     {"hide", A::Field<ParseInt, &CBkTab::hidden_>, kAttrRepaint})

int CBkTabCtrl::Load(const TiXmlElement* xml) {
    CBkWindow::Load(xml);
    Send(WM_DESTROY);
    BkLoadScope scope;
    int firstVisible = -1;
    for (const TiXmlElement* e = xml && !scope.TooDeep() ? xml->FirstChildElement("tab") : nullptr;
         e && scope.Take(); e = e->NextSiblingElement("tab")) {
        auto page = std::make_unique<CBkTab>();
        page->SetParentHandle(GetHandle());
        page->AttachHostWindow(host_);
        page->Load(e);
        page->SetAttribute("pos", "0,0,-0,-0", true);
        if (firstVisible < 0 && !page->IsHiddenPage()) {
            firstVisible = static_cast<int>(children_.size());
        }
        AppendChild(std::move(page));
    }
    const int count = static_cast<int>(children_.size());
    if (firstVisible >= 0 &&
        (current_ <= 0 || current_ >= count || Page(current_)->IsHiddenPage())) {
        current_ = firstVisible;
    }
    int index = 0;
    for (const auto& page : children_) {
        page->Send(WM_SHOWWINDOW, index++ == current_ ? 1 : 0);
    }
    return 1;
}

BK_DEFINE_ATTRIBUTES(
    CBkTabCtrl, CBkWindow, {"tabalign", A::Field<TabAlignOf, &CBkTabCtrl::align_>, kAttrTaken},
    {"cursel", A::Field<ParseInt, &CBkTabCtrl::current_>, kAttrRepaint},
    {"tabwidth", A::Field<bkattr::Coordinate, &CBkTabCtrl::tabWidth_>, kAttrRepaint},
    {"tabheight", A::Field<bkattr::Coordinate, &CBkTabCtrl::tabHeight_>, kAttrRepaint},
    {"tabpos", A::Field<bkattr::Coordinate, &CBkTabCtrl::tabPos_>, kAttrRepaint},
    {"tabspacing", A::Field<bkattr::Coordinate, &CBkTabCtrl::tabSpacing_>, kAttrRepaint},
    {"framepos", A::Field<bkattr::Coordinate, &CBkTabCtrl::framePos_>, kAttrRepaint},
    {"icon-x", A::Field<bkattr::Coordinate, &CBkTabCtrl::iconX_>, kAttrRepaint},
    {"icon-y", A::Field<bkattr::Coordinate, &CBkTabCtrl::iconY_>, kAttrRepaint},
    {"text-x", A::Field<bkattr::Coordinate, &CBkTabCtrl::textX_>, kAttrRepaint},
    {"text-y", A::Field<bkattr::Coordinate, &CBkTabCtrl::textY_>, kAttrRepaint},
    {"tabskin", A::Field<GetSkin, &CBkTabCtrl::tabSkin_>, kAttrRepaint},
    {"frameskin", A::Field<GetSkin, &CBkTabCtrl::frameSkin_>, kAttrRepaint},
    {"iconskin", A::Field<GetSkin, &CBkTabCtrl::iconSkin_>, kAttrRepaint},
    {"splitterskin", A::Field<GetSkin, &CBkTabCtrl::splitterSkin_>, kAttrRepaint})

CBkTab* CBkTabCtrl::Page(int index) const {
    if (index < 0 || index >= static_cast<int>(children_.size())) {
        return nullptr;
    }
    auto it = children_.begin();
    std::advance(it, index);
    return static_cast<CBkTab*>(it->get());
}

SIZE CBkTabCtrl::TabSize() const {
    const SIZE skin = tabSkin_ ? tabSkin_->GetSkinSize() : SIZE{0, 0};
    return SIZE{tabWidth_ ? tabWidth_ : skin.cx, tabHeight_ ? tabHeight_ : skin.cy};
}

RECT CBkTabCtrl::TabRectAfter(int visibleBefore) const {
    const SIZE size = TabSize();
    RECT tab = {rect_.left, rect_.top, rect_.left + size.cx, rect_.top + size.cy};
    if (align_ == kAlignLeft) {
        OffsetRect(&tab, 0, TabOffset(visibleBefore, tabHeight_, tabSpacing_, tabPos_));
    } else {
        OffsetRect(&tab, TabOffset(visibleBefore, tabWidth_, tabSpacing_, tabPos_), 0);
    }
    return tab;
}

template <class Visit>
void CBkTabCtrl::ForEachVisibleTab(Visit visit) const {
    int index = 0;
    int visible = 0;
    for (const auto& child : children_) {
        const auto& page = static_cast<const CBkTab&>(*child);
        if (!page.IsHiddenPage() && visit(index, page, TabRectAfter(visible++))) {
            return;
        }
        ++index;
    }
}

RECT CBkTabCtrl::TabRect(int index) const {
    RECT found = {};
    ForEachVisibleTab([&](int i, const CBkTab&, const RECT& tab) {
        if (i == index) {
            found = tab;
        }
        return i >= index;
    });
    return found;
}

void CBkTabCtrl::UpdatePageArea() {
    const SIZE size = TabSize();
    pageArea_ = rect_;
    if (align_ == kAlignLeft) {
        pageArea_.left += size.cx + framePos_;
    } else {
        pageArea_.top += size.cy + framePos_;
    }
    InflateRect(&pageArea_, -style_.xMargin, -style_.yMargin);
}

void CBkTabCtrl::PlacePage(CBkWindow* page) {
    WINDOWPOS pos = {};
    pos.x = pageArea_.left;
    pos.y = pageArea_.top;
    pos.cx = pageArea_.right - pageArea_.left;
    pos.cy = pageArea_.bottom - pageArea_.top;
    page->Send(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

void CBkTabCtrl::ApplyCursor() {
    SetCursor(LoadCursorW(nullptr, hover_ >= 0 ? IDC_HAND : IDC_ARROW));
}

int CBkTabCtrl::HitTest(POINT point) {
    if (!PtInRect(&rect_, point)) {
        return 0;
    }
    CBkTab* page = Page(current_);
    if (!PtInRect(&pageArea_, point) || !page) {
        return GetHandle();
    }
    return page->HitTest(point);
}

CBkWindow* CBkTabCtrl::FindById(int id) {
    for (const auto& page : children_) {
        if (page->GetId() == id) {
            return page.get();
        }
        CBkWindow* found = static_cast<CBkTab*>(page.get())->FindById(id);
        if (found) {
            return found;
        }
    }
    return nullptr;
}

void CBkTabCtrl::ShowRealWindows(bool show) {
    int index = 0;
    for (const auto& page : children_) {
        static_cast<CBkTab&>(*page).ShowRealWindows(show && index++ == current_);
    }
}

bool CBkTabCtrl::PaintInRegion(HDC dc, HRGN region) {
    if (region && !RectInRegion(region, &rect_)) {
        return false;
    }
    DrawBackground(dc);
    CBkTab* page = Page(current_);
    if (page) {
        page->PaintInRegion(dc, region);
    }
    Send(WM_PAINT, reinterpret_cast<WPARAM>(dc));
    return true;
}

void CBkTabCtrl::PaintTab(HDC dc, int index, const CBkTab& page, const RECT& tab, int tabState) {
    if (tabSkin_) {
        tabSkin_->Draw(dc, tab, tabState);
    }
    if (iconSkin_) {
        RECT icon = tab;
        OffsetRect(&icon, iconX_, iconY_);
        iconSkin_->Draw(dc, icon, index);
    }
    RECT text = tab;
    OffsetRect(&text, textX_, textY_);
    const std::wstring& title = page.GetTitle();
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text, kTitleFormat);
}

void CBkTabCtrl::PaintStrip(HDC dc) {
    const CDcState saved(dc);
    const SIZE size = TabSize();
    if (frameSkin_) {
        RECT frame = rect_;
        (align_ == kAlignLeft ? frame.left : frame.top) +=
            (align_ == kAlignLeft ? size.cx : size.cy) + framePos_;
        frameSkin_->Draw(dc, frame, 0);
    }
    SetBkMode(dc, TRANSPARENT);
    if (style_.crtext != BkStyle::kNoColor) {
        SetTextColor(dc, style_.crtext);
    }
    if (style_.font) {
        SelectObject(dc, style_.font);
    }
    int lastVisible = -1;
    ForEachVisibleTab([&](int i, const CBkTab&, const RECT&) {
        lastVisible = i;
        return false;
    });
    const CBkTab* current = nullptr;
    RECT currentTab = {};
    ForEachVisibleTab([&](int i, const CBkTab& page, const RECT& tab) {
        if (splitterSkin_ && i != lastVisible) {
            const SIZE splitter = splitterSkin_->GetSkinSize();
            RECT gap = tab;
            if (align_ == kAlignLeft) {
                gap.top = tab.bottom + (tabSpacing_ - splitter.cy) / 2;
                gap.bottom = gap.top + splitter.cy;
            } else {
                gap.left = tab.right + (tabSpacing_ - splitter.cx) / 2;
                gap.right = gap.left + splitter.cx;
            }
            splitterSkin_->Draw(dc, gap, -1);
        }
        if (i != current_) {
            PaintTab(dc, i, page, tab, i == hover_ ? 1 : 0);
        } else {
            current = &page;
            currentTab = tab;
        }
        return false;
    });
    if (!current) {
        return;
    }
    if (style_.crhover != BkStyle::kNoColor) {
        SetTextColor(dc, style_.crhover);
    }
    if (style_.hoverfont) {
        SelectObject(dc, style_.hoverfont);
    }
    PaintTab(dc, current_, *current, currentTab, 2);
}

int CBkTabCtrl::TabAt(POINT point) const {
    int hit = -1;
    ForEachVisibleTab([&](int i, const CBkTab&, const RECT& tab) {
        if (i != current_ && PtInRect(&tab, point)) {
            hit = i;
        }
        return hit >= 0;
    });
    return hit;
}

void CBkTabCtrl::InvalidateTab(int index) {
    if (index >= 0) {
        const RECT tab = TabRect(index);
        NotifyInvalidate(&tab);
    }
}

void CBkTabCtrl::SetHover(int index) {
    if (index == hover_) {
        return;
    }
    const int old = hover_;
    hover_ = index;
    InvalidateTab(index);
    InvalidateTab(old);
}

bool CBkTabCtrl::SelectPage(int index) {
    if (host_) {
        BKNMTABSELCHANGE record = {};
        record.hdr.hwndFrom = host_;
        record.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(host_));
        record.hdr.code = BKNM_TAB_SELCHANGE;
        record.tabCtrlId = GetId();
        record.newIndex = index;
        record.oldIndex = current_;
        SendMessageW(host_, WM_NOTIFY, record.hdr.idFrom, reinterpret_cast<LPARAM>(&record));
        if (record.cancel) {
            return false;
        }
    }
    if (index == current_) {
        return true;
    }
    CBkTab* page = Page(index);
    if (!page) {
        return false;
    }
    InvalidateTab(current_);
    InvalidateTab(index);
    if (CBkTab* old = Page(current_)) {
        old->Send(WM_SHOWWINDOW, 0);
    }
    current_ = index;
    page->Send(WM_SHOWWINDOW, 1);
    PlacePage(page);
    NotifyInvalidate(&pageArea_);
    return true;
}

void CBkTabCtrl::OnPlaced(const WINDOWPOS& position) {
    OnWindowPosChanged(position);
    UpdatePageArea();
    for (const auto& page : children_) {
        PlacePage(page.get());
    }
}

void CBkTabCtrl::OnShowWindow(bool show, UINT status) {
    CBkContainerWnd::OnShowWindow(show, status);
    if (CBkTab* page = Page(current_)) {
        page->Send(WM_SHOWWINDOW, show);
    }
}

void CBkTabCtrl::OnMouseMove(UINT, POINT point) {
    SetHover(TabAt(point));
}

void CBkTabCtrl::OnLButtonDown(UINT, POINT point) {
    const int tab = TabAt(point);
    if (tab >= 0) {
        SelectPage(tab);
    }
}

void CBkTabCtrl::OnMouseLeave() {
    SetHover(-1);
}
