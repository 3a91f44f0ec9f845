#include "InternetSettingsOverride.h"

namespace {

const wchar_t kKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
const wchar_t kValue[] = L"DefaultConnectionSettings";
constexpr DWORD kSettingsVersion = 0x46;

void Put(std::vector<BYTE>& blob, DWORD value) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    blob.insert(blob.end(), bytes, bytes + sizeof value);
}

}  // namespace

InternetSettingsOverride::InternetSettingsOverride(DWORD flags, const std::string& proxy,
                                                   const std::string& bypass,
                                                   const std::string& script) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    DWORD size = 0;
    present_ = RegQueryValueExW(key_, kValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
    saved_.resize(size);
    if (present_ && size > 0) {
        RegQueryValueExW(key_, kValue, nullptr, nullptr, saved_.data(), &size);
    }
    // Version, change counter, flags, then the proxy list, the bypass list and the script's
    // address, each a length and its characters.
    std::vector<BYTE> blob;
    Put(blob, kSettingsVersion);
    Put(blob, 1);
    Put(blob, flags);
    for (const std::string* text : {&proxy, &bypass, &script}) {
        Put(blob, static_cast<DWORD>(text->size()));
        blob.insert(blob.end(), text->begin(), text->end());
    }
    blob.resize(blob.size() + 32);
    RegSetValueExW(key_, kValue, 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
}

InternetSettingsOverride::~InternetSettingsOverride() {
    if (present_) {
        RegSetValueExW(key_, kValue, 0, REG_BINARY, saved_.data(),
                       static_cast<DWORD>(saved_.size()));
    } else {
        RegDeleteValueW(key_, kValue);
    }
    RegCloseKey(key_);
}
