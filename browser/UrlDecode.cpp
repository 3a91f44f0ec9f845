#include "UrlDecode.h"

#include "CodePage.h"
#include "HexDigit.h"

std::string DecodeUrl(const std::string& utf8Url) {
    std::string decoded;
    decoded.reserve(utf8Url.size());
    for (size_t i = 0; i < utf8Url.size(); ++i) {
        const char c = utf8Url[i];
        if (c == '+') {
            decoded.push_back(' ');
        } else if (c == '%' && i + 2 < utf8Url.size() && HexDigit(utf8Url[i + 1]) >= 0 &&
                   HexDigit(utf8Url[i + 2]) >= 0) {
            decoded.push_back(
                static_cast<char>(HexDigit(utf8Url[i + 1]) * 16 + HexDigit(utf8Url[i + 2])));
            i += 2;
        } else {
            decoded.push_back(c);
        }
    }
    return Utf8ToAnsi(decoded);
}
