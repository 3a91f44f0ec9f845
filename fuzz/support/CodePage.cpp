// The conversions of CodePage.h for the native build of the parsers, where the ANSI code page is
// 936 as in the reference environment: the code page's pairs come from the C library's iconv,
// and the places where Windows reads or writes the code page differently are spelled out, so
// that the parsers see the same bytes as under Windows (a test compares the two line by line).
#include "CodePage.h"

#include <iconv.h>

#include <cstdint>
#include <vector>

namespace {

constexpr wchar_t kUnknown = L'?';

// The characters Windows writes for characters code page 936 lacks when look-alikes are allowed.
struct BestFit {
    uint16_t unit;
    uint16_t bytes;
};
const BestFit kBestFit[] = {
#include "Cp936BestFit.inc"
};

class Cp936 {
public:
    static const Cp936& Get() {
        static const Cp936 table;
        return table;
    }
    // The character of lead byte `lead` and trail byte `trail`, or 0 when there is none.
    wchar_t Pair(unsigned char lead, unsigned char trail) const {
        return pairs_[static_cast<size_t>((lead - 0x81) * 256 + trail)];
    }
    // The bytes of `unit` (one byte below 0x100), 0 when the code page lacks it.
    uint16_t Bytes(uint32_t unit, bool bestFit) const {
        if (unit > 0xFFFF) {
            return 0;
        }
        const uint16_t exact = exact_[unit];
        return exact || !bestFit ? exact : bestFit_[unit];
    }

private:
    Cp936() : pairs_(126 * 256, 0), exact_(0x10000, 0), bestFit_(0x10000, 0) {
        for (uint32_t unit = 1; unit < 0x80; ++unit) {
            exact_[unit] = static_cast<uint16_t>(unit);
        }
        exact_[0x20AC] = 0x80;
        exact_[0xF8F5] = 0xFF;
        iconv_t cd = iconv_open("UTF-32LE", "CP936");
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                uint32_t out = 0;
                char* inPtr = in;
                char* outPtr = reinterpret_cast<char*>(&out);
                size_t inLeft = 2;
                size_t outLeft = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
                    inLeft == 0 && outLeft == 0 && out <= 0xFFFF) {
                    Set(lead, trail, static_cast<uint16_t>(out));
                }
            }
        }
        iconv_close(cd);
        AddPrivateUseArea();
        for (const BestFit& fit : kBestFit) {
            bestFit_[fit.unit] = fit.bytes;
        }
    }
    // Windows gives the pairs GBK leaves undefined characters of the private use area, in this
    // order: the user-defined rows AA-AF and F8-FE, the rows A1-A7 below A1, then every pair
    // still free.
    void AddPrivateUseArea() {
        uint16_t next = 0xE000;
        const auto assign = [&](int firstLead, int lastLead, int firstTrail, int lastTrail) {
            for (int lead = firstLead; lead <= lastLead; ++lead) {
                for (int trail = firstTrail; trail <= lastTrail; ++trail) {
                    if (trail != 0x7F && !Pair(static_cast<unsigned char>(lead),
                                               static_cast<unsigned char>(trail))) {
                        Set(lead, trail, next++);
                    }
                }
            }
        };
        assign(0xAA, 0xAF, 0xA1, 0xFE);
        assign(0xF8, 0xFE, 0xA1, 0xFE);
        assign(0xA1, 0xA7, 0x40, 0xA0);
        assign(0x81, 0xFE, 0x40, 0xFE);
    }
    void Set(int lead, int trail, uint16_t unit) {
        pairs_[static_cast<size_t>((lead - 0x81) * 256 + trail)] = unit;
        if (unit && !exact_[unit]) {
            exact_[unit] = static_cast<uint16_t>(lead << 8 | trail);
        }
    }

    std::vector<wchar_t> pairs_;
    std::vector<uint16_t> exact_;
    std::vector<uint16_t> bestFit_;
};

