#pragma once

#include "BkRangeBar.h"

// "progress": a frame, a bar for value within [min, max] and optionally the percentage, which
// shows in a contrasting colour where it lies on the bar.
class CBkProgress : public CBkRangeBar {
public:
    BK_OBJECT_CLASS(CBkProgress)
    BK_ATTRIBUTES()

protected:
    COLORREF FrameColor() const override { return frameColor_; }
    COLORREF BarColor() const override { return barColor_; }
    // From the left edge, over the fraction of the rect (of its inside without a skin).
    RECT BarRect(const RangeFraction& fraction) override;

private:
    COLORREF frameColor_ = 0x707070;
    COLORREF barColor_ = 0x906142;
};
