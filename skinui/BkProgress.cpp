#include "BkProgress.h"

#include <windowsx.h>

#include <cmath>
#include <string>
#include <utility>

#include "BkImageSkin.h"
#include "BkParse.h"
#include "BkSkin.h"
#include "BkSkinPool.h"
#include "Win32Handles.h"

namespace {

constexpr COLORREF kSliderFrame = 0x707070;
constexpr COLORREF kSliderBar = 0x906142;
constexpr UINT kPercentFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

std::wstring PercentText(const RangeFraction& fraction) {
    return std::to_wstring(fraction.Of(100)) + L"%";
}

void DrawPercent(HDC dc, const RECT& rect, const RangeFraction& fraction) {
    const std::wstring text = PercentText(fraction);
    RECT area = rect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, kPercentFormat);
}

// The part of the percentage that lies on the bar, in the background colour (white if none).
void DrawPercentOnBar(HDC dc, const RECT& rect, const RECT& bar, const BkStyle& style,
                      const RangeFraction& fraction) {
    const CDcState saved(dc);
    IntersectClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
    SetTextColor(dc, style.crbg == BkStyle::kNoColor ? 0xFFFFFF : style.crbg);
    DrawPercent(dc, rect, fraction);
}

// The frame: the background skin over the whole rect, else a rounded rectangle in the
// selected pen and brush.
void DrawFrame(HDC dc, const RECT& rect, CBkSkinBase* skin) {
    if (skin) {
        skin->Draw(dc, rect, 0);
    } else {
        RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, 2, 2);
    }
}

// A bar drawn without a skin: outlined in the selected pen, filled with `color`.
void DrawPlainBar(HDC dc, const RECT& bar, COLORREF color) {
    RoundRect(dc, bar.left, bar.top, bar.right, bar.bottom, 2, 2);
    if (SetBkColor(dc, color) != CLR_INVALID) {
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &bar, nullptr, 0, nullptr);
    }
}

// `rect` shrunk vertically to `height`, centred.
RECT CentredBand(const RECT& rect, int height) {
    const int shrink = (rect.bottom - rect.top - height) / 2;
    return RECT{rect.left, rect.top + shrink, rect.right, rect.bottom - shrink};
}

}  // namespace

RangeFraction NormaliseRange(int& min, int& max, int& value) {
    if (max == min) {
        return RangeFraction{0, 0};
    }
    if (max < min) {
        std::swap(min, max);
    }
    value = value < min ? min : value > max ? max : value;
    return RangeFraction{static_cast<long long>(value) - min, static_cast<long long>(max) - min};
}

HRESULT CBkRangeBar::SetAttribute(const std::string& name, const std::string& value, bool loading) {
    const HRESULT result = CBkWindow::SetAttribute(name, value, loading);
    if (result >= 0) {
        return result;
    }
    if (name == "bgskin" || name == "posskin") {
        (name == "bgskin" ? bgSkin_ : posSkin_) = GetSkin(value);
        return 0;
    }
    if (name == "min") {
        min_ = ParseInt(value);
    } else if (name == "max") {
        max_ = ParseInt(value);
    } else if (name == "value") {
        value_ = ParseInt(value);
    } else if (name == "showpercent") {
        showPercent_ = ParseInt(value);
    } else {
        return E_FAIL;
    }
    return 1;
}

SIZE CBkRangeBar::CalcContentSize(bool available, SIZE size) {
    SIZE content = CBkWindow::CalcContentSize(available, size);
    if (bgSkin_) {
        content.cy = bgSkin_->GetSkinSize().cy;
    }
    return content;
}

HRESULT CBkProgress::SetAttribute(const std::string& name, const std::string& value, bool loading) {
    const HRESULT result = CBkRangeBar::SetAttribute(name, value, loading);
    if (result >= 0) {
        return result;
    }
    if (name == "crframe") {
        frameColor_ = ParseColorRGB(value);
    } else if (name == "crposbar") {
        barColor_ = ParseColorRGB(value);
    } else {
        return E_FAIL;
    }
    return 1;
}

void CBkProgress::OnPaint(HDC dc) {
    const CDcState saved(dc);
    PrepareTextDc(dc);
    const bkgdi::Object<HPEN> pen(CreatePen(PS_SOLID, 1, frameColor_));
    const bkgdi::Selection usePen(dc, pen);
    DrawFrame(dc, rect_, bgSkin_);
    const RangeFraction fraction = NormaliseRange(min_, max_, value_);
    if (showPercent_) {
        DrawPercent(dc, rect_, fraction);
    }
    RECT bar;
    if (posSkin_) {
        bar = CentredBand(rect_, posSkin_->GetSkinSize().cy);
        bar.right = bar.left + fraction.Of(rect_.right - rect_.left);
        posSkin_->Draw(dc, bar, 0);
    } else {
        bar = rect_;
        InflateRect(&bar, -2, -2);
        bar.right = bar.left + fraction.Of(bar.right - bar.left);
        DrawPlainBar(dc, bar, barColor_);
    }
    if (showPercent_) {
        DrawPercentOnBar(dc, rect_, bar, style_, fraction);
    }
}

