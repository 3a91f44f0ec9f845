#pragma once

#include <string>

// How a proxy is chosen for an address from the system's settings: plain functions over texts,
// free of the Windows headers.

// The parts of an absolute URL a proxy choice looks at, scheme and host in lower case; false when
// `url` is not of the form scheme://host... . The port is the URL's or the scheme's default.
struct UrlTarget {
    std::string scheme;
    std::string host;  // without the brackets of an IPv6 address
    int port = 0;
};
bool ParseUrlTarget(const std::string& url, UrlTarget& target);

// The proxy a system proxy list names for `scheme`, as libcurl takes it ("http://host:port"), or
// "" for none. The list is "host:port" for every scheme or entries "scheme=host:port" separated
// by ";" or blanks: the scheme's own entry wins, then an entry without scheme, then "socks=".
std::string ProxyForScheme(const std::string& list, const std::string& scheme);

// True when a system bypass list names the target: entries separated by ";", "," or blanks, each
// a host pattern with "*" wildcards, optionally with a scheme before it or a port after it;
// "<local>" names every host without a ".". Case is ignored.
bool IsBypassed(const std::string& bypassList, const UrlTarget& target);

// Loopback addresses never go through a proxy: "localhost", "*.localhost", 127.0.0.0/8, ::1.
bool IsLoopbackHost(const std::string& host);
