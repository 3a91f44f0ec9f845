#include "BkString.h"

#include <tinyxml.h>

#include "BkResource.h"
#include "CodePage.h"

BkString& BkString::Instance() {
    static BkString instance;
    return instance;
}

bool BkString::LoadXml(const std::string& xml) {
    TiXmlDocument document;
    const TiXmlElement* root = ParseXmlRoot(xml, "string", document);
    if (!root) {
        return false;
    }
    ForEachIdEntry(root, "s", [this](int id, const char* text) { texts_[id] = Utf8ToWide(text); });
    return true;
}

bool BkString::Load(unsigned resourceId) {
    std::string xml;
    return LoadResourceData(resourceId, L"xml", xml) && LoadXml(xml);
}

const std::wstring* BkString::Get(int id) const {
    const auto found = texts_.find(id);
    return found == texts_.end() ? nullptr : &found->second;
}

const std::wstring* GetString(int id) {
    return BkString::Instance().Get(id);
}
