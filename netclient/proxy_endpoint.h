#pragma once
// How one protocol reaches its servers: directly or through a proxy.

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

struct ProxyEndpoint {
    int kind = kProxyNone;
    std::string host;
    uint16_t port = 0;
    std::string userName;
    std::string password;
};

// Replaces a kProxyIE endpoint by what the current user's Internet settings
// name for the protocol (HTTP, or FTP when `ftp` is true); the endpoint's
// user name and password stay. Any other endpoint is left as it is.
void ResolveInternetSettings(ProxyEndpoint& endpoint, bool ftp);

}  // namespace netclient
