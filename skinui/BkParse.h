#pragma once

#include <windows.h>

#include <string>

// The text forms of skin resources: colours, font keys, hexadecimal flags and integers.

// "RRGGBB" -> COLORREF (0x00BBGGRR). A pair with a non-hex character, or past the end, is 0.
COLORREF ParseColorRGB(const std::string& text);
// "AARRGGBB" -> 0xAARRGGBB; there is no six-digit form (missing pairs are 0).
DWORD ParseColorARGB(const std::string& text);
// Colour-table entries: shorter than 8 characters "RRGGBB" (opaque), else "AARRGGBB".
DWORD ParseColorTableEntry(const std::string& text);
// Hexadecimal digits of any length, four bits at a time; any other character gives 0.
DWORD ParseHex(const std::string& text);
// A decimal integer as StrToIntA reads it (leading sign and digits, else 0).
int ParseInt(const std::string& text);

// GDI+ wants ARGB: a COLORREF made opaque.
inline DWORD OpaqueArgb(COLORREF color) {
    return 0xFF000000u | (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

// An ARGB colour as COLORREF, alpha dropped.
inline COLORREF ArgbToColorRef(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// Addresses and handles travel as decimal text; 0 when the text is not a number.
UINT_PTR ParseAddress(const std::string& text);
