#include "ShadowImage.h"

#include <algorithm>
#include <cmath>

namespace {

// The pixels of the image being made, in a buffer whose memory is reused: taking fresh memory for
// an image of a large window costs several times as much as filling it.
class Image {
public:
    Image(int width, int height, std::vector<uint32_t>& pixels)
        : width_(width), height_(height), pixels_(pixels) {
        pixels_.assign(static_cast<size_t>(width * height), 0);
    }

    void Fill(int row, int from, int to, uint32_t pixel) {
        if (row < 0 || row >= height_) {
            return;
        }
        from = std::max(from, 0);
        to = std::min(to, width_);
        for (int x = from; x < to; ++x) {
            pixels_[static_cast<size_t>(row * width_ + x)] = pixel;
        }
    }
    void Stamp(int cx, int cy, const std::vector<uint32_t>& kernel, int radius) {
        const int side = 2 * radius + 1;
        const int top = std::max(cy - radius, 0);
        const int bottom = std::min(cy + radius + 1, height_);
        const int left = std::max(cx - radius, 0);
        const int right = std::min(cx + radius + 1, width_);
        for (int y = top; y < bottom; ++y) {
            const uint32_t* source = &kernel[static_cast<size_t>((y - cy + radius) * side)];
            uint32_t* target = &pixels_[static_cast<size_t>(y * width_)];
            for (int x = left; x < right; ++x) {
                target[x] = std::max(target[x], source[x - cx + radius]);
            }
        }
    }
    // The stamps at every centre x0 <= x < x1 of row cy at once. The kernel falls off with the
    // distance from its centre, so the strongest of those stamps at a pixel is the one whose
    // centre is nearest: in the run's columns that is the kernel's middle column, beyond its
    // ends the kernel of the end stamp.
    void StampRun(int x0, int x1, int cy, const std::vector<uint32_t>& kernel, int radius) {
        if (x0 >= x1) {
            return;
        }
        const int side = 2 * radius + 1;
        const int top = std::max(cy - radius, 0);
        const int bottom = std::min(cy + radius + 1, height_);
        const int left = std::max(x0 - radius, 0);
        const int right = std::min(x1 - 1 + radius + 1, width_);
        for (int y = top; y < bottom; ++y) {
            const uint32_t* source = &kernel[static_cast<size_t>((y - cy + radius) * side)];
            uint32_t* target = &pixels_[static_cast<size_t>(y * width_)];
            int x = left;
            for (; x < std::min(x0, right); ++x) {
                target[x] = std::max(target[x], source[x - x0 + radius]);
            }
            const uint32_t middle = source[radius];
            for (const int end = std::min(x1, right); x < end; ++x) {
                target[x] = std::max(target[x], middle);
            }
            for (; x < right; ++x) {
                target[x] = std::max(target[x], source[x - (x1 - 1) + radius]);
            }
        }
    }

private:
    int width_;
    int height_;
    std::vector<uint32_t>& pixels_;
};

std::vector<uint32_t> Kernel(const ShadowParams& p, int radius) {
    const int full = p.softness < p.spread ? p.spread - p.softness : 0;
    const int side = 2 * radius + 1;
    std::vector<uint32_t> kernel(static_cast<size_t>(side * side), 0);
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
            int alpha = 0;
            if (d < full) {
                alpha = p.opacity;
            } else if (d <= radius) {
                alpha = static_cast<int>((1.0 - (d - full) / (p.softness + 1)) * p.opacity);
            }
            kernel[static_cast<size_t>((dy + radius) * side + dx + radius)] =
                PremultipliedPixel(p.color, alpha);
        }
    }
    return kernel;
}

// Anchors of the shadow rows (index r + 1; an empty sentinel at each end), eroded for the core.
std::vector<ShadowSpan> Anchors(const std::vector<ShadowSpan>& rows, int width, int height,
                                const ShadowParams& p) {
    const ShadowSpan empty = {width, 0};
    const int count = std::max(height + 2 * p.spread, height);
    std::vector<ShadowSpan> anchors(static_cast<size_t>(count + 2), empty);
    for (int r = 0; r < count; ++r) {
        const int owner = r - p.spread;
        if (owner >= 0 && owner < height) {
            const ShadowSpan& span = rows[static_cast<size_t>(owner)];
            anchors[static_cast<size_t>(r + 1)] = {span.left + p.spread, span.right + p.spread};
        }
    }
    for (int pass = 0; pass < p.softness - p.spread; ++pass) {
        std::vector<ShadowSpan> eroded = anchors;
        for (size_t i = 1; i + 1 < anchors.size(); ++i) {
            eroded[i].left =
                std::max({anchors[i - 1].left, anchors[i].left, anchors[i + 1].left}) + 1;
            eroded[i].right =
                std::min({anchors[i - 1].right, anchors[i].right, anchors[i + 1].right}) - 1;
        }
        anchors.swap(eroded);
    }
    return anchors;
}

}  // namespace

