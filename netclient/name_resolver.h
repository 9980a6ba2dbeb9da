#pragma once
// Name lookups that never hold their caller: the system's resolver may not
// answer for half a minute, and a stop or an exit must not wait for it.

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace netclient {

// A blocking lookup of one name: its IPv4 addresses (host order), first
// the one to connect to.
using NameLookup = bool (*)(const std::string& host, std::vector<uint32_t>& ipv4);

// Replaces the lookup for the whole process and returns the one before;
// the default asks the system's resolver.
NameLookup SetNameLookup(NameLookup lookup);

// The first IPv4 address of a host name or dotted address (host order). A
// name is looked up on a thread of its own, so the call returns as soon as
// `stopEvent` (may be null) is set or `timeoutMs` passes, whatever the
// resolver does; a lookup left so ends by itself and its answer is dropped.
bool ResolveHost(const std::string& host, uint32_t& ipv4, HANDLE stopEvent = nullptr,
                 DWORD timeoutMs = INFINITE);

// Every IPv4 address of a host name or dotted address, on the same terms.
bool ResolveHostAddresses(const std::string& host, std::vector<uint32_t>& ipv4,
                          HANDLE stopEvent = nullptr, DWORD timeoutMs = INFINITE);

}  // namespace netclient
