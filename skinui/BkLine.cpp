#include "BkLine.h"

#include <objidl.h>
#include <gdiplus.h>

#include "BkParse.h"

HRESULT CBkLine::SetAttribute(const std::string& name, const std::string& value, bool loading) {
    const HRESULT result = CBkWindow::SetAttribute(name, value, loading);
    if (result >= 0) {
        return result;
    }
    if (name == "style") {
        static const char* const kStyles[] = {"solid", "dash", "dot", "dashdot", "dashdotdot"};
        for (int i = 0; i < 5; ++i) {
            if (value == kStyles[i]) {
                dashStyle_ = i;
                return 1;
            }
        }
        return E_FAIL;
    }
    if (name == "size") {
        width_ = ParseInt(value);
    } else if (name == "cr") {
        color_ = ParseColorARGB(value);
    } else {
        return E_FAIL;
    }
    return name == "cr" ? 0 : 1;
}

void CBkLine::OnPaint(HDC dc) {
    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    Gdiplus::Pen pen(Gdiplus::Color(color_), static_cast<Gdiplus::REAL>(width_));
    pen.SetDashStyle(static_cast<Gdiplus::DashStyle>(dashStyle_));
    graphics.DrawLine(
        &pen, static_cast<Gdiplus::REAL>(rect_.left), static_cast<Gdiplus::REAL>(rect_.top),
        static_cast<Gdiplus::REAL>(rect_.right), static_cast<Gdiplus::REAL>(rect_.bottom));
}
