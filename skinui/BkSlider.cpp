#include "BkSlider.h"

#include "BkImageSkin.h"
#include "BkLimits.h"
#include "BkParse.h"
#include "BkSkin.h"
#include "BkSkinPool.h"
#include "Win32Handles.h"

namespace {

constexpr COLORREF kSliderFrame = 0x707070;
constexpr COLORREF kSliderBar = 0x906142;

}  // namespace

BK_DEFINE_ATTRIBUTES(CBkSlider, CBkRangeBar,
                     {"thumbskin", A::Field<GetSkin, &CBkSlider::thumbSkin_>, kAttrRepaint},
                     {"offset", A::Field<bkattr::Coordinate, &CBkSlider::offset_>, kAttrRepaint})

SIZE CBkSlider::ThumbSize() const {
    return thumbSkin_ ? thumbSkin_->GetSkinSize() : SIZE{0, 0};
}

int CBkSlider::ThumbCentre() {
    const RangeFraction fraction = NormaliseRange(min_, max_, value_);
    return rect_.left + offset_ + SliderOffset(fraction, TrackWidth());
}

int CBkSlider::TrackWidth() const {
    return rect_.right - rect_.left - 2 * offset_;
}

void CBkSlider::ApplyPointer(POINT point) {
    NormaliseRange(min_, max_, value_);
    value_ = SliderValueAt(point.x - (rect_.left + offset_), TrackWidth(), min_, max_);
    RECT dirty = rect_;
    const int thumbHeight = ThumbSize().cy;
    if (thumbHeight > rect_.bottom - rect_.top) {
        dirty = bkrange::CentredBand(rect_, thumbHeight);
    }
    NotifyInvalidate(&dirty);
}

void CBkSlider::OnLButtonDown(UINT, POINT point) {
    dragging_ = dragging_ || PtInRect(&rect_, point);
}

void CBkSlider::OnMouseMove(UINT, POINT point) {
    if (dragging_) {
        ApplyPointer(point);
    }
}

void CBkSlider::OnLButtonUp(UINT, POINT point) {
    dragging_ = false;
    if (PtInRect(&rect_, point)) {
        ApplyPointer(point);
    }
}

void CBkSlider::OnLButtonDblClk(UINT, POINT point) {
    if (PtInRect(&rect_, point)) {
        ApplyPointer(point);
    }
}

void CBkSlider::OnMouseWheel(UINT, short, POINT point) {
    ApplyPointer(point);
    SetMsgHandled(false);
}

COLORREF CBkSlider::FrameColor() const {
    return kSliderFrame;
}

COLORREF CBkSlider::BarColor() const {
    return kSliderBar;
}

RECT CBkSlider::BarRect(const RangeFraction&) {
    RECT bar = {rect_.left + offset_, rect_.top, ThumbCentre(), rect_.bottom};
    if (posSkin_) {
        bar = bkrange::CentredBand(bar, posSkin_->GetSkinSize().cy);
    } else {
        InflateRect(&bar, 0, -2);
    }
    return bar;
}

void CBkSlider::DrawOverBar(HDC dc, const RECT& bar) {
    const SIZE thumb = ThumbSize();
    if (thumbSkin_) {
        RECT area = bkrange::CentredBand(rect_, thumb.cy);
        area.left = bar.right - thumb.cx / 2;
        area.right = area.left + thumb.cx;
        thumbSkin_->Draw(dc, area, 0);
    }
}
