#include "BkSkinButton.h"

#include <objidl.h>
#include <gdiplus.h>

#include "BkParse.h"
#include "BkPngPool.h"

void AddRoundRectPath(Gdiplus::GraphicsPath& path, float x, float y, float width, float height,
                      float radius) {
    if (radius <= 0) {
        path.AddRectangle(Gdiplus::RectF(x, y, width, height));
        return;
    }
    const float d = radius * 2;
    path.AddArc(x, y, d, d, 180, 90);
    path.AddArc(x + width - d, y, d, d, 270, 90);
    path.AddArc(x + width - d, y + height - d, d, d, 0, 90);
    path.AddArc(x, y + height - d, d, d, 90, 90);
    path.CloseFigure();
}

void CBkVectorSkin::DrawOnGraphics(Gdiplus::Graphics* graphics, float x, float y, float width,
                                   float height, int state) {
    if (graphics) {
        Paint(*graphics, x, y, width, height, state, false);
    }
}

void CBkVectorSkin::Draw(HDC dc, const RECT& rect, int state) {
    BkPngPool::Instance();  // keeps GDI+ started
    Gdiplus::Graphics graphics(dc);
    Paint(graphics, static_cast<float>(rect.left), static_cast<float>(rect.top),
          static_cast<float>(rect.right - rect.left), static_cast<float>(rect.bottom - rect.top),
          state, true);
}

BK_DEFINE_ATTRIBUTES(
    CBkSkinButton, CBkObject, {"mode", A::Field<ParseInt, &CBkSkinButton::mode_>, kAttrTaken},
    {"borderwidth", A::Field<ParseInt, &CBkSkinButton::borderWidth_>, kAttrTaken},
    {"radius", A::Field<ParseInt, &CBkSkinButton::radius_>, kAttrTaken},
    {"ignoreState", A::Field<ParseInt, &CBkSkinButton::ignoreState_>, kAttrTaken},
    {"border", A::Field<ParseColorARGB, &CBkSkinButton::border_>, kAttrTaken},
    {"borderdisable", A::Field<ParseColorARGB, &CBkSkinButton::borderDisable_>, kAttrTaken},
    {"bgnormal", A::Field<ParseColorARGB, &CBkSkinButton::bgNormal_>, kAttrTaken},
    {"bghover", A::Field<ParseColorARGB, &CBkSkinButton::bgHover_>, kAttrTaken},
    {"bgpush", A::Field<ParseColorARGB, &CBkSkinButton::bgPush_>, kAttrTaken},
    {"bgdisable", A::Field<ParseColorARGB, &CBkSkinButton::bgDisable_>, kAttrTaken})

void CBkSkinButton::Paint(Gdiplus::Graphics& graphics, float x, float y, float width, float height,
                          int state, bool ownGraphics) {
    const float bw = static_cast<float>(borderWidth_);
    Gdiplus::SolidBrush fill(
        Gdiplus::Color(ColorForState<DWORD>(state, bgNormal_, bgHover_, bgPush_, bgDisable_)));
    const DWORD border = state == kStateDisabled ? borderDisable_ : border_;
    Gdiplus::Pen opaquePen(Gdiplus::Color(0xFF000000u | (border & 0x00FFFFFFu)), bw);

    if (mode_ == 1 || (mode_ != 2 && radius_ <= 0)) {
        const float w = width - bw;
        const float h = height - bw;
        if (mode_ == 1) {
            graphics.FillEllipse(&fill, x, y, w, h);
            if (borderWidth_ > 0) {
                graphics.DrawEllipse(&opaquePen, x, y, w, h);
            }
        } else {
            graphics.FillRectangle(&fill, x, y, w, h);
            if (borderWidth_ > 0) {
                graphics.DrawRectangle(&opaquePen, x, y, w, h);
            }
        }
        return;
    }

    const Gdiplus::SmoothingMode previous = graphics.GetSmoothingMode();
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::GraphicsPath path;
    // On its own surface the pill spans the whole rectangle; on a caller's Graphics it is inset
    // like the rounded rectangle and always stroked.
    const float inset = 2 * bw + 1;
    if (mode_ == 2 && ownGraphics) {
        AddRoundRectPath(path, x, y, width, height,
                         static_cast<float>(static_cast<int>(height) / 2));
    } else if (mode_ == 2) {
        AddRoundRectPath(path, x, y, width - inset, height - inset, (height - inset) / 2);
    } else {
        AddRoundRectPath(path, x, y, width - inset, height - inset, static_cast<float>(radius_));
    }
    graphics.FillPath(&fill, &path);
    if (mode_ == 2) {
        if (borderWidth_ > 0 || !ownGraphics) {
            Gdiplus::Pen pen(Gdiplus::Color(border_), bw);
            graphics.DrawPath(&pen, &path);
        }
    } else if (borderWidth_ > 0) {
        graphics.DrawPath(&opaquePen, &path);
    }
    graphics.SetSmoothingMode(ownGraphics ? Gdiplus::SmoothingModeDefault : previous);
}
