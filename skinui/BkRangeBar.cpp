#include "BkRangeBar.h"

#include <utility>

#include "BkParse.h"
#include "BkSkin.h"
#include "BkSkinPool.h"
#include "Win32Handles.h"

namespace {

constexpr UINT kPercentFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

std::wstring PercentText(const RangeFraction& fraction) {
    return std::to_wstring(fraction.Of(100)) + L"%";
}

}  // namespace

namespace bkrange {

void DrawPercent(HDC dc, const RECT& rect, const RangeFraction& fraction) {
    const std::wstring text = PercentText(fraction);
    RECT area = rect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, kPercentFormat);
}

void DrawPercentOnBar(HDC dc, const RECT& rect, const RECT& bar, const BkStyle& style,
                      const RangeFraction& fraction) {
    const CDcState saved(dc);
    IntersectClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
    SetTextColor(dc, style.crbg == BkStyle::kNoColor ? 0xFFFFFF : style.crbg);
    DrawPercent(dc, rect, fraction);
}

void DrawFrame(HDC dc, const RECT& rect, CBkSkinBase* skin) {
    if (skin) {
        skin->Draw(dc, rect, 0);
    } else {
        RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, 2, 2);
    }
}

void DrawPlainBar(HDC dc, const RECT& bar, COLORREF color) {
    RoundRect(dc, bar.left, bar.top, bar.right, bar.bottom, 2, 2);
    if (SetBkColor(dc, color) != CLR_INVALID) {
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &bar, nullptr, 0, nullptr);
    }
}

RECT CentredBand(const RECT& rect, int height) {
    const int shrink = (rect.bottom - rect.top - height) / 2;
    return RECT{rect.left, rect.top + shrink, rect.right, rect.bottom - shrink};
}

}  // namespace bkrange

BK_DEFINE_ATTRIBUTES(CBkRangeBar, CBkWindow,
                     {"bgskin", A::Field<GetSkin, &CBkRangeBar::bgSkin_>, kAttrTaken},
                     {"posskin", A::Field<GetSkin, &CBkRangeBar::posSkin_>, kAttrTaken},
                     {"min", A::Field<ParseInt, &CBkRangeBar::min_>, kAttrRepaint},
                     {"max", A::Field<ParseInt, &CBkRangeBar::max_>, kAttrRepaint},
                     {"value", A::Field<ParseInt, &CBkRangeBar::value_>, kAttrRepaint},
                     {"showpercent", A::Field<ParseInt, &CBkRangeBar::showPercent_>, kAttrRepaint})

SIZE CBkRangeBar::CalcContentSize(bool available, SIZE size) {
    SIZE content = CBkWindow::CalcContentSize(available, size);
    if (bgSkin_) {
        content.cy = bgSkin_->GetSkinSize().cy;
    }
    return content;
}

void CBkRangeBar::OnPaint(HDC dc) {
    const CDcState saved(dc);
    PrepareTextDc(dc);
    const gdi::Object<HPEN> pen(CreatePen(PS_SOLID, 1, FrameColor()));
    const gdi::Selection usePen(dc, pen);
    bkrange::DrawFrame(dc, rect_, bgSkin_);
    const RangeFraction fraction = NormaliseRange(min_, max_, value_);
    if (showPercent_) {
        bkrange::DrawPercent(dc, rect_, fraction);
    }
    const RECT bar = BarRect(fraction);
    if (posSkin_) {
        posSkin_->Draw(dc, bar, 0);
    } else {
        bkrange::DrawPlainBar(dc, bar, BarColor());
    }
    DrawOverBar(dc, bar);
    if (showPercent_) {
        bkrange::DrawPercentOnBar(dc, rect_, bar, style_, fraction);
    }
}
