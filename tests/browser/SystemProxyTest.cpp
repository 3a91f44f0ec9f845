#include "SystemProxy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "HttpTransfer.h"
#include "InternetSettingsOverride.h"
#include "ProxyRules.h"
#include "TempFolder.h"
#include "TestServer.h"

namespace {

TEST(ProxyRules, UrlTargetsTakeSchemeHostAndPort) {
    const struct {
        const char* url;
        const char* scheme;
        const char* host;
        int port;
    } cases[] = {
        {"http://Example.COM/a?b", "http", "example.com", 80},
        {"HTTPS://user:pw@host.cn:8443#x", "https", "host.cn", 8443},
        {"http://[::1]:81/", "http", "::1", 81},
        {"http://h?q=http://other:9/", "http", "h", 80},
    };
    for (const auto& c : cases) {
        UrlTarget target;
        ASSERT_TRUE(ParseUrlTarget(c.url, target)) << c.url;
        EXPECT_EQ(c.scheme, target.scheme) << c.url;
        EXPECT_EQ(c.host, target.host) << c.url;
        EXPECT_EQ(c.port, target.port) << c.url;
    }
    UrlTarget target;
    for (const char* bad : {"", "example.com/a", "://h/", "http:///a", "http://[::1/"}) {
        EXPECT_FALSE(ParseUrlTarget(bad, target)) << "took '" << bad << "'";
    }
}

TEST(ProxyRules, TheSchemesOwnEntryWinsThenOneWithoutSchemeThenSocks) {
    const struct {
        const char* list;
        const char* scheme;
        const char* proxy;
    } cases[] = {
        {"proxy:8080", "https", "http://proxy:8080"},
        {"http=a:1;https=b:2", "https", "http://b:2"},
        {"http=a:1 https=b:2", "http", "http://a:1"},
        {"ftp=f:21;plain:3128", "http", "http://plain:3128"},
        {"socks=s:1080", "http", "socks4://s:1080"},
        {"HTTP=a:1;socks=s:1080", "http", "http://a:1"},
        {"https=http://b:2", "https", "http://b:2"},
        {"ftp=f:21", "http", ""},
        {"", "http", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.proxy, ProxyForScheme(c.list, c.scheme)) << c.list << " for " << c.scheme;
    }
}

TEST(ProxyRules, BypassListsMatchHostsWithWildcardsPortsAndLocalNames) {
    const struct {
        const char* list;
        const char* url;
        bool bypassed;
    } cases[] = {
        {"<local>", "http://intranet/a", true},
        {"<local>", "http://intranet.corp/a", false},
        {"*.corp.cn; other", "http://a.b.CORP.cn/", true},
        {"*.corp.cn", "http://corp.cn/", false},
        {"10.*", "http://10.1.2.3/", true},
        {"host:8080", "http://host:8080/", true},
        {"host:8080", "http://host/", false},
        {"https://secure", "https://secure/", true},
        {"https://secure", "http://secure/", false},
        {"[::1]", "http://[::1]/", true},
        {"a,b c\tdd", "http://dd/", true},
        {"", "http://h/", false},
    };
    for (const auto& c : cases) {
        UrlTarget target;
        ASSERT_TRUE(ParseUrlTarget(c.url, target)) << c.url;
        EXPECT_EQ(c.bypassed, IsBypassed(c.list, target)) << "'" << c.list << "' for " << c.url;
    }
    for (const char* host : {"localhost", "a.localhost", "127.0.0.1", "127.9.8.7", "::1"}) {
        EXPECT_TRUE(IsLoopbackHost(host)) << host;
    }
    for (const char* host : {"127.example.com", "localhost.cn", "10.0.0.1", "::2"}) {
        EXPECT_FALSE(IsLoopbackHost(host)) << host;
    }
}

// The loopback test server doubles as the proxy: it answers a request for any host like one for
// itself and records it.
class SystemProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "https_proxy", "all_proxy", "no_proxy"}) {
            ASSERT_EQ(0, _putenv((std::string(name) + "=").c_str())) << name << " stays set";
        }
    }
    void TearDown() override { _putenv("http_proxy="); }

    static std::string ServerAddress() {
        const std::string url = TestServerUrl("");
        return url.substr(std::string("http://").size());
    }

    // Through the proxy? A name of its own for every request tells.
    static bool WentThroughProxy(const std::string& url) {
        std::string proxied;
        EXPECT_EQ(CURLE_OK, FetchToString(TestServerUrl("/proxied"), proxied));
        return proxied.find(url + "\n") != std::string::npos;
    }

    static std::string Unique(const std::string& host, const std::string& path) {
        static int count = 0;
        return "http://" + host + path + (path.find('?') == std::string::npos ? "?" : "&") +
               "n=" + std::to_string(GetTickCount()) + "-" + std::to_string(++count);
    }

    TempFolder temp;
};

