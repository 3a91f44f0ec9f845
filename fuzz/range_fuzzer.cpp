// Progress bar and slider arithmetic: ranges are put in order with the value inside, lengths and
// thumb offsets stay on the track, the pointer's value stays in the range, and a track with a
// pixel per step maps every value to an offset and back to itself.
#include <fuzzer/FuzzedDataProvider.h>

#include "BkRangeMath.h"
#include "Check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    int min = input.ConsumeIntegral<int>();
    int max = input.ConsumeIntegral<int>();
    int value = input.ConsumeIntegral<int>();
    const int width = input.ConsumeIntegral<int>();
    const int along = input.ConsumeIntegral<int>();

    const RangeFraction fraction = NormaliseRange(min, max, value);
    if (min == max) {
        FUZZ_CHECK(fraction.total == 0, "an empty range has no fraction");
    } else {
        FUZZ_CHECK(min < max && min <= value && value <= max, "ordered, the value inside");
        FUZZ_CHECK(fraction.done >= 0 && fraction.done <= fraction.total, "a fraction of one");
    }
    const int length = fraction.Of(width > 0 ? width : 0);
    FUZZ_CHECK(length >= 0 && length <= (width > 0 ? width : 0), "the bar fits the track");
    const int offset = SliderOffset(fraction, width);
    FUZZ_CHECK(offset >= 0 && (width <= 0 ? offset == 0 : offset <= width), "the thumb is on it");
    const int pointed = SliderValueAt(along, width, min, max);
    FUZZ_CHECK(pointed >= min && pointed <= max, "the pointer's value is in the range");
    if (width > 0 && width <= (1 << 24) && fraction.total > 0 && fraction.total <= width) {
        FUZZ_CHECK(SliderValueAt(offset, width, min, max) == value,
                   "with a pixel per step the thumb's offset points back at its value");
    }
    return 0;
}
