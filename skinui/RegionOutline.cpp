#include "RegionOutline.h"

#include <memory>

namespace {

struct RegionDataDeleter {
    void operator()(RGNDATA* data) const { ::operator delete(data); }
};

// The region's rectangles, read once; none when the region cannot be read.
std::vector<ShadowRect> RegionRects(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (!size) {
        return {};
    }
    std::unique_ptr<RGNDATA, RegionDataDeleter> data(static_cast<RGNDATA*>(::operator new(size)));
    if (!GetRegionData(region, size, data.get())) {
        return {};
    }
    const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
    std::vector<ShadowRect> result;
    result.reserve(data->rdh.nCount);
    for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        result.push_back({rects[i].left, rects[i].top, rects[i].right, rects[i].bottom});
    }
    return result;
}

}  // namespace

std::vector<ShadowSpan> OutlineSpans(HRGN region, int width, int height) {
    return OutlineSpans(RegionRects(region), width, height);
}
