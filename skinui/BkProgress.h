#pragma once

#include "BkWindow.h"

class CBkSkinBase;

// What progress bars and sliders share: a value in [min, max], background and position skins,
// and the background skin's height as their own.
class CBkRangeBar : public CBkWindow {
public:
    HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

    int GetMin() const { return min_; }
    int GetMax() const { return max_; }
    int GetValue() const { return value_; }

protected:
    SIZE CalcContentSize(bool available, SIZE size) override;

    int min_ = 0;
    int max_ = 0;
    int value_ = 0;
    int showPercent_ = 0;
    CBkSkinBase* bgSkin_ = nullptr;
    CBkSkinBase* posSkin_ = nullptr;
};

// "progress": a frame, a bar for value within [min, max] and optionally the percentage, which
// shows in a contrasting colour where it lies on the bar.
class CBkProgress : public CBkRangeBar {
public:
    const char* GetObjectClass() const override { return "progress"; }
    HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

protected:
    void OnPaint(HDC dc) override;

private:
    COLORREF frameColor_ = 0x707070;
    COLORREF barColor_ = 0x906142;
};

// "slider": a progress-like track with a thumb the user drags. The thumb's centre sits at
// track left + track width x fraction, the track being the rect less "offset" on either side;
// the pointer maps back the same way, rounded to the nearest value and clamped to [min, max].
class CBkSlider : public CBkRangeBar {
public:
    const char* GetObjectClass() const override { return "slider"; }
    HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
    void HandleMessage(HWND host, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT& result) override;

    bool IsDragging() const { return dragging_; }
    // The x of the thumb's centre for the current value.
    int ThumbCentre();

protected:
    void OnPaint(HDC dc) override;

private:
    void ApplyPointer(LPARAM lParam);
    SIZE ThumbSize() const;

    bool dragging_ = false;
    CBkSkinBase* thumbSkin_ = nullptr;
    int offset_ = 0;
};

// The value's place in [min, max]. Lengths and the percentage are worked out in integers, so
// that a third of 96 pixels is 32 and 99 % of a range reads 99, not 98.999...
struct RangeFraction {
    long long done;
    long long total;
    // `length` x the fraction, truncated; 0 for an empty range.
    int Of(int length) const { return total ? static_cast<int>(length * done / total) : 0; }
};

// Puts the ends of [min, max] in order and clamps the value into it, all in place.
RangeFraction NormaliseRange(int& min, int& max, int& value);
