#include "netclient/name_resolver.h"

#include <atomic>
#include <cstring>
#include <new>

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

// Shared by the caller and the lookup thread; whichever is last frees it.
struct Lookup {
    std::atomic<int> refs{2};
    std::string host;
    NameLookup lookup = nullptr;
    std::vector<uint32_t> ipv4;
    bool found = false;
    HANDLE done = nullptr;
    HMODULE module = nullptr;

    void Release() {
        if (--refs != 0) return;
        ::CloseHandle(done);
        delete this;
    }
};

DWORD WINAPI LookupThread(void* param) {
    Lookup* l = static_cast<Lookup*>(param);
    {
        WinsockSession winsock;
        l->found = winsock.Ok() && l->lookup(l->host, l->ipv4) && !l->ipv4.empty();
    }
    ::SetEvent(l->done);
    const HMODULE module = l->module;
    l->Release();
    // The thread may outlive every caller: it holds the module that its code
    // lives in until its last instruction.
    ::FreeLibraryAndExitThread(module, 0);
    return 0;
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
    Lookup* l = new (std::nothrow) Lookup;
    if (!l) return false;
    l->host = host;
    l->lookup = g_lookup.load();
    l->done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!l->done || !::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                          reinterpret_cast<LPCSTR>(&LookupThread), &l->module)) {
        if (l->done) ::CloseHandle(l->done);
        delete l;
        return false;
    }
    HANDLE thread = ::CreateThread(nullptr, 0, &LookupThread, l, 0, nullptr);
    if (!thread) {
        ::FreeLibrary(l->module);
        ::CloseHandle(l->done);
        delete l;
        return false;
    }
    ::CloseHandle(thread);
    HANDLE handles[2] = {l->done, stopEvent};
    const DWORD waited = ::WaitForMultipleObjects(stopEvent ? 2 : 1, handles, FALSE, timeoutMs);
    const bool found = waited == WAIT_OBJECT_0 && l->found;
    if (found) ipv4 = l->ipv4;
    l->Release();
    return found;
}

}  // namespace netclient
