#pragma once

#include <cstdint>
#include <vector>

// A horizontal run [left, right) of one row; empty when left >= right.
struct ShadowSpan {
    int left;
    int right;
};

struct ShadowParams {
    int spread;    // how far the shadow reaches beyond the owner on every side
    int softness;  // width of the soft edge
    int opacity;   // alpha of the shadow core
    int xOffset;
    int yOffset;
    uint32_t color;  // COLORREF: 0x00BBGGRR
};

// A rectangle [left, right) x [top, bottom) of the owner's window region.
struct ShadowRect {
    int left;
    int top;
    int right;
    int bottom;
};

// The owner's outline: per row, its first and last pixel inside `region` as [first, last + 1),
// or the empty span [width, 0) for a row with none, from the rectangles of its region.
std::vector<ShadowSpan> OutlineSpans(const std::vector<ShadowRect>& rects, int width, int height);

// The shadow image of an owner of `width` x `height` whose rows have the outline `rows`:
// (width + 2 spread) x (height + 2 spread) premultiplied ARGB pixels, top row first, transparent
// where the owner covers it.
std::vector<uint32_t> ComputeShadowImage(const std::vector<ShadowSpan>& rows, int width, int height,
                                         const ShadowParams& params);
// The same into `pixels`, whose memory is reused (much cheaper than new memory for a large image).
void ComputeShadowImage(const std::vector<ShadowSpan>& rows, int width, int height,
                        const ShadowParams& params, std::vector<uint32_t>& pixels);

// The same image made the straightforward way, one full kernel stamp per boundary pixel: many
// times slower, kept as the definition the fast computation is checked against.
std::vector<uint32_t> ComputeShadowImageStampByStamp(const std::vector<ShadowSpan>& rows, int width,
                                                     int height, const ShadowParams& params);

// The premultiplied pixel of `color` at `alpha`.
uint32_t PremultipliedPixel(uint32_t color, int alpha);
