#include "BkLine.h"

#include <objidl.h>
#include <gdiplus.h>

#include "BkParse.h"

namespace {

// "style": the dash style by name.
std::optional<int> DashStyleOf(const std::string& value) {
    return bkattr::WordIndex(value, {"solid", "dash", "dot", "dashdot", "dashdotdot"});
}

}  // namespace

BK_DEFINE_ATTRIBUTES(CBkLine, CBkWindow,
                     {"style", A::Field<DashStyleOf, &CBkLine::dashStyle_>, kAttrRepaint},
                     {"size", A::Field<ParseInt, &CBkLine::width_>, kAttrRepaint},
                     {"cr", A::Field<ParseColorARGB, &CBkLine::color_>, kAttrTaken})

void CBkLine::OnPaint(HDC dc) {
    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    Gdiplus::Pen pen(Gdiplus::Color(color_), static_cast<Gdiplus::REAL>(width_));
    pen.SetDashStyle(static_cast<Gdiplus::DashStyle>(dashStyle_));
    graphics.DrawLine(
        &pen, static_cast<Gdiplus::REAL>(rect_.left), static_cast<Gdiplus::REAL>(rect_.top),
        static_cast<Gdiplus::REAL>(rect_.right), static_cast<Gdiplus::REAL>(rect_.bottom));
}
