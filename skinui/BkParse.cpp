#include "BkParse.h"

#include <shlwapi.h>

#include <cstdlib>

#include "HexDigit.h"

namespace {

// The byte of the two hex digits at `at`; 0 when either is missing or not a hex digit.
DWORD HexPair(const std::string& text, size_t at) {
    if (at >= text.size()) {
        return 0;
    }
    const int high = HexDigit(text[at]);
    const int low = at + 1 < text.size() ? HexDigit(text[at + 1]) : -1;
    return high < 0 || low < 0 ? 0 : static_cast<DWORD>(high * 16 + low);
}

}  // namespace

COLORREF ParseColorRGB(const std::string& text) {
    return RGB(HexPair(text, 0), HexPair(text, 2), HexPair(text, 4));
}

DWORD ParseColorARGB(const std::string& text) {
    return HexPair(text, 0) << 24 | HexPair(text, 2) << 16 | HexPair(text, 4) << 8 |
           HexPair(text, 6);
}

DWORD ParseColorTableEntry(const std::string& text) {
    if (text.size() < 8) {
        return 0xFF000000u | HexPair(text, 0) << 16 | HexPair(text, 2) << 8 | HexPair(text, 4);
    }
    return ParseColorARGB(text);
}

DWORD ParseHex(const std::string& text) {
    DWORD value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return 0;
        }
        value = value << 4 | static_cast<DWORD>(digit);
    }
    return value;
}

int ParseInt(const std::string& text) {
    return StrToIntA(text.c_str());
}

UINT_PTR ParseAddress(const std::string& text) {
    return static_cast<UINT_PTR>(std::strtoull(text.c_str(), nullptr, 10));
}
