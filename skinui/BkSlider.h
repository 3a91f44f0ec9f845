#pragma once

#include "BkRangeBar.h"

// "slider": a progress-like track with a thumb the user drags. The thumb's centre sits at
// track left + track width x fraction, the track being the rect less "offset" on either side;
// the pointer maps back the same way, rounded to the nearest value and clamped to [min, max].
class CBkSlider : public CBkRangeBar {
public:
    BK_OBJECT_CLASS(CBkSlider)
    BK_ATTRIBUTES()

    // A press on the slider starts a drag, which moves the thumb with the pointer until the
    // release; a release or double click on it moves the thumb there.
    BK_BEGIN_MSG_MAP(CBkSlider)
    BK_MSG_WM_LBUTTONDOWN(OnLButtonDown)
    BK_MSG_WM_MOUSEMOVE(OnMouseMove)
    BK_MSG_WM_LBUTTONUP(OnLButtonUp)
    BK_MSG_WM_LBUTTONDBLCLK(OnLButtonDblClk)
    BK_MSG_WM_MOUSEWHEEL(OnMouseWheel)
    BK_CHAIN_MSG_MAP(CBkRangeBar)
    BK_END_MSG_MAP()

    bool IsDragging() const { return dragging_; }
    // The x of the thumb's centre for the current value.
    int ThumbCentre();
    int TrackWidth() const;

protected:
    COLORREF FrameColor() const override;
    COLORREF BarColor() const override;
    // From the track's left end to the thumb's centre.
    RECT BarRect(const RangeFraction& fraction) override;
    // The thumb, centred on the bar's end.
    void DrawOverBar(HDC dc, const RECT& bar) override;

private:
    void OnLButtonDown(UINT keys, POINT point);
    void OnMouseMove(UINT keys, POINT point);
    void OnLButtonUp(UINT keys, POINT point);
    void OnLButtonDblClk(UINT keys, POINT point);
    // Moves the thumb to the pointer and passes the message on.
    void OnMouseWheel(UINT keys, short delta, POINT point);
    // The value under the pointer's x, and the rect (with a taller thumb's band) redrawn.
    void ApplyPointer(POINT point);
    SIZE ThumbSize() const;

    bool dragging_ = false;
    CBkSkinBase* thumbSkin_ = nullptr;
    int offset_ = 0;
};
