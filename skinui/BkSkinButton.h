#pragma once

#include <windows.h>

#include <string>

#include "BkSkin.h"

namespace Gdiplus {
class GraphicsPath;
}

// A rectangle with quarter-circle corners of `radius` (bounding squares of twice the radius),
// clockwise from the top-left corner; a plain rectangle when `radius` is not positive.
void AddRoundRectPath(Gdiplus::GraphicsPath& path, float x, float y, float width, float height,
                      float radius);

// The state bits of the vector painters.
constexpr int kStateHover = 0x01;
constexpr int kStatePushed = 0x02;
constexpr int kStateDisabled = 0x10;

// The colour for a state: disabled first, then pushed, then hover, else normal.
template <typename Color>
Color ColorForState(int state, Color normal, Color hover, Color pushed, Color disabled) {
    if (state & kStateDisabled) {
        return disabled;
    }
    if (state & kStatePushed) {
        return pushed;
    }
    return state & kStateHover ? hover : normal;
}

// A painter drawn with GDI+ alone. `ownGraphics` tells Paint whether it draws on a Graphics of its
// own over a device context (Draw) or on the caller's (DrawOnGraphics).
class CBkVectorSkin : public CBkSkinBase {
public:
    void DrawOnGraphics(Gdiplus::Graphics* graphics, float x, float y, float width, float height,
                        int state) final;
    void Draw(HDC dc, const RECT& rect, int state) final;

private:
    virtual void Paint(Gdiplus::Graphics& graphics, float x, float y, float width, float height,
                       int state, bool ownGraphics) = 0;
};

// "button": a state-coloured rectangle, rounded rectangle, ellipse or pill with a border.
class CBkSkinButton : public CBkVectorSkin {
public:
    BK_OBJECT_CLASS(CBkSkinButton)
    BK_ATTRIBUTES()
    bool IgnoreState() const override { return false; }

private:
    void Paint(Gdiplus::Graphics& graphics, float x, float y, float width, float height, int state,
               bool ownGraphics) override;

    int mode_ = 0;
    int borderWidth_ = 1;
    DWORD border_ = 0x00707070;
    DWORD borderDisable_ = 0x00707070;
    DWORD bgNormal_ = 0x00EEEEEE;
    DWORD bgHover_ = 0x00EEEEEE;
    DWORD bgPush_ = 0x00EEEEEE;
    DWORD bgDisable_ = 0x00EEEEEE;
    int radius_ = 6;
    int ignoreState_ = 0;
};
