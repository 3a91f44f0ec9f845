#pragma once

#include <memory>
#include <string>

#include "BkObject.h"

namespace Gdiplus {
class Graphics;
}

// A named painter that fills an element's rectangle according to the element's state. The state
// is a bit set (0x01 hover, 0x02 pushed, 0x10 disabled or selected) for the vector kinds and a
// cell index (-1 = the whole image) for the image strips.
class CBkSkinBase : public CBkObject {
public:
    virtual void DrawOnGraphics(Gdiplus::Graphics* graphics, float x, float y, float width,
                                float height, int state) = 0;
    virtual void Draw(HDC dc, const RECT& rect, int state) = 0;
    virtual void StretchDrawOnGraphics(Gdiplus::Graphics*, float, float, float, float, int) {}
    virtual void StretchDraw(HDC, const RECT&, int) {}
    virtual SIZE GetSkinSize() const { return SIZE{0, 0}; }
    virtual bool IgnoreState() const = 0;
};

// A new skin of the kind named by `tag` (case-sensitive), with that kind's defaults; null for
// tags that name no kind.
std::unique_ptr<CBkSkinBase> CreateSkin(const std::string& tag);
