#pragma once
// What the HTTP and FTP clients share: the settings they were made with, the
// cracked URL, the credentials, and what an open learned about the file.

#include <cstdint>
#include <string>

#include "netclient/event_socket.h"
#include "netclient/proxy_endpoint.h"
#include "netclient/transfer.h"
#include "netclient/url.h"

namespace netclient {

class ProtocolTransfer : public Transfer {
public:
    uint64_t RemoteLength() const override { return remoteLength_; }
    FILETIME RemoteTime() const override { return remoteTime_; }
    bool OffsetHonoured() const override { return offsetHonoured_; }
    const std::string& Url() const override { return url_; }

protected:
    ProtocolTransfer(const TransferSettings& settings, const ProxyEndpoint& proxy);

    // Cracks the current URL; the URL's own user name and password replace
    // the job's when it names a user.
    bool CrackCurrentUrl();
    // Connects to a host directly or through the SOCKS proxy; false for any
    // other proxy kind.
    bool ConnectDirectOrSocks(EventSocket& socket, const std::string& host, uint16_t port) const;

    const TransferSettings settings_;
    const ProxyEndpoint proxy_;
    std::string url_;
    CrackedUrl target_;
    std::string userName_;
    std::string password_;
    uint64_t remoteLength_ = 0;
    FILETIME remoteTime_;
    bool offsetHonoured_ = false;
    bool open_ = false;
};

}  // namespace netclient
