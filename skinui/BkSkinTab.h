#pragma once

#include <windows.h>

#include <string>

#include "BkSkinButton.h"

// "tabButton": a tab item filled by state, with a marker bar on one side when selected.
class CBkSkinTab : public CBkVectorSkin {
public:
    enum TagPosition { kLeft = 0, kTop = 1, kBottom = 2, kRight = 3 };

    BK_OBJECT_CLASS(CBkSkinTab)
    BK_ATTRIBUTES()
    bool IgnoreState() const override { return false; }

private:
    void Paint(Gdiplus::Graphics& graphics, float x, float y, float width, float height, int state,
               bool ownGraphics) override;

    DWORD bgNormal_ = 0x00EEEEEE;
    DWORD bgHover_ = 0x00EEEEEE;
    DWORD bgSelect_ = 0xFF000000;
    DWORD crTag_ = 0;
    int tagPosition_ = kLeft;
    int tagSize_ = 3;
    DWORD border_ = 0x00707070;
    int ignoreState_ = 0;
};
