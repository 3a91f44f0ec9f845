#pragma once

#include <windows.h>

#include <string>

#include "BkImageSkin.h"

// The band a gradation's gradient covers: from the left (or top) edge, `size` long, or the whole
// rectangle when `size` is not positive. It may reach past the rectangle; drawing clips it.
RECT GradationBand(const RECT& rect, int size, bool vertical);

// "gradation": a two-colour gradient band on a rectangle filled with the end colour.
class CBkSkinGradation : public CBkGdiSkin {
public:
    BK_OBJECT_CLASS(CBkSkinGradation)
    BK_ATTRIBUTES()
    void Draw(HDC dc, const RECT& rect, int state) override;
    bool IgnoreState() const override { return true; }

private:
    COLORREF from_ = 0xFFFFFFFF;
    COLORREF to_ = 0xFFFFFFFF;
    int size_ = 0;
    bool vertical_ = false;
};