HRESULT CBkSlider::SetAttribute(const std::string& name, const std::string& value, bool loading) {
    const HRESULT result = CBkRangeBar::SetAttribute(name, value, loading);
    if (result >= 0) {
        return result;
    }
    if (name == "thumbskin") {
        thumbSkin_ = GetSkin(value);
    } else if (name == "offset") {
        offset_ = ParseInt(value);
    } else {
        return E_FAIL;
    }
    return 1;
}

SIZE CBkSlider::ThumbSize() const {
    return thumbSkin_ ? thumbSkin_->GetSkinSize() : SIZE{0, 0};
}

int CBkSlider::ThumbCentre() {
    const RangeFraction fraction = NormaliseRange(min_, max_, value_);
    const int width = rect_.right - rect_.left - 2 * offset_;
    // Rounded, so that the pointer maps back to the same value whenever the track has at least
    // one pixel per step.
    return rect_.left + offset_ +
           (fraction.total ? static_cast<int>((2 * width * fraction.done + fraction.total) /
                                              (2 * fraction.total))
                           : 0);
}

void CBkSlider::ApplyPointer(LPARAM lParam) {
    NormaliseRange(min_, max_, value_);
    const int width = rect_.right - rect_.left - 2 * offset_;
    if (width <= 0 || max_ == min_) {
        value_ = min_;
    } else {
        const int along = GET_X_LPARAM(lParam) - (rect_.left + offset_);
        const long value = min_ + std::lround(static_cast<double>(along) * (max_ - min_) / width);
        value_ = static_cast<int>(value < min_ ? min_ : value > max_ ? max_ : value);
    }
    RECT dirty = rect_;
    const int thumbHeight = ThumbSize().cy;
    if (thumbHeight > rect_.bottom - rect_.top) {
        dirty = CentredBand(rect_, thumbHeight);
    }
    NotifyInvalidate(&dirty);
}

void CBkSlider::HandleMessage(HWND host, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) {
    const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const bool inside = PtInRect(&rect_, point) != FALSE;
    msgHandled_ = true;
    result = 0;
    switch (message) {
        case WM_LBUTTONDOWN:
            dragging_ = dragging_ || inside;
            break;
        case WM_MOUSEMOVE:
            if (dragging_) {
                ApplyPointer(lParam);
            }
            break;
        case WM_LBUTTONUP:
            dragging_ = false;
            if (inside) {
                ApplyPointer(lParam);
            }
            break;
        case WM_LBUTTONDBLCLK:
            if (inside) {
                ApplyPointer(lParam);
            }
            break;
        case WM_MOUSEWHEEL:
            ApplyPointer(lParam);
            msgHandled_ = false;
            break;
        default:
            CBkWindow::HandleMessage(host, message, wParam, lParam, result);
            break;
    }
}

void CBkSlider::OnPaint(HDC dc) {
    const CDcState saved(dc);
    PrepareTextDc(dc);
    const bkgdi::Object<HPEN> pen(CreatePen(PS_SOLID, 1, kSliderFrame));
    const bkgdi::Selection usePen(dc, pen);
    DrawFrame(dc, rect_, bgSkin_);
    const RangeFraction fraction = NormaliseRange(min_, max_, value_);
    if (showPercent_) {
        DrawPercent(dc, rect_, fraction);
    }
    RECT bar = {rect_.left + offset_, rect_.top, ThumbCentre(), rect_.bottom};
    if (posSkin_) {
        bar = CentredBand(bar, posSkin_->GetSkinSize().cy);
        posSkin_->Draw(dc, bar, 0);
    } else {
        InflateRect(&bar, 0, -2);
        DrawPlainBar(dc, bar, kSliderBar);
    }
    const SIZE thumb = ThumbSize();
    if (thumbSkin_) {
        RECT area = CentredBand(rect_, thumb.cy);
        area.left = bar.right - thumb.cx / 2;
        area.right = area.left + thumb.cx;
        thumbSkin_->Draw(dc, area, 0);
    }
    if (showPercent_) {
        DrawPercentOnBar(dc, rect_, bar, style_, fraction);
    }
}
