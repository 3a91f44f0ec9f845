// Prints what the code-page conversions make of every character of the ANSI code page, of every
// character of the Basic Multilingual Plane and of short UTF-8 byte pairs, one line each, so that
// two implementations of the conversions can be compared line by line.
#include <cstdio>
#include <string>

#include "CodePage.h"

namespace {

void PrintUnits(const std::wstring& wide) {
    for (const wchar_t unit : wide) {
        std::printf(" %04X", static_cast<unsigned>(unit));
    }
}

void PrintBytes(const std::string& text) {
    for (const char byte : text) {
        std::printf(" %02X", static_cast<unsigned char>(byte));
    }
}

}  // namespace

int main() {
    for (int byte = 0; byte < 256; ++byte) {
        std::printf("A %02X:", byte);
        PrintUnits(AnsiToWide(std::string(1, static_cast<char>(byte))));
        std::printf("\n");
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0; trail < 256; ++trail) {
            std::printf("A %02X%02X:", lead, trail);
            PrintUnits(AnsiToWide({static_cast<char>(lead), static_cast<char>(trail)}));
            std::printf("\n");
        }
    }
    for (int unit = 1; unit <= 0xFFFF; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            continue;  // half a pair: one code unit on Windows, none on the native side
        }
        const std::wstring wide(1, static_cast<wchar_t>(unit));
        std::printf("W %04X:", unit);
        PrintBytes(WideToAnsi(wide));
        std::printf(" /");
        PrintBytes(WideToAnsiStrict(wide, '_'));
        std::printf("\n");
    }
    for (int first = 0x80; first < 256; ++first) {
        for (int second = 0; second < 256; second += 0x10) {
            std::printf("U %02X%02X:", first, second);
            PrintUnits(Utf8ToWide({static_cast<char>(first), static_cast<char>(second)}));
            std::printf("\n");
        }
    }
    return 0;
}
