#include "BkMemoryImage.h"

#include <objidl.h>
#include <gdiplus.h>

#include "BkParse.h"

BK_DEFINE_ATTRIBUTES(CBkMemoryImage, CBkWindow,
                     {"mempointer", &CBkMemoryImage::SetImageAddress, kAttrTaken},
                     {"autosize", A::Field<ParseInt, &CBkMemoryImage::autoSize_>, kAttrTaken})

bool CBkMemoryImage::SetImageAddress(CBkMemoryImage& element, const std::string& value,
                                     bool loading) {
    // Only the owner, at run time, can name an image that exists: an address in layout text
    // would be drawn from blindly.
    if (!loading) {
        element.image_ = reinterpret_cast<Gdiplus::Image*>(ParseAddress(value));
    }
    return true;
}

void CBkMemoryImage::OnPaint(HDC dc) {
    if (!image_ || (autoSize_ != 0 && autoSize_ != 1)) {
        return;
    }
    Gdiplus::Graphics graphics(dc);
    const auto width = static_cast<INT>(image_->GetWidth());
    const auto height = static_cast<INT>(image_->GetHeight());
    if (autoSize_ == 1) {
        const Gdiplus::Rect target(rect_.left, rect_.top, rect_.right - rect_.left,
                                   rect_.bottom - rect_.top);
        graphics.DrawImage(image_, target, 0, 0, width, height, Gdiplus::UnitPixel);
    } else {
        graphics.DrawImage(image_, Gdiplus::Rect(rect_.left, rect_.top, width, height), 0, 0, width,
                           height, Gdiplus::UnitPixel);
    }
}
