#pragma once

#include <map>
#include <memory>
#include <string>

#include "BkSkin.h"

// Skins by name, created from the skin table by the skin factory and owned here.
class BkSkinPool {
public:
    static BkSkinPool& Instance();

    // Adds the table's skins (replacing same-named ones); false when the text is not XML or its
    // root is not `skins`. Children whose tag names no kind, or without a name, are skipped.
    bool LoadXml(const std::string& xml);
    bool Load(unsigned resourceId);
    CBkSkinBase* Get(const std::string& name) const;
    std::map<std::string, int> CountByKind() const;

private:
    BkSkinPool();
    std::map<std::string, std::unique_ptr<CBkSkinBase>> skins_;
};

CBkSkinBase* GetSkin(const std::string& name);
