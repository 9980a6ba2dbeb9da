// Resolution of the current user's Internet settings into a proxy endpoint.

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "netclient/proxy_endpoint.h"
#include "win/unique_handle.h"

namespace netclient {
namespace {

constexpr char kSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr DWORD kProxyServerBytes = 1024;
constexpr DWORD kProxyOverrideBytes = 2048;
constexpr int kMaxLocalAddresses = 20;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string QueryString(HKEY key, const char* name, DWORD maxBytes) {
    std::vector<char> buffer(maxBytes + 1, '\0');
    DWORD size = maxBytes;
    DWORD type = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                           &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    return std::string(buffer.data());
}

// The entry after "name=" up to the next ";", trimmed; empty when absent.
bool FindEntry(const std::string& servers, const char* name, std::string& entry) {
    size_t pos = servers.find(name);
    if (pos == std::string::npos) return false;
    pos += strlen(name);
    size_t end = servers.find(';', pos);
    entry = Trim(servers.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    return true;
}

// Winsock for the duration of one resolution.
class WinsockScope {
public:
    WinsockScope() {
        WSADATA data;
        ok_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockScope() {
        if (ok_) ::WSACleanup();
    }
    WinsockScope(const WinsockScope&) = delete;
    WinsockScope& operator=(const WinsockScope&) = delete;

private:
    bool ok_ = false;
};

bool FirstAddress(const std::string& host, in_addr& address) {
    hostent* entry = ::gethostbyname(host.c_str());
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0]) return false;
    memcpy(&address, entry->h_addr_list[0], sizeof(address));
    return true;
}

bool IsOwnAddress(const in_addr& address) {
    char name[256] = {};
    if (::gethostname(name, sizeof(name)) != 0) return false;
    hostent* entry = ::gethostbyname(name);
    if (!entry || entry->h_addrtype != AF_INET) return false;
    for (int i = 0; i < kMaxLocalAddresses && entry->h_addr_list[i]; ++i) {
        in_addr own;
        memcpy(&own, entry->h_addr_list[i], sizeof(own));
        if (own.s_addr == address.s_addr) return true;
    }
    return false;
}

}  // namespace

void ResolveInternetSettings(ProxyEndpoint& endpoint, bool ftp) {
    if (endpoint.kind != kProxyIE) return;
    endpoint.kind = kProxyNone;
    endpoint.host.clear();
    endpoint.port = 0;

    win::RegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return;
    DWORD enabled = 0;
    DWORD size = sizeof(enabled);
    DWORD type = 0;
    if (::RegQueryValueExA(key.Get(), "ProxyEnable", nullptr, &type,
                           reinterpret_cast<BYTE*>(&enabled), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || enabled == 0)
        return;
    std::string servers = Lower(QueryString(key.Get(), "ProxyServer", kProxyServerBytes));
    if (servers.empty()) return;

    std::string entry;
    int kind;
    uint16_t defaultPort;
    if (FindEntry(servers, ftp ? "ftp=" : "http=", entry)) {
        kind = ftp ? kProxyFtp : kProxyHttp;
        defaultPort = ftp ? 2121 : 808;
    } else if (FindEntry(servers, "socks=", entry)) {
        kind = kProxySocks5;
        defaultPort = 1080;
    } else {
        return;
    }
    size_t colon = entry.find(':');
    std::string host = entry.substr(0, colon);
    int port = colon == std::string::npos ? 0 : atoi(entry.c_str() + colon + 1);
    if (host.empty()) return;

    endpoint.kind = kind;
    endpoint.host = host;
    endpoint.port = static_cast<uint16_t>(port != 0 ? port : defaultPort);

    std::string bypass = Lower(QueryString(key.Get(), "ProxyOverride", kProxyOverrideBytes));
    if (bypass.find("<local>") == std::string::npos) return;
    WinsockScope winsock;
    in_addr proxyAddress;
    if (FirstAddress(endpoint.host, proxyAddress) && IsOwnAddress(proxyAddress))
        endpoint = ProxyEndpoint();
}

}  // namespace netclient
