#pragma once

#include <string>

#include "BkWindow.h"

namespace Gdiplus {
class Image;
}

// "memimage": a GDI+ image of this process, owned by whoever set "mempointer" (its address in
// decimal); "autosize" 1 stretches it over the rect, 0 draws it at natural size.
class CBkMemoryImage : public CBkWindow {
public:
    BK_OBJECT_CLASS(CBkMemoryImage)
    BK_ATTRIBUTES()

protected:
    void OnPaint(HDC dc) override;

private:
    // "mempointer": taken at run time only, not from layout text.
    static bool SetImageAddress(CBkMemoryImage& element, const std::string& value, bool loading);

    Gdiplus::Image* image_ = nullptr;
    int autoSize_ = 1;
};
