#include "BkSkinPool.h"

#include <tinyxml.h>

#include "BkPngPool.h"
#include "BkResource.h"

BkSkinPool& BkSkinPool::Instance() {
    static BkSkinPool instance;
    return instance;
}

// Skins may own GDI+ images, so GDI+ (kept by the PNG pool) must outlive this pool: statics
// are destroyed in the reverse order of their construction.
BkSkinPool::BkSkinPool() {
    BkPngPool::Instance();
}

bool BkSkinPool::LoadXml(const std::string& xml) {
    TiXmlDocument document;
    const TiXmlElement* root = ParseXmlRoot(xml, "skins", document);
    if (!root) {
        return false;
    }
    for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        const char* name = e->Attribute("name");
        std::unique_ptr<CBkSkinBase> skin = name ? CreateSkin(e->Value()) : nullptr;
        if (skin) {
            skin->Load(e);
            skins_[name] = std::move(skin);
        }
    }
    return true;
}

bool BkSkinPool::Load(unsigned resourceId) {
    std::string xml;
    return LoadResourceData(resourceId, L"xml", xml) && LoadXml(xml);
}

CBkSkinBase* BkSkinPool::Get(const std::string& name) const {
    const auto found = skins_.find(name);
    return found == skins_.end() ? nullptr : found->second.get();
}

std::map<std::string, int> BkSkinPool::CountByKind() const {
    std::map<std::string, int> counts;
    for (const auto& entry : skins_) {
        ++counts[entry.second->GetObjectClass()];
    }
    return counts;
}

CBkSkinBase* GetSkin(const std::string& name) {
    return BkSkinPool::Instance().Get(name);
}