uint32_t PremultipliedPixel(uint32_t color, int alpha) {
    const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
    const uint32_t red = color & 0xFFu;
    const uint32_t green = color >> 8 & 0xFFu;
    const uint32_t blue = color >> 16 & 0xFFu;
    return a << 24 | (red * a / 255) << 16 | (green * a / 255) << 8 | (blue * a / 255);
}

std::vector<ShadowSpan> OutlineSpans(const std::vector<ShadowRect>& rects, int width, int height) {
    std::vector<ShadowSpan> rows(static_cast<size_t>(std::max(height, 0)), ShadowSpan{width, 0});
    for (const ShadowRect& rc : rects) {
        const int left = std::max(rc.left, 0);
        const int right = std::min(rc.right, width);
        if (left >= right) {
            continue;
        }
        for (int y = std::max(rc.top, 0); y < std::min(rc.bottom, height); ++y) {
            ShadowSpan& row = rows[static_cast<size_t>(y)];
            row.left = std::min(row.left, left);
            row.right = std::max(row.right, right);
        }
    }
    return rows;
}

namespace {

// The shadow image, the boundary stamps made by `stampRun(x0, x1, row)` for the centres
// x0 <= x < x1 of each row.
template <class StampRun>
void ShadowImage(const std::vector<ShadowSpan>& rows, int width, int height, const ShadowParams& p,
                 std::vector<uint32_t>& pixels, StampRun stampRun) {
    const int imageWidth = width + 2 * p.spread;
    const int imageHeight = height + 2 * p.spread;
    if (imageWidth <= 0 || imageHeight <= 0 || static_cast<int>(rows.size()) < height) {
        pixels.clear();
        return;
    }
    Image image(imageWidth, imageHeight, pixels);
    const std::vector<ShadowSpan> anchors = Anchors(rows, width, height, p);
    const int radius = std::max(p.softness, p.spread);
    const std::vector<uint32_t> kernel = Kernel(p, radius);
    auto anchor = [&anchors](int r) { return anchors[static_cast<size_t>(r + 1)]; };

    for (int r = radius; r < imageHeight - radius; ++r) {
        const ShadowSpan self = anchor(r);
        const ShadowSpan up = anchor(r - 1);
        const ShadowSpan down = anchor(r + 1);
        const int firstEnd = std::min(self.right, std::max(up.left, down.left) + 1);
        stampRun(image, kernel, radius, self.left, firstEnd, r);
        stampRun(image, kernel, radius, std::max(firstEnd, std::min(up.right, down.right) - 1),
                 self.right, r);
    }

    const uint32_t core = PremultipliedPixel(p.color, p.opacity);
    const int firstRow = std::min(radius, std::max(p.spread - p.yOffset, 0));
    const int endRow =
        std::max(imageHeight - radius, std::min(p.spread - p.yOffset + height, imageHeight));
    for (int r = firstRow; r < endRow; ++r) {
        const ShadowSpan self = anchor(r);
        const int owner = r + p.yOffset - p.spread;
        if (owner < 0 || owner >= height) {
            image.Fill(r, self.left, self.right, core);
            continue;
        }
        const ShadowSpan& span = rows[static_cast<size_t>(owner)];
        const int a = span.left - p.xOffset + p.spread;
        const int b = span.right - p.xOffset + p.spread;
        image.Fill(r, self.left, std::min(self.right, a), core);
        image.Fill(r, std::max(a, 0), std::min(imageWidth, b), 0);
        image.Fill(r, std::max(self.left, b), self.right, core);
    }
}

}  // namespace

void ComputeShadowImage(const std::vector<ShadowSpan>& rows, int width, int height,
                        const ShadowParams& p, std::vector<uint32_t>& pixels) {
    ShadowImage(rows, width, height, p, pixels,
                [](Image& image, const std::vector<uint32_t>& kernel, int radius, int x0, int x1,
                   int r) { image.StampRun(x0, x1, r, kernel, radius); });
}

std::vector<uint32_t> ComputeShadowImage(const std::vector<ShadowSpan>& rows, int width, int height,
                                         const ShadowParams& p) {
    std::vector<uint32_t> pixels;
    ComputeShadowImage(rows, width, height, p, pixels);
    return pixels;
}

std::vector<uint32_t> ComputeShadowImageStampByStamp(const std::vector<ShadowSpan>& rows, int width,
                                                     int height, const ShadowParams& p) {
    std::vector<uint32_t> pixels;
    ShadowImage(
        rows, width, height, p, pixels,
        [](Image& image, const std::vector<uint32_t>& kernel, int radius, int x0, int x1, int r) {
            for (int x = x0; x < x1; ++x) {
                image.Stamp(x, r, kernel, radius);
            }
        });
    return pixels;
}
