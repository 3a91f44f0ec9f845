#pragma once

#include <windows.h>

#include <string>

#include "BkSkinButton.h"

// "shape": a state-coloured rounded rectangle, ellipse or pill with a border, or a vertical or
// horizontal two-colour gradient.
class CBkSkinShape : public CBkVectorSkin {
public:
    enum Kind { kRoundRect = 0, kEllipse = 1, kPill = 2, kVertical = 3, kHorizontal = 4 };

    BK_OBJECT_CLASS(CBkSkinShape)
    BK_ATTRIBUTES()
    bool IgnoreState() const override { return ignoreState_ != 0; }

private:
    void Paint(Gdiplus::Graphics& graphics, float x, float y, float width, float height, int state,
               bool ownGraphics) override;

    int shape_ = kRoundRect;
    int borderWidth_ = 1;
    COLORREF border_ = 0x707070;
    COLORREF bgNormal_ = 0xEEEEEE;
    COLORREF bgHover_ = 0xEEEEEE;
    COLORREF bgPush_ = 0xEEEEEE;
    COLORREF bgDisable_ = 0xEEEEEE;
    DWORD from_ = 0xFF000000;
    DWORD to_ = 0x40EEEEEE;
    int radius_ = 6;
    int ignoreState_ = 1;
};
