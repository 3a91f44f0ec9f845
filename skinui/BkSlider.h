#pragma once

#include "BkRangeBar.h"

// "slider": a progress-like track with a thumb the user drags. The thumb's centre sits at
// track left + track width x fraction, the track being the rect less "offset" on either side;
// the pointer maps back the same way, rounded to the nearest value and clamped to [min, max].
class CBkSlider : public CBkRangeBar {
public:
    BK_OBJECT_CLASS(CBkSlider)
    BK_ATTRIBUTES()
    void HandleMessage(HWND host, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT& result) override;

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
    void ApplyPointer(LPARAM lParam);
    SIZE ThumbSize() const;

    bool dragging_ = false;
    CBkSkinBase* thumbSkin_ = nullptr;
    int offset_ = 0;
};
