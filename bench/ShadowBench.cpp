#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchTimer.h"
#include "RegionOutline.h"

// The shadow image of a 1728 x 972 owner, rectangular and with a rounded region, against the
// cost of merely filling an image of that size, and the outline read from the region's
// rectangles against a per-pixel point test.
namespace {

constexpr int kWidth = 1728;
constexpr int kHeight = 972;
const ShadowParams kParams = {12, 12, 33, 0, 0, RGB(0, 0, 0)};

std::vector<ShadowSpan> OutlineByPoints(HRGN region) {
    std::vector<ShadowSpan> rows(kHeight, ShadowSpan{kWidth, 0});
    for (int y = 0; y < kHeight; ++y) {
        int first = 0;
        while (first < kWidth && !PtInRegion(region, first, y)) {
            ++first;
        }
        int last = kWidth - 1;
        while (last > first && !PtInRegion(region, last, y)) {
            --last;
        }
        if (first < kWidth) {
            rows[static_cast<size_t>(y)] = {first, last + 1};
        }
    }
    return rows;
}

}  // namespace

int main() {
    const int imageWidth = kWidth + 2 * kParams.spread;
    const int imageHeight = kHeight + 2 * kParams.spread;
    std::vector<uint32_t> sink;
    const double fill = Seconds(
        [&] {
            sink.assign(static_cast<size_t>(imageWidth * imageHeight), 0);
            std::fill(sink.begin(), sink.end(), PremultipliedPixel(0, 33));
        },
        20);

    const HRGN square = CreateRectRgn(0, 0, kWidth, kHeight);
    const HRGN rounded = CreateRoundRectRgn(0, 0, kWidth + 1, kHeight + 1, 24, 24);
    const double squareImage = Seconds(
        [&] {
            ComputeShadowImage(OutlineSpans(square, kWidth, kHeight), kWidth, kHeight, kParams,
                               sink);
        },
        5);
    const double roundedImage = Seconds(
        [&] {
            ComputeShadowImage(OutlineSpans(rounded, kWidth, kHeight), kWidth, kHeight, kParams,
                               sink);
        },
        5);
    const double spans = Seconds([&] { OutlineSpans(rounded, kWidth, kHeight); }, 20);
    const double points = Seconds([&] { OutlineByPoints(rounded); }, 1);
    DeleteObject(square);
    DeleteObject(rounded);

    std::printf("image %d x %d\n", imageWidth, imageHeight);
    std::printf("fill only:                %9.3f ms\n", fill * 1000);
    std::printf("shadow, rectangle:        %9.3f ms  (%.2f x fill)\n", squareImage * 1000,
                squareImage / fill);
    std::printf("shadow, rounded region:   %9.3f ms  (%.2f x fill)\n", roundedImage * 1000,
                roundedImage / fill);
    std::printf("outline from rectangles:  %9.3f ms\n", spans * 1000);
    std::printf("outline by point tests:   %9.3f ms  (%.1f x slower)\n", points * 1000,
                points / spans);
    return 0;
}
