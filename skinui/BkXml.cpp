#include "BkXml.h"

#include <cstring>

namespace {

// TinyXML reads a multi-byte UTF-8 character whole, even one that the text cuts off: the text it
// parses ends with as many zero bytes as the longest character has, so that such a read stays
// inside the text and the parse ends there.
constexpr size_t kLongestCharacter = 4;

}  // namespace

bool ParseXmlText(const std::string& text, TiXmlDocument& document) {
    static const char kBom[] = "\xEF\xBB\xBF";
    std::string padded = text.substr(text.compare(0, 3, kBom) == 0 ? 3 : 0);
    padded.append(kLongestCharacter, '\0');
    document.Parse(padded.c_str(), nullptr, TIXML_ENCODING_UTF8);
    return !document.Error();
}

const TiXmlElement* ParseXmlRoot(const std::string& text, const char* rootName,
                                 TiXmlDocument& document) {
    if (!ParseXmlText(text, document)) {
        return nullptr;
    }
    const TiXmlElement* root = document.RootElement();
    return root && std::strcmp(root->Value(), rootName) == 0 ? root : nullptr;
}
