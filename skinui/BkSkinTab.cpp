#include "BkSkinTab.h"

#include <objidl.h>
#include <gdiplus.h>

#include "BkParse.h"

HRESULT CBkSkinTab::SetAttribute(const std::string& name, const std::string& value, bool) {
    if (name == "tagpos") {
        tagPosition_ = value == "top"      ? kTop
                       : value == "bottom" ? kBottom
                       : value == "right"  ? kRight
                                           : kLeft;
        return 1;
    }
    if (name == "tagsize") {
        tagSize_ = ParseInt(value);
        return S_OK;
    }
    if (name == "ignoreState") {
        ignoreState_ = ParseInt(value);
        return S_OK;
    }
    DWORD* color = name == "bgnormal"   ? &bgNormal_
                   : name == "bghover"  ? &bgHover_
                   : name == "bgselect" ? &bgSelect_
                   : name == "crtag"    ? &crTag_
                   : name == "border"   ? &border_
                                        : nullptr;
    if (!color) {
        return E_FAIL;
    }
    *color = ParseColorARGB(value);
    return S_OK;
}

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
