// The shadow of small random window regions: the outline lies inside the owner, the fast image
// equals the one made stamp by stamp, and the shadow never shows where the owner covers it.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "Check.h"
#include "ShadowImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int width = input.ConsumeIntegralInRange(1, 24);
    const int height = input.ConsumeIntegralInRange(1, 24);
    ShadowParams params;
    params.spread = input.ConsumeIntegralInRange(0, 10);
    params.softness = input.ConsumeIntegralInRange(0, 10);
    params.opacity = input.ConsumeIntegralInRange(0, 255);
    params.xOffset = input.ConsumeIntegralInRange(-10, 10);
    params.yOffset = input.ConsumeIntegralInRange(-10, 10);
    params.color = input.ConsumeIntegral<uint32_t>() & 0xFFFFFFu;
    std::vector<ShadowRect> rects(input.ConsumeIntegralInRange(0, 6));
    for (ShadowRect& rect : rects) {
        rect.left = input.ConsumeIntegralInRange(-4, width + 4);
        rect.top = input.ConsumeIntegralInRange(-4, height + 4);
        rect.right = input.ConsumeIntegralInRange(-4, width + 4);
        rect.bottom = input.ConsumeIntegralInRange(-4, height + 4);
    }

    const std::vector<ShadowSpan> rows = OutlineSpans(rects, width, height);
    FUZZ_CHECK(static_cast<int>(rows.size()) == height, "a span per row");
    for (const ShadowSpan& row : rows) {
        FUZZ_CHECK(row.left >= row.right || (row.left >= 0 && row.right <= width),
                   "spans lie inside the owner");
    }
    const std::vector<uint32_t> image = ComputeShadowImage(rows, width, height, params);
    FUZZ_CHECK(image == ComputeShadowImageStampByStamp(rows, width, height, params),
               "the fast image equals the one made stamp by stamp");
    const int imageWidth = width + 2 * params.spread;
    const int imageHeight = height + 2 * params.spread;
    FUZZ_CHECK(static_cast<int>(image.size()) == imageWidth * imageHeight, "the image's size");
    for (int y = 0; y < height; ++y) {
        const int row = y + params.spread - params.yOffset;
        for (int x = rows[y].left; x < rows[y].right && row >= 0 && row < imageHeight; ++x) {
            const int column = x + params.spread - params.xOffset;
            FUZZ_CHECK(column < 0 || column >= imageWidth || image[row * imageWidth + column] == 0,
                       "no shadow under the owner");
        }
    }
    return 0;
}
