#include "ConnText.h"

#include <cwchar>
#include <string>

int GetConnValue(const wchar_t* text, const wchar_t* key, wchar_t* out) {
    if (!text || !key || !out || !*key) {
        return 0;
    }
    const std::wstring copy(text);
    const std::wstring name(key);
    for (size_t at = copy.find(name); at != std::wstring::npos; at = copy.find(name, at + 1)) {
        const size_t equals = at + name.size();
        const bool startsPair = at == 0 || copy[at - 1] == L';';
        if (!startsPair || equals >= copy.size() || copy[equals] != L'=') {
            continue;
        }
        const size_t end = copy.find(L';', equals);
        const std::wstring value = copy.substr(
            equals + 1, end == std::wstring::npos ? std::wstring::npos : end - equals - 1);
        if (value.size() >= kConnValueCapacity) {
            return 0;
        }
        wmemcpy(out, value.c_str(), value.size() + 1);
        return 1;
    }
    return 0;
}
