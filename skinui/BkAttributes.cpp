#include "BkAttributes.h"

#include "BkFontPool.h"

namespace bkattr {

HFONT Font(const std::string& value) {
    return GetFont(FontKey(value));
}

std::optional<int> WordIndex(const std::string& value, std::initializer_list<const char*> words) {
    int index = 0;
    for (const char* word : words) {
        if (value == word) {
            return index;
        }
        ++index;
    }
    return std::nullopt;
}

}  // namespace bkattr
