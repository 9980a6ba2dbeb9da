#pragma once
// A stream socket whose every wait ends on the time-out or on the owning
// thread's stop event. Data that is already there is taken without waiting.

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "netclient/name_resolver.h"
#include "netclient/winsock_session.h"

namespace netclient {

class EventSocket {
public:
    // `stopEvent` may be null (no stop); it stays owned by the caller.
    EventSocket(HANDLE stopEvent, DWORD timeoutMs);
    ~EventSocket();
    EventSocket(const EventSocket&) = delete;
    EventSocket& operator=(const EventSocket&) = delete;

    // Address and port in host order. Closes any earlier connection first.
    bool Connect(uint32_t ipv4, uint16_t port);
    bool ConnectByName(const std::string& host, uint16_t port);
    // Looks a name up within this socket's time-out and stop event.
    bool Resolve(const std::string& host, uint32_t& ipv4);

    // Sends every byte; false on an error, a time-out, the stop event, or a
    // send that reports no progress.
    bool SendAll(const char* data, size_t size);
    bool SendAll(const std::string& data) { return SendAll(data.data(), data.size()); }

    // Up to `size` bytes: the count (> 0), 0 when the peer closed the
    // connection, -1 on an error, a time-out or the stop event.
    int Receive(char* buffer, size_t size);
    // Exactly `size` bytes, or false.
    bool ReceiveExactly(char* buffer, size_t size);

    void Close();
    bool IsOpen() const { return socket_ != INVALID_SOCKET; }
    // The connected peer's address (host order).
    bool PeerAddress(uint32_t& ipv4) const;

private:
    // Waits for a network event; false on the time-out, the stop event or an
    // error.
    bool Wait(WSANETWORKEVENTS& happened);

    WinsockSession winsock_;
    SOCKET socket_ = INVALID_SOCKET;
    WSAEVENT event_ = WSA_INVALID_EVENT;
    HANDLE stop_;
    DWORD timeoutMs_;
};

}  // namespace netclient
