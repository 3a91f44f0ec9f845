#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The current user's Internet settings (proxy, bypass list, configuration script) set as the
// system keeps them until destroyed; then what was there before is put back.
class InternetSettingsOverride {
public:
    static constexpr DWORD kDirect = 1;
    static constexpr DWORD kProxy = 2;
    static constexpr DWORD kScript = 4;
    static constexpr DWORD kDetect = 8;

    InternetSettingsOverride(DWORD flags, const std::string& proxy, const std::string& bypass,
                             const std::string& script = std::string());
    ~InternetSettingsOverride();
    InternetSettingsOverride(const InternetSettingsOverride&) = delete;
    InternetSettingsOverride& operator=(const InternetSettingsOverride&) = delete;

private:
    HKEY key_ = nullptr;
    bool present_ = false;
    std::vector<BYTE> saved_;
};
