// "pos" texts: at most four items, unread items zero, values within the coordinate bound, and
// resolution the exact arithmetic of the item for any span a layout can have.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>

#include "BkLimits.h"
#include "BkPos.h"
#include "Check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int start = input.ConsumeIntegralInRange(-kBkMaxCoordinate, kBkMaxCoordinate);
    const int length = input.ConsumeIntegralInRange(-kBkMaxCoordinate, kBkMaxCoordinate);
    const std::string text = input.ConsumeRemainingBytesAsString();

    PosItem items[kMaxPosItems];
    const int count = ParsePos(text, items);
    const int commas = static_cast<int>(std::count(text.begin(), text.end(), ','));
    FUZZ_CHECK(count == (text.empty() ? 0 : std::min(commas + 1, kMaxPosItems)),
               "one item per comma-separated part, four at most");
    for (int i = 0; i < kMaxPosItems; ++i) {
        const PosItem& item = items[i];
        FUZZ_CHECK(i < count || (!item.center && !item.fromEnd && !item.value),
                   "items not in the text are zero");
        FUZZ_CHECK(std::abs(item.value) <= kBkMaxCoordinate, "values are bounded");
        const long long base = item.center    ? start + length / 2
                               : item.fromEnd ? static_cast<long long>(start) + length
                                              : start;
        const long long expected = item.fromEnd ? base - item.value : base + item.value;
        FUZZ_CHECK(ResolvePosItem(item, start, length) == expected,
                   "resolution is the item's offset from the start, middle or end");
    }
    return 0;
}
