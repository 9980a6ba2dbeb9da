#include "netclient/name_resolver.h"

#include <atomic>
#include <cstring>
#include <memory>

#include "netclient/detached_call.h"
#include "netclient/winsock_session.h"

namespace netclient {
namespace {

// More addresses than any one computer has; a list beyond it is not read.
constexpr size_t kMaxAddresses = 20;

bool SystemLookup(const std::string& host, std::vector<uint32_t>& ipv4) {
    hostent* entry = ::gethostbyname(host.c_str());
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4) return false;
    for (size_t i = 0; i < kMaxAddresses && entry->h_addr_list[i]; ++i) {
        in_addr address;
        memcpy(&address, entry->h_addr_list[i], sizeof(address));
        ipv4.push_back(ntohl(address.s_addr));
    }
    return !ipv4.empty();
}

std::atomic<NameLookup> g_lookup{&SystemLookup};

bool DottedAddress(const std::string& host, uint32_t& ipv4) {
    const unsigned long address = ::inet_addr(host.c_str());
    if (address == INADDR_NONE && host != "255.255.255.255") return false;
    ipv4 = ntohl(address);
    return true;
}

}  // namespace

NameLookup SetNameLookup(NameLookup lookup) {
    return g_lookup.exchange(lookup ? lookup : &SystemLookup);
}

bool ResolveHost(const std::string& host, uint32_t& ipv4, HANDLE stopEvent, DWORD timeoutMs) {
    std::vector<uint32_t> addresses;
    if (!ResolveHostAddresses(host, addresses, stopEvent, timeoutMs)) return false;
    ipv4 = addresses.front();
    return true;
}

bool ResolveHostAddresses(const std::string& host, std::vector<uint32_t>& ipv4, HANDLE stopEvent,
                          DWORD timeoutMs) {
    ipv4.clear();
    if (host.empty()) return false;
    uint32_t dotted = 0;
    if (DottedAddress(host, dotted)) {
        ipv4.push_back(dotted);
        return true;
    }
    // The lookup's results are shared: a lookup left behind writes into its
    // own copy, never into the caller's vector.
    auto found = std::make_shared<std::vector<uint32_t>>();
    const NameLookup lookup = g_lookup.load();
    auto work = [found, lookup, host] {
        WinsockSession winsock;
        if (!winsock.Ok() || !lookup(host, *found)) found->clear();
    };
    if (!CallDetached(work, stopEvent, timeoutMs) || found->empty()) return false;
    ipv4 = *found;
    return true;
}

}  // namespace netclient
