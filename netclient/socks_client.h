#pragma once
// Opening a connection to a target host through a SOCKS 4, 4a or 5 proxy.

#include <cstdint>
#include <string>

#include "netclient/event_socket.h"
#include "netclient/proxy_endpoint.h"

namespace netclient {

// Connects `socket` to the proxy and runs the handshake for `host`:`port`
// (host order). A host that does not resolve here goes to SOCKS 4a and 5 by
// name. Any failure closes the socket.
bool ConnectThroughSocks(EventSocket& socket, const ProxyEndpoint& proxy, const std::string& host,
                         uint16_t port);

}  // namespace netclient
