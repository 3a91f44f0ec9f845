#include "BkParse.h"

#include <cstdlib>

#include "HexDigit.h"

namespace {

// The byte of the two hex digits at `at`; 0 when either is missing or not a hex digit.
uint32_t HexPair(const std::string& text, size_t at) {
    if (at >= text.size()) {
        return 0;
    }
    const int high = HexDigit(text[at]);
    const int low = at + 1 < text.size() ? HexDigit(text[at + 1]) : -1;
    return high < 0 || low < 0 ? 0 : static_cast<uint32_t>(high * 16 + low);
}

}  // namespace

uint32_t ParseColorRGB(const std::string& text) {
    return HexPair(text, 0) | HexPair(text, 2) << 8 | HexPair(text, 4) << 16;
}

uint32_t ParseColorARGB(const std::string& text) {
    return HexPair(text, 0) << 24 | HexPair(text, 2) << 16 | HexPair(text, 4) << 8 |
           HexPair(text, 6);
}

uint32_t ParseColorTableEntry(const std::string& text) {
    if (text.size() < 8) {
        return 0xFF000000u | HexPair(text, 0) << 16 | HexPair(text, 2) << 8 | HexPair(text, 4);
    }
    return ParseColorARGB(text);
}

uint32_t ParseHex(const std::string& text) {
    uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return 0;
        }
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

int ParseInt(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    uint32_t value = 0;
    for (size_t at = negative ? 1 : 0; at < text.size() && text[at] >= '0' && text[at] <= '9';
         ++at) {
        value = value * 10u + static_cast<uint32_t>(text[at] - '0');
    }
    return static_cast<int>(negative ? 0u - value : value);
}

uintptr_t ParseAddress(const std::string& text) {
    return static_cast<uintptr_t>(std::strtoull(text.c_str(), nullptr, 10));
}
