#pragma once

#include <string>

#include "BkRangeMath.h"
#include "BkWindow.h"

class CBkSkinBase;

// What progress bars and sliders share: a value in [min, max], background and position skins,
// and the background skin's height as their own.
class CBkRangeBar : public CBkWindow {
public:
    BK_ATTRIBUTES()

    int GetMin() const { return min_; }
    int GetMax() const { return max_; }
    int GetValue() const { return value_; }

protected:
    SIZE CalcContentSize(bool available, SIZE size) override;
    // The frame (background skin, else a rounded rectangle in the frame colour), the percentage,
    // the bar (position skin, else a plain bar), what the kind draws over it, and the part of the
    // percentage on the bar in a contrasting colour.
    void OnPaint(HDC dc) override;

    // The pen of the frame and of a plain bar.
    virtual COLORREF FrameColor() const = 0;
    // The fill of a plain bar.
    virtual COLORREF BarColor() const = 0;
    // Where the bar goes for `fraction`: for the position skin when there is one, else for a
    // plain bar.
    virtual RECT BarRect(const RangeFraction& fraction) = 0;
    // Drawn after the bar, under the percentage (a slider's thumb).
    virtual void DrawOverBar(HDC, const RECT&) {}

    int min_ = 0;
    int max_ = 0;
    int value_ = 0;
    int showPercent_ = 0;
    CBkSkinBase* bgSkin_ = nullptr;
    CBkSkinBase* posSkin_ = nullptr;
};

// Drawing steps that progress bars and sliders share.
namespace bkrange {
// The percentage centred in `rect`, in the selected font and colour.
void DrawPercent(HDC dc, const RECT& rect, const RangeFraction& fraction);
// The part of the percentage that lies on the bar, in the background colour (white if none).
void DrawPercentOnBar(HDC dc, const RECT& rect, const RECT& bar, const BkStyle& style,
                      const RangeFraction& fraction);
// The frame: the background skin over the whole rect, else a rounded rectangle in the
// selected pen and brush.
void DrawFrame(HDC dc, const RECT& rect, CBkSkinBase* skin);
// A bar drawn without a skin: outlined in the selected pen, filled with `color`.
void DrawPlainBar(HDC dc, const RECT& bar, COLORREF color);
// `rect` shrunk vertically to `height`, centred.
RECT CentredBand(const RECT& rect, int height);
}  // namespace bkrange
