#include "BkSkinTab.h"

#include <objidl.h>
#include <gdiplus.h>

#include "BkParse.h"

namespace {

// "tagpos": the side of the selected marker; anything unknown is the left.
int TagPositionOf(const std::string& value) {
    return value == "top"      ? CBkSkinTab::kTop
           : value == "bottom" ? CBkSkinTab::kBottom
           : value == "right"  ? CBkSkinTab::kRight
                               : CBkSkinTab::kLeft;
}

}  // namespace

BK_DEFINE_ATTRIBUTES(CBkSkinTab, CBkObject,
                     {"tagpos", A::Field<TagPositionOf, &CBkSkinTab::tagPosition_>, kAttrRepaint},
                     {"tagsize", A::Field<ParseInt, &CBkSkinTab::tagSize_>, kAttrTaken},
                     {"ignoreState", A::Field<ParseInt, &CBkSkinTab::ignoreState_>, kAttrTaken},
                     {"bgnormal", A::Field<ParseColorARGB, &CBkSkinTab::bgNormal_>, kAttrTaken},
                     {"bghover", A::Field<ParseColorARGB, &CBkSkinTab::bgHover_>, kAttrTaken},
                     {"bgselect", A::Field<ParseColorARGB, &CBkSkinTab::bgSelect_>, kAttrTaken},
                     {"crtag", A::Field<ParseColorARGB, &CBkSkinTab::crTag_>, kAttrTaken},
                     {"border", A::Field<ParseColorARGB, &CBkSkinTab::border_>, kAttrTaken})

void CBkSkinTab::Paint(Gdiplus::Graphics& graphics, float x, float y, float width, float height,
                       int state, bool) {
    const DWORD background = (state & kStateDisabled)                 ? bgSelect_
                             : (state & (kStatePushed | kStateHover)) ? bgHover_
                                                                      : bgNormal_;
    Gdiplus::SolidBrush fill{Gdiplus::Color(background)};
    graphics.FillRectangle(&fill, x, y, width, height);
    if (tagSize_ <= 0 || state != kStateDisabled) {
        return;
    }
    const float size = static_cast<float>(tagSize_);
    Gdiplus::RectF marker(x, y, size, height);
    if (tagPosition_ == kTop) {
        marker = Gdiplus::RectF(x, y, width, size);
    } else if (tagPosition_ == kBottom) {
        marker = Gdiplus::RectF(x, y + height - size, width, size);
    } else if (tagPosition_ == kRight) {
        marker = Gdiplus::RectF(x + width - size, y, size, height);
    }
    Gdiplus::SolidBrush tag{Gdiplus::Color(crTag_)};
    graphics.FillRectangle(&tag, marker);
}
