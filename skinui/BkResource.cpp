#include "BkResource.h"

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
