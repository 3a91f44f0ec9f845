#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "MessageChannel.h"
#include "Threads.h"

namespace cefimpl {

// One argument of a Windows command line, quoted so that the usual splitting gives it back.
std::wstring QuoteArgument(const std::wstring& argument);
// The DevTools port and browser endpoint path from the text of a DevToolsActivePort file; false
// while it is incomplete.
bool ParseActivePort(const std::string& text, unsigned short& port, std::string& path);

// The user's Internet settings as the browser's proxy switches: a configuration script (named,
// or found by automatic detection), else a fixed proxy with its bypass list; none for a direct
// connection.
std::vector<std::wstring> SystemProxySwitches();

// A user name and password for the proxy.
struct ProxyCredentials {
    std::string user;
    std::string password;
    bool empty() const { return user.empty() && password.empty(); }
};

// A proxy setting (a URL, or the browser's proxy rules such as "http=u:p@host:80;https=...")
// without the user name and password its entries may carry: those come back in `credentials`
// (the first found, percent-decoded, UTF-8), so that they never stand on a command line, which
// every local user can read.
std::wstring WithoutCredentials(const std::wstring& proxy, ProxyCredentials& credentials);

// A Chromium-based browser started headless for this process, with a profile folder of its own,
// and ended with it: when this process ends in any way, the browser ends and its folder goes.
// Under Wine a Linux browser runs under a small shell guard that ends it when this process stops
// touching a heartbeat file; on Windows the browser runs in a job object that is killed when its
// last handle closes.
class ChromiumProcess {
public:
    ChromiumProcess() = default;
    ~ChromiumProcess() { Stop(0); }
    ChromiumProcess(const ChromiumProcess&) = delete;
    ChromiumProcess& operator=(const ChromiumProcess&) = delete;

    // Finds the browser (TESSEL_CHROMIUM, else the usual places), starts it and waits for its
    // DevTools: under Wine on a pair of pipes, else on a loopback port. `error` says what failed.
    // `language` (e.g. "zh-CN") is what pages see as the user's language; empty: the system's.
    bool Start(const std::wstring& language, std::wstring& error);
    bool running() const { return launched_; }
    // A channel to the browser's DevTools, or null with `error` set.
    std::shared_ptr<MessageChannel> OpenChannel(std::string& error) const;
    // What the proxy settings carried for the proxy's challenges; empty when nothing.
    const ProxyCredentials& proxyCredentials() const { return proxyCredentials_; }
    // Where the browser writes downloads, as the browser names it.
    std::wstring downloadFolder() const { return profile_ + L"\\downloads"; }
    std::string browserDownloadFolder() const;
    // Waits up to `graceMs` for the browser to end by itself, then ends it, and removes its
    // profile folder.
    void Stop(DWORD graceMs);

private:
    bool Launch(const std::wstring& executable, std::wstring& error);
    bool LaunchUnderGuard(const std::wstring& unixExecutable, std::wstring& error);
    bool WaitForEndpoint(std::wstring& error);
    std::vector<std::wstring> Arguments();
    // Whether the browser has ended (under the guard: the guard has begun removing the profile).
    bool Ended() const;
    bool WaitUntilGone(DWORD timeoutMs) const;
    void Beat();
    void StopHeartbeat();

    std::wstring profile_;
    std::string unixProfile_;
    bool guarded_ = false;
    bool launched_ = false;
    HANDLE heartbeatStop_ = nullptr;
    std::thread heartbeat_;
    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    std::wstring language_;
    unsigned short port_ = 0;
    std::string browserPath_;
    ProxyCredentials proxyCredentials_;
};

}  // namespace cefimpl
