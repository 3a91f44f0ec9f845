#pragma once

#include <string>

// `text` with the ASCII capitals in lower case and every other byte as it was, so that the
// bytes of double-byte characters stay intact.
inline std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}
