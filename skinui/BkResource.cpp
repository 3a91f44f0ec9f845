#include "BkResource.h"

#include <tinyxml.h>

#include <cstring>

bool LoadResourceData(UINT id, const wchar_t* type, std::string& buffer) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!resource) {
        return false;
    }
    const DWORD size = SizeofResource(module, resource);
    const HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) {
        return false;
    }
    buffer.assign(static_cast<const char*>(data), size);
    return true;
}

const TiXmlElement* ParseXmlRoot(const std::string& text, const char* rootName,
                                 TiXmlDocument& document) {
    static const char kBom[] = "\xEF\xBB\xBF";
    const size_t skip = text.compare(0, 3, kBom) == 0 ? 3 : 0;
    document.Parse(text.c_str() + skip, nullptr, TIXML_ENCODING_UTF8);
    if (document.Error()) {
        return nullptr;
    }
    const TiXmlElement* root = document.RootElement();
    return root && std::strcmp(root->Value(), rootName) == 0 ? root : nullptr;
}
