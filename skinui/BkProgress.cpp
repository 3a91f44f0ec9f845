#include "BkProgress.h"

#include "BkImageSkin.h"
#include "BkParse.h"
#include "BkSkin.h"
#include "BkSkinPool.h"
#include "Win32Handles.h"

BK_DEFINE_ATTRIBUTES(CBkProgress, CBkRangeBar,
                     {"crframe", A::Field<ParseColorRGB, &CBkProgress::frameColor_>, kAttrRepaint},
                     {"crposbar", A::Field<ParseColorRGB, &CBkProgress::barColor_>, kAttrRepaint})

RECT CBkProgress::BarRect(const RangeFraction& fraction) {
    RECT bar;
    if (posSkin_) {
        bar = bkrange::CentredBand(rect_, posSkin_->GetSkinSize().cy);
        bar.right = bar.left + fraction.Of(rect_.right - rect_.left);
    } else {
        bar = rect_;
        InflateRect(&bar, -2, -2);
        bar.right = bar.left + fraction.Of(bar.right - bar.left);
    }
    return bar;
}
