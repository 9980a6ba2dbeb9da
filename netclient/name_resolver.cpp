#include "netclient/name_resolver.h"

#include <atomic>
#include <cstring>
#include <new>

#include "netclient/winsock_session.h"

namespace netclient {
namespace {

bool SystemLookup(const std::string& host, uint32_t& ipv4) {
    hostent* entry = ::gethostbyname(host.c_str());
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list[0])
        return false;
    in_addr address;
    memcpy(&address, entry->h_addr_list[0], sizeof(address));
    ipv4 = ntohl(address.s_addr);
    return true;
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
    uint32_t ipv4 = 0;
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
        l->found = winsock.Ok() && l->lookup(l->host, l->ipv4);
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
    if (host.empty()) return false;
    if (DottedAddress(host, ipv4)) return true;
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
