// Colour, hexadecimal and decimal attribute texts (colours, font keys, text modes, flags, numbers):
// the colour forms agree with each other, and every reading equals the C library's wherever the
// text is one the C library reads the same way.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "BkParse.h"
#include "Check.h"

namespace {

bool AllHex(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(c & 0xFF); });
}

bool PlainDecimal(const std::string& text) {
    const size_t digits = text.size() - (text[0] == '-' ? 1 : 0);
    return digits >= 1 && digits <= 9 && std::all_of(text.end() - digits, text.end(), [](char c) {
               return c >= '0' && c <= '9';
           });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const uint32_t rgb = ParseColorRGB(text);
    FUZZ_CHECK(rgb >> 24 == 0, "a COLORREF has no alpha");
    FUZZ_CHECK(ArgbToColorRef(OpaqueArgb(rgb)) == rgb, "ARGB and COLORREF convert both ways");
    if (text.size() < 8) {
        FUZZ_CHECK(ParseColorTableEntry(text) == OpaqueArgb(rgb),
                   "a short table entry is the opaque RGB colour");
    } else {
        FUZZ_CHECK(ParseColorTableEntry(text) == ParseColorARGB(text),
                   "a long table entry is ARGB");
    }
    if (text.size() == 8 && AllHex(text)) {
        FUZZ_CHECK(ParseColorARGB(text) == std::strtoul(text.c_str(), nullptr, 16),
                   "eight hex digits are the ARGB value");
    }
    const uint32_t hex = ParseHex(text);
    if (!AllHex(text)) {
        FUZZ_CHECK(hex == 0, "a text with any other character is 0");
    } else if (!text.empty() && text.size() <= 8) {
        FUZZ_CHECK(hex == std::strtoul(text.c_str(), nullptr, 16), "hex digits read as hex");
    }
    const int number = ParseInt(text);
    if (text.empty() || (text[0] != '-' && (text[0] < '0' || text[0] > '9'))) {
        FUZZ_CHECK(number == 0, "a text that starts otherwise is 0");
    } else if (PlainDecimal(text)) {
        FUZZ_CHECK(number == std::atoi(text.c_str()), "a plain number reads as itself");
    }
    return 0;
}
