#pragma once

#include <string>

// "+" becomes a blank and "%" with two hexadecimal digits (either case) the byte they give; the
// UTF-8 result is returned in the ANSI code page. A "%" without two hexadecimal digits stays.
std::string DecodeUrl(const std::string& utf8Url);
