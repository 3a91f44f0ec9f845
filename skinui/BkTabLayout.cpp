#include "BkTabLayout.h"

#include <algorithm>

#include "BkLimits.h"

int TabOffset(int before, int extent, int spacing, int start) {
    const long long offset =
        static_cast<long long>(before) * (static_cast<long long>(spacing) + extent) + start;
    return static_cast<int>(std::clamp<long long>(offset, -kBkMaxCoordinate, kBkMaxCoordinate));
}
