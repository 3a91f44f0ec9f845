#include "BkSkinShape.h"

#include <objidl.h>
#include <gdiplus.h>

#include <memory>

#include "BkParse.h"

BK_DEFINE_ATTRIBUTES(CBkSkinShape, CBkObject,
                     {"shape", A::Field<ParseInt, &CBkSkinShape::shape_>, kAttrTaken},
                     {"borderwidth", A::Field<ParseInt, &CBkSkinShape::borderWidth_>, kAttrTaken},
                     {"radius", A::Field<ParseInt, &CBkSkinShape::radius_>, kAttrTaken},
                     {"ignoreState", A::Field<ParseInt, &CBkSkinShape::ignoreState_>, kAttrTaken},
                     {"border", A::Field<ParseColorRGB, &CBkSkinShape::border_>, kAttrTaken},
                     {"bgnormal", A::Field<ParseColorRGB, &CBkSkinShape::bgNormal_>, kAttrTaken},
                     {"bghover", A::Field<ParseColorRGB, &CBkSkinShape::bgHover_>, kAttrTaken},
                     {"bgpush", A::Field<ParseColorRGB, &CBkSkinShape::bgPush_>, kAttrTaken},
                     {"bgdisable", A::Field<ParseColorRGB, &CBkSkinShape::bgDisable_>, kAttrTaken},
                     {"from", A::Field<ParseColorARGB, &CBkSkinShape::from_>, kAttrTaken},
                     {"to", A::Field<ParseColorARGB, &CBkSkinShape::to_>, kAttrTaken})

void CBkSkinShape::Paint(Gdiplus::Graphics& graphics, float x, float y, float width, float height,
                         int state, bool ownGraphics) {
    const Gdiplus::SmoothingMode previous = graphics.GetSmoothingMode();
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);

    if (shape_ == kVertical || shape_ == kHorizontal) {
        const bool vertical = shape_ == kVertical;
        const Gdiplus::Color from(from_);
        const Gdiplus::Color to(to_);
        std::unique_ptr<Gdiplus::LinearGradientBrush> brush;
        if (!ownGraphics) {
            brush = std::make_unique<Gdiplus::LinearGradientBrush>(
                Gdiplus::RectF(x, y, width, height), from, to,
                vertical ? Gdiplus::LinearGradientModeVertical
                         : Gdiplus::LinearGradientModeHorizontal);
        } else if (vertical) {
            // The gradient runs a pixel past both ends, so the tiling brush never wraps back
            // to the start colour on the last row.
            brush = std::make_unique<Gdiplus::LinearGradientBrush>(
                Gdiplus::PointF(x, y - 1), Gdiplus::PointF(x, y + height + 1), from, to);
        } else {
            brush = std::make_unique<Gdiplus::LinearGradientBrush>(
                Gdiplus::PointF(x - 1, y), Gdiplus::PointF(x + width + 1, y), from, to);
        }
        graphics.FillRectangle(brush.get(), x, y, width, height);
    } else {
        Gdiplus::SolidBrush fill(Gdiplus::Color(
            OpaqueArgb(ColorForState(state, bgNormal_, bgHover_, bgPush_, bgDisable_))));
        Gdiplus::Pen pen(Gdiplus::Color(OpaqueArgb(border_)), static_cast<float>(borderWidth_));
        const bool outline = borderWidth_ > 0;
        if (shape_ == kEllipse) {
            graphics.FillEllipse(&fill, x, y, width, height);
            if (outline) {
                graphics.DrawEllipse(&pen, x, y, width, height);
            }
        } else {
            Gdiplus::GraphicsPath path;
            const float radius = shape_ != kPill ? static_cast<float>(radius_)
                                 : ownGraphics   ? static_cast<float>(static_cast<int>(height) / 2)
                                                 : height / 2;
            AddRoundRectPath(path, x, y, width, height, radius);
            graphics.FillPath(&fill, &path);
            if (outline) {
                graphics.DrawPath(&pen, &path);
            }
        }
    }
    graphics.SetSmoothingMode(previous);
}
