#include "BkStyle.h"

#include <tinyxml.h>

#include "BkFontPool.h"
#include "BkParse.h"
#include "BkResource.h"
#include "CodePage.h"

namespace {

HFONT FontByFace(const std::string& value) {
    return GetFontByFace(Utf8ToWide(value));
}

// "cursor": "hand" or "arrow"; other names are refused.
std::optional<LPCWSTR> CursorOf(const std::string& value) {
    if (value == "hand" || value == "arrow") {
        return value == "hand" ? IDC_HAND : IDC_ARROW;
    }
    return std::nullopt;
}

}  // namespace

BK_DEFINE_ATTRIBUTES(BkStyle, CBkObject,
                     {"name", A::Field<bkattr::Text, &BkStyle::name>, kAttrTaken},
                     {"skin", A::Field<bkattr::Text, &BkStyle::skin>, kAttrTaken},
                     {"textmode", A::Field<ParseHex, &BkStyle::textmode>, kAttrTaken},
                     {"font", A::Field<bkattr::Font, &BkStyle::font>, kAttrTaken},
                     {"hoverfont", A::Field<bkattr::Font, &BkStyle::hoverfont>, kAttrTaken},
                     {"fontname", A::Field<FontByFace, &BkStyle::font>, kAttrTaken},
                     {"x-margin", A::Field<ParseInt, &BkStyle::xMargin>, kAttrTaken},
                     {"y-margin", A::Field<ParseInt, &BkStyle::yMargin>, kAttrTaken},
                     {"margin",
                      [](BkStyle& style, const std::string& value, bool) {
                          style.xMargin = style.yMargin = ParseInt(value);
                          return true;
                      },
                      kAttrTaken},
                     {"spacing", A::Field<ParseInt, &BkStyle::spacing>, kAttrTaken},
                     {"linespacing", A::Field<ParseInt, &BkStyle::linespacing>, kAttrTaken},
                     {"crbg", A::Field<ParseColorRGB, &BkStyle::crbg>, kAttrRepaint},
                     {"crbghover", A::Field<ParseColorRGB, &BkStyle::crbghover>, kAttrRepaint},
                     {"crtext", A::Field<ParseColorRGB, &BkStyle::crtext>, kAttrRepaint},
                     {"crhover", A::Field<ParseColorRGB, &BkStyle::crhover>, kAttrRepaint},
                     {"crdisabled", A::Field<ParseColorRGB, &BkStyle::crdisabled>, kAttrRepaint},
                     {"cursor", A::Field<CursorOf, &BkStyle::cursor>, kAttrRepaint})

BkStylePool& BkStylePool::Instance() {
    static BkStylePool instance;
    return instance;
}

bool BkStylePool::LoadXml(const std::string& xml) {
    styles_.clear();
    styles_[""] = BkStyle();
    TiXmlDocument document;
    const TiXmlElement* root = ParseXmlRoot(xml, "style", document);
    if (!root) {
        return false;
    }
    for (const TiXmlElement* c = root->FirstChildElement("class"); c;
         c = c->NextSiblingElement("class")) {
        const char* name = c->Attribute("name");
        if (name) {
            styles_[name].Load(c);
        }
    }
    return true;
}

bool BkStylePool::Load(unsigned resourceId) {
    std::string xml;
    if (!LoadResourceData(resourceId, L"xml", xml)) {
        styles_.clear();
        styles_[""] = BkStyle();
        return false;
    }
    return LoadXml(xml);
}

const BkStyle& BkStylePool::Get(const std::string& name) {
    const auto found = styles_.find(name);
    return found != styles_.end() ? found->second : styles_[""];
}

const BkStyle& GetStyle(const std::string& name) {
    return BkStylePool::Instance().Get(name);
}