TEST_F(SystemProxyTest, AFixedProxyCarriesTransfersExceptForBypassedHosts) {
    const InternetSettingsOverride settings(
        InternetSettingsOverride::kDirect | InternetSettingsOverride::kProxy, ServerAddress(),
        "bypassed.test;<local>");
    const std::string fetched = Unique("proxied.test", "/echo?text=via");
    std::string body;
    EXPECT_EQ(CURLE_OK, FetchToString(fetched, body));
    EXPECT_EQ("via", body);
    EXPECT_TRUE(WentThroughProxy(fetched)) << "the fetch did not use the proxy";

    const std::string file = Unique("proxied.test", "/normal");
    const std::string path = temp.narrowPath() + "\\a.xls";
    EXPECT_EQ(CURLE_OK, DownloadToFile(file, path)) << "the credentials reach the server";
    EXPECT_EQ("Tessel test body", ReadFileBytes(temp.path() + L"\\a.xls").substr(0, 16));
    EXPECT_TRUE(WentThroughProxy(file)) << "the download did not use the proxy";

    for (const std::string host : {"bypassed.test", "intranet"}) {
        const std::string direct = Unique(host, "/normal");
        EXPECT_EQ(CURLE_COULDNT_RESOLVE_HOST, DownloadToFile(direct, path)) << host;
        EXPECT_FALSE(WentThroughProxy(direct)) << host << " is bypassed";
    }
    EXPECT_EQ("", SystemProxyFor(TestServerUrl("/normal")).proxy) << "loopback goes direct";
}

TEST_F(SystemProxyTest, WithTheProxyOffTransfersGoDirect) {
    const InternetSettingsOverride settings(InternetSettingsOverride::kDirect, ServerAddress(), "");
    const std::string url = Unique("proxied.test", "/echo?text=x");
    std::string body;
    EXPECT_EQ(CURLE_COULDNT_RESOLVE_HOST, FetchToString(url, body));
    EXPECT_FALSE(WentThroughProxy(url)) << "a direct setting went through the proxy";
    EXPECT_EQ("", SystemProxyFor(url).proxy);
}

TEST_F(SystemProxyTest, AConfigurationScriptChoosesTheProxyForEachAddress) {
    const InternetSettingsOverride settings(
        InternetSettingsOverride::kDirect | InternetSettingsOverride::kScript, "", "",
        TestServerUrl("/pac?direct=bypassed.test&proxy=" + ServerAddress()));
    const std::string proxied = Unique("proxied.test", "/echo?text=pac");
    std::string body;
    EXPECT_EQ(CURLE_OK, FetchToString(proxied, body));
    EXPECT_EQ("pac", body);
    EXPECT_TRUE(WentThroughProxy(proxied)) << "the script's proxy was not used";

    const std::string direct = Unique("bypassed.test", "/echo?text=pac");
    EXPECT_EQ(CURLE_COULDNT_RESOLVE_HOST, FetchToString(direct, body));
    EXPECT_FALSE(WentThroughProxy(direct)) << "the script's direct address went through the proxy";
}

TEST_F(SystemProxyTest, AProxyVariableTakesPrecedence) {
    const InternetSettingsOverride settings(
        InternetSettingsOverride::kDirect | InternetSettingsOverride::kProxy, ServerAddress(), "");
    ASSERT_EQ(0, _putenv("http_proxy=http://127.0.0.1:1"));
    const std::string url = Unique("proxied.test", "/echo?text=x");
    EXPECT_TRUE(SystemProxyFor(url).fromEnvironment)
        << "the environment's proxy does not come first";
    std::string body;
    EXPECT_EQ(CURLE_COULDNT_CONNECT, FetchToString(url, body))
        << "the variable's proxy was not used";
    ASSERT_EQ(0, _putenv("http_proxy="));
    EXPECT_FALSE(WentThroughProxy(url)) << "the system's proxy was used over the environment's";
}

}  // namespace
