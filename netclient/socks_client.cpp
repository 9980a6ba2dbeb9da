#include "netclient/socks_client.h"

#include "netclient/socks_messages.h"

namespace netclient {
namespace {

// Replies are read to their exact size: what follows belongs to the tunnel
// (an FTP greeting may arrive in the same packet).
bool Exchange(EventSocket& socket, const std::string& request, uint8_t* reply, size_t size) {
    return socket.SendAll(request) && socket.ReceiveExactly(reinterpret_cast<char*>(reply), size);
}

bool Socks4(EventSocket& socket, const ProxyEndpoint& proxy, const std::string& host,
            uint16_t port, bool byName) {
    std::string request;
    uint32_t address = 0;
    if (socket.Resolve(host, address)) {
        request = Socks4Request(address, port, proxy.userName);
    } else if (byName) {
        request = Socks4aRequest(host, port, proxy.userName);
    } else {
        return false;  // SOCKS 4 carries addresses only
    }
    uint8_t reply[kSocks4ReplySize] = {};
    return socket.ConnectByName(proxy.host, proxy.port) &&
           Exchange(socket, request, reply, sizeof(reply)) && Socks4Granted(reply, sizeof(reply));
}

bool Socks5(EventSocket& socket, const ProxyEndpoint& proxy, const std::string& host,
            uint16_t port) {
    uint8_t reply[kSocks5ReplyHeadSize + 255 + 2] = {};
    if (!socket.ConnectByName(proxy.host, proxy.port) ||
        !Exchange(socket, Socks5Greeting(), reply, kSocks5MethodReplySize))
        return false;
    int method = Socks5ChosenMethod(reply, kSocks5MethodReplySize);
    if (method < 0) return false;
    if (method == kSocks5MethodPassword) {
        std::string login;
        if (!Socks5PasswordRequest(proxy.userName, proxy.password, login) ||
            !Exchange(socket, login, reply, kSocks5AuthReplySize) ||
            !Socks5PasswordAccepted(reply, kSocks5AuthReplySize))
            return false;
    }
    std::string request;
    uint32_t address = 0;
    if (socket.Resolve(host, address)) {
        request = Socks5ConnectByAddress(address, port);
    } else if (!Socks5ConnectByName(host, port, request)) {
        return false;
    }
    if (!Exchange(socket, request, reply, kSocks5ReplyHeadSize)) return false;
    size_t size = Socks5ReplySize(reply, kSocks5ReplyHeadSize);
    return size >= kSocks5ReplyHeadSize &&
           socket.ReceiveExactly(reinterpret_cast<char*>(reply) + kSocks5ReplyHeadSize,
                                 size - kSocks5ReplyHeadSize);
}

}  // namespace

bool ConnectThroughSocks(EventSocket& socket, const ProxyEndpoint& proxy, const std::string& host,
                         uint16_t port) {
    bool connected = false;
    switch (proxy.kind) {
    case kProxySocks4: connected = Socks4(socket, proxy, host, port, false); break;
    case kProxySocks4a: connected = Socks4(socket, proxy, host, port, true); break;
    case kProxySocks5: connected = Socks5(socket, proxy, host, port); break;
    default: break;
    }
    if (!connected) socket.Close();
    return connected;
}

}  // namespace netclient
