#include "BkStyle.h"

#include <tinyxml.h>

#include "BkFontPool.h"
#include "BkParse.h"
#include "BkResource.h"
#include "CodePage.h"

namespace {

constexpr HRESULT kTaken = 0;
constexpr HRESULT kRepaint = 1;

}  // namespace

HRESULT BkStyle::SetAttribute(const std::string& attribute, const std::string& value, bool) {
    if (attribute == "name") {
        name = value;
    } else if (attribute == "skin") {
        skin = value;
    } else if (attribute == "textmode") {
        textmode = ParseHex(value);
    } else if (attribute == "font") {
        font = GetFont(static_cast<WORD>(ParseHex(value)));
    } else if (attribute == "hoverfont") {
        hoverfont = GetFont(static_cast<WORD>(ParseHex(value)));
    } else if (attribute == "fontname") {
        font = GetFontByFace(Utf8ToWide(value));
    } else if (attribute == "x-margin") {
        xMargin = ParseInt(value);
    } else if (attribute == "y-margin") {
        yMargin = ParseInt(value);
    } else if (attribute == "margin") {
        xMargin = yMargin = ParseInt(value);
    } else if (attribute == "spacing") {
        spacing = ParseInt(value);
    } else if (attribute == "linespacing") {
        linespacing = ParseInt(value);
    } else {
        COLORREF* color = attribute == "crbg"         ? &crbg
                          : attribute == "crbghover"  ? &crbghover
                          : attribute == "crtext"     ? &crtext
                          : attribute == "crhover"    ? &crhover
                          : attribute == "crdisabled" ? &crdisabled
                                                      : nullptr;
        if (color) {
            *color = ParseColorRGB(value);
            return kRepaint;
        }
        if (attribute == "cursor" && (value == "hand" || value == "arrow")) {
            cursor = value == "hand" ? IDC_HAND : IDC_ARROW;
            return kRepaint;
        }
        return E_FAIL;
    }
    return kTaken;
}

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
