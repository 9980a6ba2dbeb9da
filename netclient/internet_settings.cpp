// Resolution of the current user's Internet settings into a proxy endpoint.

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "netclient/event_socket.h"
#include "netclient/name_resolver.h"
#include "netclient/proxy_endpoint.h"
#include "netclient/text_util.h"
#include "win/registry.h"
#include "win/unique_handle.h"

namespace netclient {
namespace {

constexpr char kSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr DWORD kProxyServerBytes = 1024;
constexpr DWORD kProxyOverrideBytes = 2048;
constexpr uint32_t kLoopbackNet = 127;
constexpr unsigned long kMaxPort = 65535;

// The entry after "name=" up to the next ";", trimmed; empty when absent.
bool FindEntry(const std::string& servers, const char* name, std::string& entry) {
    size_t pos = servers.find(name);
    if (pos == std::string::npos) return false;
    pos += strlen(name);
    size_t end = servers.find(';', pos);
    entry = TrimBlanks(servers.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    return true;
}

bool IsOwnAddress(uint32_t address, HANDLE stopEvent) {
    // Loopback addresses are this computer's whatever its name resolves to.
    if ((address >> 24) == kLoopbackNet) return true;
    char name[256] = {};
    if (::gethostname(name, sizeof(name)) != 0) return false;
    // Resolving our own name may hang like any lookup; a stop must not wait.
    std::vector<uint32_t> own;
    if (!ResolveHostAddresses(name, own, stopEvent)) return false;
    return std::find(own.begin(), own.end(), address) != own.end();
}

}  // namespace

void ResolveProxySettings(HKEY settings, ProxyEndpoint& endpoint, ProxyProtocol protocol,
                          HANDLE stopEvent) {
    if (endpoint.kind != kProxyIE) return;
    endpoint.kind = kProxyNone;
    endpoint.host.clear();
    endpoint.port = 0;

    DWORD enabled = 0;
    if (!win::QueryRegDword(settings, "ProxyEnable", enabled) || enabled == 0) return;
    std::string servers = ToLower(win::QueryRegString(settings, "ProxyServer", kProxyServerBytes));
    if (servers.empty()) return;

    std::string entry;
    int kind;
    uint16_t defaultPort;
    const bool ftp = protocol == ProxyProtocol::kFtp;
    // An https entry is an HTTP proxy that tunnels; without one, the http
    // entry's proxy is asked to.
    if ((protocol == ProxyProtocol::kHttps && FindEntry(servers, "https=", entry)) ||
        FindEntry(servers, ftp ? "ftp=" : "http=", entry)) {
        kind = ftp ? kProxyFtp : kProxyHttp;
        defaultPort = ftp ? kDefaultFtpProxyPort : kDefaultHttpProxyPort;
    } else if (FindEntry(servers, "socks=", entry)) {
        kind = kProxySocks5;
        defaultPort = kDefaultSocksPort;
    } else {
        return;
    }
    size_t colon = entry.find(':');
    std::string host = TrimBlanks(entry.substr(0, colon));
    if (host.empty()) return;
    // A port that is missing, unreadable or out of range takes the default.
    unsigned long long port = 0;
    if (colon == std::string::npos || !ParseUnsigned(entry.substr(colon + 1), port) ||
        port > kMaxPort)
        port = 0;

    endpoint.kind = kind;
    endpoint.host = host;
    endpoint.port = static_cast<uint16_t>(port != 0 ? port : defaultPort);

    std::string bypass = ToLower(win::QueryRegString(settings, "ProxyOverride", kProxyOverrideBytes));
    if (bypass.find("<local>") == std::string::npos) return;
    WinsockSession winsock;
    uint32_t proxyAddress = 0;
    if (winsock.Ok() && ResolveHost(endpoint.host, proxyAddress, stopEvent) &&
        IsOwnAddress(proxyAddress, stopEvent))
        endpoint = ProxyEndpoint();
}

void ResolveInternetSettings(ProxyEndpoint& endpoint, ProxyProtocol protocol, HANDLE stopEvent) {
    if (endpoint.kind != kProxyIE) return;
    win::RegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        ProxyEndpoint direct;
        direct.userName = endpoint.userName;
        direct.password = endpoint.password;
        endpoint = direct;
        return;
    }
    ResolveProxySettings(key.Get(), endpoint, protocol, stopEvent);
}

}  // namespace netclient
