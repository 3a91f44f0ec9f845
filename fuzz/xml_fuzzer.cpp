// Layout and table texts: any text is read without harm, every attribute of every element
// goes through the attribute parsers the loaders use, and the `layer` element's window attributes
// stay within their bounds. The corpus this grows is what the replay under Wine loads into real
// windows (scripts/replay-layouts.py).
#include <fuzzer/FuzzedDataProvider.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

// With TESSEL_FUZZ_SAMPLES set to a folder, every TESSEL_FUZZ_SAMPLE_EVERY-th well-formed input
// (6 by default) is also written there: not only the inputs that reach new code, but a sample
// of all the fuzzer tries that the loaders take, for the replay in real windows.
void Sample(const uint8_t* data, size_t size) {
    static const char* const folder = std::getenv("TESSEL_FUZZ_SAMPLES");
    static const unsigned long every = [] {
        const char* text = std::getenv("TESSEL_FUZZ_SAMPLE_EVERY");
        const unsigned long value = text ? std::strtoul(text, nullptr, 10) : 0;
        return value ? value : 6;
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

// The tags and attribute names of the dictionary, for the generated texts.
struct Vocabulary {
    std::vector<std::string> tags;
    std::vector<std::string> names;
};

const Vocabulary& Words() {
    static const Vocabulary words = [] {
        Vocabulary v;
        std::ifstream dictionary(TESSEL_FUZZ_DIR "/xml.dict");
        for (std::string line; std::getline(dictionary, line);) {
            if (line.compare(0, 2, "\"<") == 0 && line.compare(0, 3, "\"</") != 0) {
                v.tags.push_back(line.substr(2, line.size() - 3));
            } else if (line.size() > 5 && line.compare(line.size() - 4, 4, "=\\\"\"") == 0) {
                v.names.push_back(line.substr(1, line.size() - 5));
            }
        }
        return v;
    }();
    return words;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out.push_back(c >= 0x20 || c < 0 ? c : ' ');
        }
    }
    return out;
}

std::string Value(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 4)) {
        case 0:
            return std::to_string(input.ConsumeIntegral<int>());
        case 1:
            return std::to_string(input.ConsumeIntegralInRange(-20, 400));
        case 2: {
            std::string pos;
            for (int i = input.ConsumeIntegralInRange(1, 4); i > 0; --i) {
                pos += (input.ConsumeBool() ? "|" : "") +
                       std::string(input.ConsumeBool() ? "-" : "") +
                       std::to_string(input.ConsumeIntegralInRange(0, 600)) + (i > 1 ? "," : "");
            }
            return pos;
        }
        case 3: {
            static const char kHex[] = "0123456789abcdefABCDEFx";
            std::string hex;
            for (int i = input.ConsumeIntegralInRange(0, 9); i > 0; --i) {
                hex.push_back(kHex[input.ConsumeIntegralInRange(0, 22)]);
            }
            return hex;
        }
        default:
            return Escaped(input.ConsumeRandomLengthString(16));
    }
}

// A well-formed layout or table text built from the input: elements of the framework's tags
// with its attribute names, nested, with numbers, positions, colours and short texts as values.
std::string Generate(FuzzedDataProvider& input) {
    const Vocabulary& words = Words();
    if (words.tags.empty() || words.names.empty()) {
        return std::string();
    }
    static const char* const kRoots[] = {"layer", "dlg", "skins", "style", "string", "color"};
    const std::string root = kRoots[input.ConsumeIntegralInRange(0, 5)];
    std::string text;
    std::vector<std::string> open = {root};
    text += "<" + root;
    int elements = 0;
    bool inTag = true;
    while (input.remaining_bytes() > 0 && elements < 200) {
        const int step = input.ConsumeIntegralInRange(0, 9);
        if (step < 4 && inTag) {
            text += " " +
                    words.names[input.ConsumeIntegralInRange<size_t>(0, words.names.size() - 1)] +
                    "=\"" + Value(input) + "\"";
        } else if (step < 8 && open.size() < 12) {
            text += inTag ? ">" : "";
            const std::string tag =
                input.ConsumeIntegralInRange(0, 9)
                    ? words.tags[input.ConsumeIntegralInRange<size_t>(0, words.tags.size() - 1)]
                    : std::string(input.ConsumeBool() ? "tab" : "class");
            text += "<" + tag;
            open.push_back(tag);
            inTag = true;
            ++elements;
        } else if (open.size() > 1) {
            text += inTag ? "/>" : "</" + open.back() + ">";
            open.pop_back();
            inTag = false;
        } else if (inTag) {
            text += ">" + Escaped(input.ConsumeRandomLengthString(8));
            inTag = false;
        }
    }
    text += inTag ? "/>" : "</" + open.back() + ">";
    open.pop_back();
    while (!open.empty()) {
        text += "</" + open.back() + ">";
        open.pop_back();
    }
    return text;
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

// The first byte chooses: the text as it is, or a text generated from the rest.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (size > 0 && data[0] == '#') {
        FuzzedDataProvider input(data + 1, size - 1);
        text = Generate(input);
        data = reinterpret_cast<const uint8_t*>(text.data());
        size = text.size();
    }
    TiXmlDocument document;
    const bool wellFormed = ParseXmlText(text, document);
    const TiXmlElement* root = document.RootElement();
    if (!root) {
        return 0;
    }
    if (wellFormed) {
        Sample(data, size);
    }
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
