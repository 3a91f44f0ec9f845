// Layout and table texts: any text is read without harm, every attribute of every element
// goes through the attribute parsers the loaders use, and the `layer` element's window attributes
// stay within their bounds. The corpus this grows is what the replay under Wine loads into real
// windows (scripts/replay-layouts.py).
#include <tinyxml.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BkLayer.h"
#include "BkLimits.h"
#include "BkParse.h"
#include "BkPos.h"
#include "BkTags.h"
#include "BkXml.h"
#include "Check.h"

namespace {

// With TESSEL_FUZZ_SAMPLES set to a folder, every TESSEL_FUZZ_SAMPLE_EVERY-th input (100 by
// default) that has a root element is also written there: not only the inputs that reach new
// code, but a sample of all the fuzzer tries, for the replay in real windows.
void Sample(const uint8_t* data, size_t size) {
    static const char* const folder = std::getenv("TESSEL_FUZZ_SAMPLES");
    static const unsigned long every = [] {
        const char* text = std::getenv("TESSEL_FUZZ_SAMPLE_EVERY");
        const unsigned long value = text ? std::strtoul(text, nullptr, 10) : 0;
        return value ? value : 100;
    }();
    static unsigned long seen = 0;
    if (!folder || ++seen % every != 0) {
        return;
    }
    const std::string path =
        std::string(folder) + "/" + std::to_string(getpid()) + "-" + std::to_string(seen / every);
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}

bool IsKnownTag(const std::string& tag) {
#define BK_SAME_TAG(name, Class) tag == name ||
    return BK_ELEMENT_TAGS(BK_SAME_TAG) BK_SKIN_TAGS(BK_SAME_TAG) false;
#undef BK_SAME_TAG
}

void ParseAttribute(const std::string& name, const std::string& value) {
    if (name == "pos") {
        PosItem items[kMaxPosItems];
        const int count = ParsePos(value, items);
        for (int i = 0; i < count; ++i) {
            ResolvePosItem(items[i], -kBkMaxCoordinate, kBkMaxCoordinate);
        }
    } else if (name.compare(0, 2, "cr") == 0) {
        ParseColorRGB(value);
        ParseColorARGB(value);
        ParseColorTableEntry(value);
    } else if (name == "font" || name == "hoverfont" || name == "textmode" || name == "crtext") {
        ParseHex(value);
    } else {
        ParseInt(value);
    }
}

void CheckLayer(const TiXmlElement& layer) {
    const BkLayerAttributes a = ParseLayerAttributes(layer, {1920, 1080}, {1920, 1040});
    FUZZ_CHECK(a.width >= 0 && a.width <= kBkMaxWindowExtent, "the window's width is bounded");
    FUZZ_CHECK(a.height >= 0 && a.height <= kBkMaxWindowExtent, "the window's height is bounded");
    FUZZ_CHECK(a.headerHeight >= 0 && a.headerHeight <= kBkMaxWindowExtent, "so is its header");
    FUZZ_CHECK((a.style & bklayer::kChild) == 0 || (a.style & bklayer::kPopup) == 0,
               "a window is a child or a pop-up, never both");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TiXmlDocument document;
    ParseXmlText(std::string(reinterpret_cast<const char*>(data), size), document);
    const TiXmlElement* root = document.RootElement();
    if (!root) {
        return 0;
    }
    Sample(data, size);
    if (root->ValueStr() == "layer") {
        CheckLayer(*root);
    }
    // Walked without recursion: the tree may be as deep as the text allows.
    std::vector<const TiXmlElement*> pending = {root};
    while (!pending.empty()) {
        const TiXmlElement* element = pending.back();
        pending.pop_back();
        IsKnownTag(element->ValueStr());
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
            ParseAttribute(a->NameTStr(), a->ValueStr());
        }
        for (const TiXmlElement* child = element->FirstChildElement(); child;
             child = child->NextSiblingElement()) {
            pending.push_back(child);
        }
    }
    return 0;
}
