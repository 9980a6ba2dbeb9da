#include "netclient/protocol_transfer.h"

#include "netclient/http_head.h"
#include "netclient/socks_client.h"

namespace netclient {

ProtocolTransfer::ProtocolTransfer(const TransferSettings& settings, const ProxyEndpoint& proxy)
    : settings_(settings),
      proxy_(proxy),
      url_(settings.url),
      userName_(settings.userName),
      password_(settings.password),
      remoteTime_(UnixEpochFileTime()) {}

bool ProtocolTransfer::CrackCurrentUrl() {
    if (!CrackUrl(url_, target_)) return false;
    // Line breaks would end a request line or an FTP command early and
    // smuggle in one of the URL's choosing.
    for (const std::string* part : {&target_.host, &target_.path, &target_.userName,
                                    &target_.password}) {
        if (part->find_first_of("\r\n") != std::string::npos) return false;
    }
    userName_ = settings_.userName;
    password_ = settings_.password;
    if (!target_.userName.empty()) {
        userName_ = target_.userName;
        password_ = target_.password;
    }
    return true;
}

bool ProtocolTransfer::ConnectDirectOrSocks(EventSocket& socket, const std::string& host,
                                            uint16_t port) const {
    switch (proxy_.kind) {
    case kProxyNone: return socket.ConnectByName(host, port);
    case kProxySocks4:
    case kProxySocks4a:
    case kProxySocks5: return ConnectThroughSocks(socket, proxy_, host, port);
    default: return false;
    }
}

}  // namespace netclient
