#include "ProxyRules.h"

#include <cstdlib>
#include <vector>

#include "AsciiCase.h"

namespace {

std::vector<std::string> SplitList(const std::string& list, const char* separators) {
    std::vector<std::string> items;
    size_t begin = 0;
    while ((begin = list.find_first_not_of(separators, begin)) != std::string::npos) {
        const size_t end = list.find_first_of(separators, begin);
        items.push_back(list.substr(begin, end - begin));
        begin = end;
    }
    return items;
}

// "*" stands for any run of characters, also an empty one.
bool Matches(const char* pattern, const char* text) {
    if (*pattern == '\0') {
        return *text == '\0';
    }
    if (*pattern == '*') {
        for (const char* rest = text;; ++rest) {
            if (Matches(pattern + 1, rest)) {
                return true;
            }
            if (*rest == '\0') {
                return false;
            }
        }
    }
    return *pattern == *text && Matches(pattern + 1, text + 1);
}

int DefaultPort(const std::string& scheme) {
    return scheme == "https" ? 443 : scheme == "http" ? 80 : 0;
}

std::string WithScheme(const std::string& proxy, const char* scheme) {
    return proxy.find("://") == std::string::npos ? scheme + proxy : proxy;
}

}  // namespace

bool ParseUrlTarget(const std::string& url, UrlTarget& target) {
    const size_t colon = url.find("://");
    if (colon == std::string::npos || colon == 0) {
        return false;
    }
    target.scheme = AsciiLower(url.substr(0, colon));
    std::string authority = url.substr(colon + 3, url.find_first_of("/?#", colon + 3) - colon - 3);
    authority = authority.substr(authority.rfind('@') + 1);
    std::string port;
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        if (close == std::string::npos) {
            return false;
        }
        target.host = authority.substr(1, close - 1);
        port = authority.substr(close + 1);
    } else {
        const size_t portColon = authority.find(':');
        target.host = authority.substr(0, portColon);
        port = portColon == std::string::npos ? std::string() : authority.substr(portColon);
    }
    target.host = AsciiLower(target.host);
    target.port = port.size() > 1 && port[0] == ':' ? std::atoi(port.c_str() + 1)
                                                    : DefaultPort(target.scheme);
    return !target.host.empty();
}

std::string ProxyForScheme(const std::string& list, const std::string& scheme) {
    std::string own;
    std::string plain;
    std::string socks;
    for (const std::string& entry : SplitList(list, "; \t\r\n")) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            plain = plain.empty() ? entry : plain;
            continue;
        }
        const std::string name = AsciiLower(entry.substr(0, equals));
        const std::string proxy = entry.substr(equals + 1);
        if (name == scheme && own.empty()) {
            own = proxy;
        } else if (name == "socks" && socks.empty()) {
            socks = proxy;
        }
    }
    if (!own.empty()) {
        return WithScheme(own, "http://");
    }
    if (!plain.empty()) {
        return WithScheme(plain, "http://");
    }
    return socks.empty() ? std::string() : WithScheme(socks, "socks4://");
}

bool IsBypassed(const std::string& bypassList, const UrlTarget& target) {
    const std::string hostAndPort = target.host + ":" + std::to_string(target.port);
    for (std::string entry : SplitList(AsciiLower(bypassList), ";, \t\r\n")) {
        if (entry == "<local>") {
            if (target.host.find('.') == std::string::npos &&
                target.host.find(':') == std::string::npos) {
                return true;
            }
            continue;
        }
        const size_t scheme = entry.find("://");
        if (scheme != std::string::npos) {
            if (entry.compare(0, scheme, target.scheme) != 0) {
                continue;
            }
            entry = entry.substr(scheme + 3);
        }
        if (entry.size() > 2 && entry.front() == '[' && entry.back() == ']') {
            entry = entry.substr(1, entry.size() - 2);
        }
        const bool withPort =
            entry.find(':') != std::string::npos && entry.find(':') == entry.rfind(':');
        if (Matches(entry.c_str(), withPort ? hostAndPort.c_str() : target.host.c_str())) {
            return true;
        }
    }
    return false;
}

bool IsLoopbackHost(const std::string& host) {
    const std::string suffix = ".localhost";
    const bool numeric = host.find_first_not_of("0123456789.") == std::string::npos;
    return host == "localhost" || host == "::1" || (numeric && host.compare(0, 4, "127.") == 0) ||
           (host.size() > suffix.size() &&
            host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0);
}
