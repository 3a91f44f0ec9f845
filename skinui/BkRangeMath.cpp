#include "BkRangeMath.h"

#include <algorithm>
#include <cmath>

namespace {

// Tracks longer than this are measured as this long: no screen is near it, and the products
// below stay within 64 bits.
constexpr long long kMaxTrack = 1 << 24;

}  // namespace

RangeFraction NormaliseRange(int& min, int& max, int& value) {
    if (max == min) {
        return RangeFraction{0, 0};
    }
    if (max < min) {
        std::swap(min, max);
    }
    value = value < min ? min : value > max ? max : value;
    return RangeFraction{static_cast<long long>(value) - min, static_cast<long long>(max) - min};
}

int SliderOffset(const RangeFraction& fraction, int width) {
    const long long track = std::clamp<long long>(width, 0, kMaxTrack);
    if (!fraction.total || !track) {
        return 0;
    }
    return static_cast<int>((2 * track * fraction.done + fraction.total) / (2 * fraction.total));
}

int SliderValueAt(int along, int width, int min, int max) {
    if (width <= 0 || max <= min) {
        return min;
    }
    const long long track = std::min<long long>(width, kMaxTrack);
    const long long distance = std::clamp<long long>(along, 0, track);
    const long long range = static_cast<long long>(max) - min;
    const long long value =
        min + std::llround(static_cast<double>(distance) * static_cast<double>(range) / track);
    return static_cast<int>(std::clamp<long long>(value, min, max));
}
