#include "zema/options/network_options.h"

namespace zema {
namespace {

// The downloader's proxy server types.
constexpr int kProxyFtp = 2;
constexpr int kProxyHttp = 3;
constexpr int kProxySocks4 = 4;
constexpr int kProxySocks4a = 5;
constexpr int kProxySocks5 = 6;

constexpr int kFtpProxyPort = 2121;
constexpr int kHttpProxyPort = 808;
constexpr int kSocksPort = 1080;

}  // namespace

NetworkOptions NetworkOptions::Load(SettingsStore& settings) {
    NetworkOptions o;
    o.records_[kProtocolHttp] = settings.GetHttpNetwork(true);
    o.records_[kProtocolFtp] = settings.GetFtpNetwork(true);
    return o;
}

void NetworkOptions::Save(SettingsStore& settings) const {
    settings.SetHttpNetwork(records_[kProtocolHttp], true);
    settings.SetFtpNetwork(records_[kProtocolFtp], true);
}

const std::vector<ProxyTypeItem>& NetworkOptions::ProxyTypes(NetworkProtocol protocol) {
    static const std::vector<ProxyTypeItem> http = {
        {"rns_proxy_type_http", kProxyHttp},
        {"rns_proxy_type_socks4", kProxySocks4},
        {"rns_proxy_type_socks4a", kProxySocks4a},
        {"rns_proxy_type_socks5", kProxySocks5},
    };
    static const std::vector<ProxyTypeItem> ftp = {
        {"rns_proxy_type_ftp", kProxyFtp},
        {"rns_proxy_type_socks4", kProxySocks4},
        {"rns_proxy_type_socks4a", kProxySocks4a},
        {"rns_proxy_type_socks5", kProxySocks5},
    };
    return protocol == kProtocolFtp ? ftp : http;
}

int NetworkOptions::ProxyTypeIndex(NetworkProtocol protocol, int type) {
    const std::vector<ProxyTypeItem>& items = ProxyTypes(protocol);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].type == type) return static_cast<int>(i);
    return 0;
}

int NetworkOptions::DefaultPort(int proxyType) {
    switch (proxyType) {
    case kProxyFtp: return kFtpProxyPort;
    case kProxyHttp: return kHttpProxyPort;
    case kProxySocks4:
    case kProxySocks4a:
    case kProxySocks5: return kSocksPort;
    }
    return 0;
}

int NetworkOptions::ShownPort(NetworkProtocol protocol, const NetworkGroup& record) {
    if (record.proxyServerPort != 0) return record.proxyServerPort;
    return DefaultPort(ProxyTypes(protocol)[ProxyTypeIndex(protocol, record.proxyServerType)].type);
}

}  // namespace zema
