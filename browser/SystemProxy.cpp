#include "SystemProxy.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <mutex>

#include "CodePage.h"
#include "ProxyRules.h"

namespace {

// Detection finds nothing on most networks and takes a while to say so: a failure is believed
// for some minutes before it is tried again.
constexpr DWORD kDetectionRetryMs = 5 * 60 * 1000;

bool HasVariable(const char* name) {
    char value[2] = {};
    return GetEnvironmentVariableA(name, value, sizeof value) > 0;
}

bool HasProxyVariable(const std::string& scheme) {
    return HasVariable((scheme + "_proxy").c_str()) || HasVariable("all_proxy");
}

std::string TakeText(LPWSTR text) {
    if (!text) {
        return std::string();
    }
    const std::string utf8 = WideToUtf8(text);
    GlobalFree(text);
    return utf8;
}

struct InternetSettings {
    bool autoDetect = false;
    std::wstring autoConfigUrl;
    std::string proxy;
    std::string bypass;
};

InternetSettings ReadInternetSettings() {
    InternetSettings settings;
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) {
        return settings;
    }
    settings.autoDetect = config.fAutoDetect != FALSE;
    if (config.lpszAutoConfigUrl) {
        settings.autoConfigUrl = config.lpszAutoConfigUrl;
        GlobalFree(config.lpszAutoConfigUrl);
    }
    settings.proxy = TakeText(config.lpszProxy);
    settings.bypass = TakeText(config.lpszProxyBypass);
    return settings;
}

class DetectionMemo {
public:
    bool RecentlyFailed() {
        std::lock_guard<std::mutex> guard(mutex_);
        return failed_ && GetTickCount() - failedAt_ < kDetectionRetryMs;
    }
    void Record(bool found) {
        std::lock_guard<std::mutex> guard(mutex_);
        failed_ = !found;
        failedAt_ = GetTickCount();
    }

private:
    std::mutex mutex_;
    bool failed_ = false;
    DWORD failedAt_ = 0;
};

DetectionMemo& Detection() {
    static DetectionMemo memo;
    return memo;
}

struct SessionCloser {
    void operator()(HINTERNET session) const { WinHttpCloseHandle(session); }
};

// Runs the configuration script (named, or found by detection) for `url`. False when there is
// none or it cannot be run: the fixed settings apply then.
bool ResolveAutomatically(const std::string& url, const InternetSettings& settings,
                          std::string& list, std::string& bypass) {
    const bool detect = settings.autoConfigUrl.empty();
    if (detect && Detection().RecentlyFailed()) {
        return false;
    }
    const std::unique_ptr<void, SessionCloser> session(
        WinHttpOpen(L"Tessel", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                    WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        return false;
    }
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (detect) {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = settings.autoConfigUrl.c_str();
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    const bool resolved =
        WinHttpGetProxyForUrl(session.get(), Utf8ToWide(url).c_str(), &options, &info) != FALSE;
    if (detect) {
        Detection().Record(resolved);
    }
    if (!resolved) {
        return false;
    }
    list = TakeText(info.lpszProxy);
    bypass = TakeText(info.lpszProxyBypass);
    if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
        list.clear();
    }
    return true;
}

}  // namespace

ProxyChoice SystemProxyFor(const std::string& url) {
    ProxyChoice choice;
    UrlTarget target;
    if (!ParseUrlTarget(url, target)) {
        return choice;
    }
    if (HasProxyVariable(target.scheme)) {
        choice.fromEnvironment = true;
        return choice;
    }
    if (IsLoopbackHost(target.host)) {
        return choice;
    }
    const InternetSettings settings = ReadInternetSettings();
    std::string list;
    std::string bypass;
    const bool automatic = (settings.autoDetect || !settings.autoConfigUrl.empty()) &&
                           ResolveAutomatically(url, settings, list, bypass);
    if (!automatic) {
        list = settings.proxy;
        bypass = settings.bypass;
    }
    if (!list.empty() && !IsBypassed(bypass, target)) {
        choice.proxy = ProxyForScheme(list, target.scheme);
    }
    return choice;
}
