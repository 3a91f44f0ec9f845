#include "BkProgress.h"

#include "BkImageSkin.h"
#include "BkParse.h"
#include "BkSkin.h"
#include "BkSkinPool.h"
#include "Win32Handles.h"

const BkAttributeTable& CBkProgress::AttributeTable() {
    using A = BkAttributes<CBkProgress>;
    static const A table(
        &CBkRangeBar::AttributeTable(),
        {
            {"crframe", A::Field<ParseColorRGB, &CBkProgress::frameColor_>, kAttrRepaint},
            {"crposbar", A::Field<ParseColorRGB, &CBkProgress::barColor_>, kAttrRepaint},
        });
    return table;
}

void CBkProgress::OnPaint(HDC dc) {
    const CDcState saved(dc);
    PrepareTextDc(dc);
    const gdi::Object<HPEN> pen(CreatePen(PS_SOLID, 1, frameColor_));
    const gdi::Selection usePen(dc, pen);
    bkrange::DrawFrame(dc, rect_, bgSkin_);
    const RangeFraction fraction = NormaliseRange(min_, max_, value_);
    if (showPercent_) {
        bkrange::DrawPercent(dc, rect_, fraction);
    }
    RECT bar;
    if (posSkin_) {
        bar = bkrange::CentredBand(rect_, posSkin_->GetSkinSize().cy);
        bar.right = bar.left + fraction.Of(rect_.right - rect_.left);
        posSkin_->Draw(dc, bar, 0);
    } else {
        bar = rect_;
        InflateRect(&bar, -2, -2);
        bar.right = bar.left + fraction.Of(bar.right - bar.left);
        bkrange::DrawPlainBar(dc, bar, barColor_);
    }
    if (showPercent_) {
        bkrange::DrawPercentOnBar(dc, rect_, bar, style_, fraction);
    }
}
