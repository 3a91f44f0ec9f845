#pragma once

#include <string>

// The proxy a transfer takes, as the system would choose it for the address.
struct ProxyChoice {
    // A proxy variable (http_proxy, https_proxy, all_proxy) is set: libcurl follows those, with
    // no_proxy, by itself.
    bool fromEnvironment = false;
    // Else the proxy as libcurl takes it, or "" for a direct connection.
    std::string proxy;
};

// Without a proxy variable: the user's Internet settings (an automatic configuration script or
// automatic detection, else a fixed proxy and its bypass list), else a direct connection.
// Loopback addresses are always reached directly.
ProxyChoice SystemProxyFor(const std::string& url);
