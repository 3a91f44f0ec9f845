#pragma once

#include <cstdint>
#include <string>

// The text forms of skin resources: colours, font keys, hexadecimal flags and integers. Plain
// functions over strings and numbers, free of the Windows headers.

// "RRGGBB" -> COLORREF (0x00BBGGRR). A pair with a non-hex character, or past the end, is 0.
uint32_t ParseColorRGB(const std::string& text);
// "AARRGGBB" -> 0xAARRGGBB; there is no six-digit form (missing pairs are 0).
uint32_t ParseColorARGB(const std::string& text);
// Colour-table entries: shorter than 8 characters "RRGGBB" (opaque), else "AARRGGBB".
uint32_t ParseColorTableEntry(const std::string& text);
// Hexadecimal digits of any length, four bits at a time; any other character gives 0.
uint32_t ParseHex(const std::string& text);
// A decimal integer as the shell's StrToIntA reads it: a text that starts with '-' or a digit
// gives its sign and leading digits (wrapping like the shell's 32-bit result), any other text 0.
int ParseInt(const std::string& text);

// GDI+ wants ARGB: a COLORREF made opaque.
inline uint32_t OpaqueArgb(uint32_t color) {
    return 0xFF000000u | (color & 0xFFu) << 16 | (color & 0xFF00u) | (color >> 16 & 0xFFu);
}

// An ARGB colour as COLORREF, alpha dropped.
inline uint32_t ArgbToColorRef(uint32_t argb) {
    return (argb >> 16 & 0xFFu) | (argb & 0xFF00u) | (argb & 0xFFu) << 16;
}

// Addresses and handles travel as decimal text; 0 when the text is not a number.
uintptr_t ParseAddress(const std::string& text);
