#include "BkColor.h"

#include <tinyxml.h>

#include "BkParse.h"
#include "BkResource.h"

BkColor& BkColor::Instance() {
    static BkColor instance;
    return instance;
}

bool BkColor::LoadXml(const std::string& xml) {
    TiXmlDocument document;
    const TiXmlElement* root = ParseXmlRoot(xml, "color", document);
    if (!root) {
        return false;
    }
    ForEachIdEntry(root, "cr",
                   [this](int id, const char* text) { colors_[id] = ParseColorTableEntry(text); });
    return true;
}

bool BkColor::Load(unsigned resourceId) {
    std::string xml;
    return LoadResourceData(resourceId, L"xml", xml) && LoadXml(xml);
}

DWORD BkColor::Get(int id) const {
    const auto found = colors_.find(id);
    return found == colors_.end() ? 0 : found->second;
}

DWORD GetColor(int id) {
    return BkColor::Instance().Get(id);
}
