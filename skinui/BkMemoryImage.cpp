#include "BkMemoryImage.h"

#include <objidl.h>
#include <gdiplus.h>

#include "BkParse.h"

HRESULT CBkMemoryImage::SetAttribute(const std::string& name, const std::string& value,
                                     bool loading) {
    const HRESULT result = CBkWindow::SetAttribute(name, value, loading);
    if (result >= 0) {
        return result;
    }
    if (name == "mempointer") {
        // Only the owner, at run time, can name an image that exists: an address in layout
        // text would be drawn from blindly.
        if (!loading) {
            image_ = reinterpret_cast<Gdiplus::Image*>(ParseAddress(value));
        }
    } else if (name == "autosize") {
        autoSize_ = ParseInt(value);
    } else {
        return E_FAIL;
    }
    return 0;
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
