#pragma once

#include "BkRangeBar.h"

// "progress": a frame, a bar for value within [min, max] and optionally the percentage, which
// shows in a contrasting colour where it lies on the bar.
class CBkProgress : public CBkRangeBar {
public:
    BK_OBJECT_CLASS(CBkProgress)
    BK_ATTRIBUTES()

protected:
    void OnPaint(HDC dc) override;

private:
    COLORREF frameColor_ = 0x707070;
    COLORREF barColor_ = 0x906142;
};
