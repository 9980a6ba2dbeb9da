#include <gtest/gtest.h>

#include <string>

#include "netclient/proxy_endpoint.h"
#include "tests/support/test_support.h"
#include "win/unique_handle.h"

namespace netclient {
namespace {

using testing_support::SetRegDword;
using testing_support::SetRegString;
using testing_support::TestRegistryKey;

constexpr char kSystemKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class InternetSettings : public ::testing::Test {
protected:
    void Set(DWORD enable, const char* servers, const char* bypass = nullptr) {
        ASSERT_TRUE(SetRegDword(key_.Root(), key_.Path(), "ProxyEnable", enable));
        if (servers) {
            ASSERT_TRUE(SetRegString(key_.Root(), key_.Path(), "ProxyServer", servers));
        }
        if (bypass) {
            ASSERT_TRUE(SetRegString(key_.Root(), key_.Path(), "ProxyOverride", bypass));
        }
    }

    ProxyEndpoint Resolve(ProxyProtocol protocol) {
        ProxyEndpoint endpoint;
        endpoint.kind = kProxyIE;
        endpoint.userName = "user";
        endpoint.password = "secret";
        win::RegKey key;
        EXPECT_EQ(::RegOpenKeyExA(key_.Root(), key_.Path().c_str(), 0, KEY_READ, key.Put()),
                  ERROR_SUCCESS);
        ResolveProxySettings(key.Get(), endpoint, protocol);
        return endpoint;
    }

    TestRegistryKey key_;
};

void ExpectProxy(const ProxyEndpoint& endpoint, int kind, const std::string& host, uint16_t port) {
    EXPECT_EQ(endpoint.kind, kind);
    EXPECT_EQ(endpoint.host, host);
    EXPECT_EQ(endpoint.port, port);
}

TEST_F(InternetSettings, NamedEntriesPerProtocolWithDefaultPorts) {
    Set(1, "http=p:8080;ftp=q");
    ExpectProxy(Resolve(ProxyProtocol::kHttp), kProxyHttp, "p", 8080);
    ProxyEndpoint ftp = Resolve(ProxyProtocol::kFtp);
    ExpectProxy(ftp, kProxyFtp, "q", kDefaultFtpProxyPort);
    EXPECT_EQ(ftp.userName, "user");  // the object's credentials stay
    EXPECT_EQ(ftp.password, "secret");
}

TEST_F(InternetSettings, HttpsTakesItsOwnEntryElseTheHttpOneElseSocks) {
    Set(1, "http=p:8080;https=t:8443;ftp=q");
    ExpectProxy(Resolve(ProxyProtocol::kHttps), kProxyHttp, "t", 8443);
    ExpectProxy(Resolve(ProxyProtocol::kHttp), kProxyHttp, "p", 8080);
    Set(1, "https=t;socks=s");
    ExpectProxy(Resolve(ProxyProtocol::kHttps), kProxyHttp, "t", kDefaultHttpProxyPort);
    ExpectProxy(Resolve(ProxyProtocol::kHttp), kProxySocks5, "s", kDefaultSocksPort);
    Set(1, "http=p:8080;socks=s");
    ExpectProxy(Resolve(ProxyProtocol::kHttps), kProxyHttp, "p", 8080);
    Set(1, "ftp=q;socks=s:9050");
    ExpectProxy(Resolve(ProxyProtocol::kHttps), kProxySocks5, "s", 9050);
}

TEST_F(InternetSettings, HttpEntryWithoutPortUses808) {
    Set(1, "HTTP=Proxy.Example ;ftp=q:21");
    ExpectProxy(Resolve(ProxyProtocol::kHttp), kProxyHttp, "proxy.example", kDefaultHttpProxyPort);
}

TEST_F(InternetSettings, SocksEntryServesBothProtocolsAsSocks5) {
    Set(1, "socks=s");
    ExpectProxy(Resolve(ProxyProtocol::kHttp), kProxySocks5, "s", kDefaultSocksPort);
    ExpectProxy(Resolve(ProxyProtocol::kFtp), kProxySocks5, "s", kDefaultSocksPort);
    Set(1, "http=h:1;socks=s:9050");
    ExpectProxy(Resolve(ProxyProtocol::kFtp), kProxySocks5, "s", 9050);
}

TEST_F(InternetSettings, NoUsableEntryMeansDirect) {
    for (const char* servers : {"proxy:3128", "", "http=:8080", "gopher=g:70"}) {
        Set(1, servers);
        ProxyEndpoint endpoint = Resolve(ProxyProtocol::kHttp);
        ExpectProxy(endpoint, kProxyNone, "", 0);
        EXPECT_EQ(endpoint.userName, "user") << servers;
    }
}

TEST_F(InternetSettings, DisabledOrMissingValuesMeanDirect) {
    ExpectProxy(Resolve(ProxyProtocol::kHttp), kProxyNone, "", 0);  // nothing set at all
    Set(0, "http=p:8080");
    ExpectProxy(Resolve(ProxyProtocol::kHttp), kProxyNone, "", 0);
}

TEST_F(InternetSettings, UnreadableOrOutOfRangePortsTakeTheDefault) {
    Set(1, "http=p:70000;ftp=q:abc");
    ExpectProxy(Resolve(ProxyProtocol::kHttp), kProxyHttp, "p", kDefaultHttpProxyPort);
    ExpectProxy(Resolve(ProxyProtocol::kFtp), kProxyFtp, "q", kDefaultFtpProxyPort);
}

TEST_F(InternetSettings, LocalBypassSkipsAProxyOnThisComputer) {
    Set(1, "http=127.0.0.1:3128;ftp=localhost:2121", "*.corp;<Local>");
    ProxyEndpoint http = Resolve(ProxyProtocol::kHttp);
    ExpectProxy(http, kProxyNone, "", 0);
    EXPECT_EQ(http.userName, "");
    ExpectProxy(Resolve(ProxyProtocol::kFtp), kProxyNone, "", 0);
}

TEST_F(InternetSettings, BypassKeepsOtherProxies) {
    Set(1, "http=127.0.0.1:3128;ftp=10.255.255.1:2121", "*.corp");  // no <local>
    ExpectProxy(Resolve(ProxyProtocol::kHttp), kProxyHttp, "127.0.0.1", 3128);
    Set(1, "http=127.0.0.1:3128;ftp=10.255.255.1:2121", "<local>");
    ExpectProxy(Resolve(ProxyProtocol::kFtp), kProxyFtp, "10.255.255.1", 2121);
}

TEST_F(InternetSettings, OnlySystemSettingsEndpointsAreResolved) {
    Set(1, "http=p:8080");
    ProxyEndpoint endpoint;
    endpoint.kind = kProxySocks4;
    endpoint.host = "s";
    endpoint.port = 1081;
    win::RegKey key;
    ASSERT_EQ(::RegOpenKeyExA(key_.Root(), key_.Path().c_str(), 0, KEY_READ, key.Put()),
              ERROR_SUCCESS);
    ResolveProxySettings(key.Get(), endpoint, ProxyProtocol::kHttp);
    ExpectProxy(endpoint, kProxySocks4, "s", 1081);
}

// Reads the current user's real Internet settings key: the values are put
// back afterwards.
class SystemInternetSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kSystemKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, key_.Put(), nullptr),
                  ERROR_SUCCESS);
        for (Saved& saved : saved_) {
            DWORD size = sizeof(saved.data);
            saved.present = ::RegQueryValueExA(key_.Get(), saved.name, nullptr, &saved.type,
                                               saved.data, &size) == ERROR_SUCCESS;
            saved.size = size;
        }
    }
    void TearDown() override {
        for (Saved& saved : saved_) {
            if (saved.present)
                ::RegSetValueExA(key_.Get(), saved.name, 0, saved.type, saved.data, saved.size);
            else
                ::RegDeleteValueA(key_.Get(), saved.name);
        }
    }

    struct Saved {
        const char* name;
        bool present = false;
        DWORD type = 0;
        BYTE data[4096] = {};
        DWORD size = 0;
    };
    Saved saved_[3] = {{"ProxyEnable"}, {"ProxyServer"}, {"ProxyOverride"}};
    win::RegKey key_;
};

TEST_F(SystemInternetSettings, ResolvesFromTheCurrentUsersSettings) {
    ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kSystemKey, "ProxyEnable", 1));
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kSystemKey, "ProxyServer", "http=sys:8081"));
    ::RegDeleteValueA(key_.Get(), "ProxyOverride");
    ProxyEndpoint endpoint;
    endpoint.kind = kProxyIE;
    ResolveInternetSettings(endpoint, ProxyProtocol::kHttp);
    ExpectProxy(endpoint, kProxyHttp, "sys", 8081);
    endpoint = ProxyEndpoint();
    endpoint.kind = kProxyIE;
    ResolveInternetSettings(endpoint, ProxyProtocol::kFtp);
    ExpectProxy(endpoint, kProxyNone, "", 0);
}

}  // namespace
}  // namespace netclient
