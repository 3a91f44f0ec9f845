#pragma once

// The arithmetic of progress bars and sliders: plain functions over numbers.

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

// The slider thumb's offset along a track of `width` pixels, rounded to the nearest pixel, so
// that the pointer maps back to the same value whenever the track has a pixel per step.
// 0 for a track of no width or an empty range.
int SliderOffset(const RangeFraction& fraction, int width);

// The value under the pointer `along` pixels into a track of `width` pixels, rounded, within the
// ordered range [min, max]; min for a track of no width.
int SliderValueAt(int along, int width, int min, int max);