std::string FromWide(const std::wstring& wide, bool bestFit, char replacement) {
    std::string text;
    text.reserve(wide.size());
    const Cp936& table = Cp936::Get();
    for (const wchar_t unit : wide) {
        const uint16_t bytes = unit ? table.Bytes(static_cast<uint32_t>(unit), bestFit) : 0;
        if (!unit) {
            text.push_back('\0');
        } else if (!bytes) {
            text.push_back(replacement);
        } else if (bytes > 0xFF) {
            text.push_back(static_cast<char>(bytes >> 8));
            text.push_back(static_cast<char>(bytes & 0xFF));
        } else {
            text.push_back(static_cast<char>(bytes));
        }
    }
    return text;
}

// The number of continuation bytes after `lead`, and the smallest and largest second byte.
bool Utf8Lead(unsigned char lead, int& count, unsigned char& low, unsigned char& high) {
    low = 0x80;
    high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        count = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 3;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::wstring AnsiToWide(const std::string& ansi) {
    std::wstring wide;
    wide.reserve(ansi.size());
    const Cp936& table = Cp936::Get();
    for (size_t at = 0; at < ansi.size(); ++at) {
        const unsigned char byte = static_cast<unsigned char>(ansi[at]);
        if (byte < 0x80) {
            wide.push_back(byte);
        } else if (byte == 0x80) {
            wide.push_back(0x20AC);
        } else if (byte == 0xFF) {
            wide.push_back(0xF8F5);
        } else if (at + 1 < ansi.size() && ansi[at + 1] != '\0') {
            const wchar_t unit = table.Pair(byte, static_cast<unsigned char>(ansi[++at]));
            wide.push_back(unit ? unit : kUnknown);
        } else {
            wide.push_back(kUnknown);
        }
    }
    return wide;
}

std::wstring Utf8ToWide(const std::string& utf8) {
    std::wstring wide;
    wide.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[at++]);
        int count = 0;
        unsigned char low = 0;
        unsigned char high = 0;
        if (lead < 0x80) {
            wide.push_back(lead);
            continue;
        }
        if (!Utf8Lead(lead, count, low, high)) {
            wide.push_back(0xFFFD);
            continue;
        }
        if (utf8.size() - at < static_cast<size_t>(count)) {
            // Windows ends a text cut off inside a sequence with one replacement character.
            wide.push_back(0xFFFD);
            break;
        }
        uint32_t code = lead & (0x3F >> count);
        int taken = 0;
        for (; taken < count && at < utf8.size(); ++taken, ++at) {
            const unsigned char next = static_cast<unsigned char>(utf8[at]);
            if (next < (taken ? 0x80 : low) || next > (taken ? 0xBF : high)) {
                break;
            }
            code = code << 6 | (next & 0x3F);
        }
        if (taken < count) {
            wide.push_back(0xFFFD);
            continue;
        }
        if (code > 0xFFFF && sizeof(wchar_t) == 2) {
            code -= 0x10000;
            wide.push_back(static_cast<wchar_t>(0xD800 | code >> 10));
            wide.push_back(static_cast<wchar_t>(0xDC00 | (code & 0x3FF)));
        } else {
            wide.push_back(static_cast<wchar_t>(code));
        }
    }
    return wide;
}

std::string WideToAnsi(const std::wstring& wide) {
    return FromWide(wide, true, '?');
}

std::string WideToAnsiStrict(const std::wstring& wide, char replacement) {
    return FromWide(wide, false, replacement);
}

std::string WideToUtf8(const std::wstring& wide) {
    std::string text;
    text.reserve(wide.size());
    for (const wchar_t unit : wide) {
        uint32_t code = static_cast<uint32_t>(unit);
        if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            text.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            text.push_back(static_cast<char>(0xC0 | code >> 6));
            text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            text.push_back(static_cast<char>(0xE0 | code >> 12));
            text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            text.push_back(static_cast<char>(0xF0 | code >> 18));
            text.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return text;
}

std::string AnsiToUtf8(const std::string& ansi) {
    return WideToUtf8(AnsiToWide(ansi));
}

std::string Utf8ToAnsi(const std::string& utf8) {
    return WideToAnsi(Utf8ToWide(utf8));
}
