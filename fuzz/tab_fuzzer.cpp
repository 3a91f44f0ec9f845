// Tab placement: offsets are the exact arithmetic wherever that lies within the coordinate bound,
// clamped to it otherwise, and tabs of a non-negative pitch never go back.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "BkLimits.h"
#include "BkTabLayout.h"
#include "Check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int before = input.ConsumeIntegralInRange(0, 1 << 16);
    const int extent = input.ConsumeIntegral<int>();
    const int spacing = input.ConsumeIntegral<int>();
    const int start = input.ConsumeIntegral<int>();

    const int offset = TabOffset(before, extent, spacing, start);
    const long long exact = static_cast<long long>(before) * (1LL * spacing + extent) + start;
    FUZZ_CHECK(offset == std::clamp<long long>(exact, -kBkMaxCoordinate, kBkMaxCoordinate),
               "the offset is exact within the bound and clamped beyond it");
    if (1LL * spacing + extent >= 0) {
        FUZZ_CHECK(TabOffset(before + 1, extent, spacing, start) >= offset,
                   "the next tab is never before this one");
    }
    return 0;
}
