#pragma once
// How one protocol reaches its servers: directly or through a proxy.

#include <windows.h>

#include <cstdint>
#include <string>

namespace netclient {

// The downloader's ProxyServerType numbering, shared by the settings and the
// self-updater.
enum ProxyKind {
    kProxyNone = 0,
    kProxyIE = 1,  // the system's Internet settings; never left in an endpoint
    kProxyFtp = 2,
    kProxyHttp = 3,
    kProxySocks4 = 4,
    kProxySocks4a = 5,
    kProxySocks5 = 6,
};

// Ports used when the Internet settings name a proxy without one.
constexpr uint16_t kDefaultHttpProxyPort = 808;
constexpr uint16_t kDefaultFtpProxyPort = 2121;
constexpr uint16_t kDefaultSocksPort = 1080;

struct ProxyEndpoint {
    int kind = kProxyNone;
    std::string host;
    uint16_t port = 0;
    std::string userName;
    std::string password;
};

// One snapshot of how every protocol connects.
struct ProxyEndpoints {
    ProxyEndpoint http;
    ProxyEndpoint https;
    ProxyEndpoint ftp;
};

// Which entry of the Internet settings a transfer takes: "http=", "ftp=",
// or for HTTPS "https=" where the settings give one, else "http="; each
// falls back to "socks=".
enum class ProxyProtocol { kHttp, kHttps, kFtp };

// Replaces a kProxyIE endpoint by what the current user's Internet settings
// name for the protocol; the endpoint's user name and password stay. Any
// other endpoint is left as it is. Setting `stopEvent` (may be null) ends a
// name lookup of the proxy at once.
void ResolveInternetSettings(ProxyEndpoint& endpoint, ProxyProtocol protocol,
                             HANDLE stopEvent = nullptr);

// The same from an already open settings key (values "ProxyEnable",
// "ProxyServer", "ProxyOverride").
void ResolveProxySettings(HKEY settings, ProxyEndpoint& endpoint, ProxyProtocol protocol,
                          HANDLE stopEvent = nullptr);

}  // namespace netclient
