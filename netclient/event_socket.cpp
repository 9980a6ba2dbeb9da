#include "netclient/event_socket.h"

#include <climits>
#include <cstring>

namespace netclient {
namespace {

constexpr long kSocketEvents = FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE;

}  // namespace

EventSocket::EventSocket(HANDLE stopEvent, DWORD timeoutMs)
    : event_(::WSACreateEvent()), stop_(stopEvent), timeoutMs_(timeoutMs) {}

EventSocket::~EventSocket() {
    Close();
    if (event_ != WSA_INVALID_EVENT) ::WSACloseEvent(event_);
}

bool EventSocket::Connect(uint32_t ipv4, uint16_t port) {
    Close();
    if (!winsock_.Ok() || event_ == WSA_INVALID_EVENT) return false;
    socket_ = ::WSASocketA(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (socket_ == INVALID_SOCKET) return false;
    ::WSAResetEvent(event_);
    // Selecting every event once makes the socket non-blocking for good, so
    // reads can be tried before any wait.
    if (::WSAEventSelect(socket_, event_, kSocketEvents) != 0) {
        Close();
        return false;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(ipv4);
    address.sin_port = htons(port);
    if (::WSAConnect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof(address),
                     nullptr, nullptr, nullptr, nullptr) == 0)
        return true;
    if (::WSAGetLastError() != WSAEWOULDBLOCK) {
        Close();
        return false;
    }
    while (true) {
        WSANETWORKEVENTS happened = {};
        if (!Wait(happened)) break;
        if (happened.lNetworkEvents & FD_CONNECT) {
            if (happened.iErrorCode[FD_CONNECT_BIT] == 0) return true;
            break;
        }
    }
    Close();
    return false;
}

bool EventSocket::ConnectByName(const std::string& host, uint16_t port) {
    Close();
    uint32_t ipv4 = 0;
    return winsock_.Ok() && Resolve(host, ipv4) && Connect(ipv4, port);
}

bool EventSocket::Resolve(const std::string& host, uint32_t& ipv4) {
    return ResolveHost(host, ipv4, stop_, timeoutMs_);
}

bool EventSocket::SendAll(const char* data, size_t size) {
    if (socket_ == INVALID_SOCKET) return false;
    while (size > 0) {
        WSABUF buffer;
        buffer.buf = const_cast<char*>(data);
        buffer.len = static_cast<ULONG>(size > INT_MAX ? INT_MAX : size);
        DWORD sent = 0;
        if (::WSASend(socket_, &buffer, 1, &sent, 0, nullptr, nullptr) == 0) {
            if (sent == 0) return false;  // no progress: never spin on it
            data += sent;
            size -= sent;
            continue;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK) return false;
        WSANETWORKEVENTS happened = {};
        if (!Wait(happened)) return false;
        if ((happened.lNetworkEvents & FD_CLOSE) ||
            ((happened.lNetworkEvents & FD_WRITE) && happened.iErrorCode[FD_WRITE_BIT] != 0))
            return false;
    }
    return true;
}

int EventSocket::Receive(char* buffer, size_t size) {
    if (socket_ == INVALID_SOCKET || size == 0) return -1;
    while (true) {
        WSABUF piece;
        piece.buf = buffer;
        piece.len = static_cast<ULONG>(size > INT_MAX ? INT_MAX : size);
        DWORD received = 0;
        DWORD flags = 0;
        if (::WSARecv(socket_, &piece, 1, &received, &flags, nullptr, nullptr) == 0)
            return static_cast<int>(received);
        if (::WSAGetLastError() != WSAEWOULDBLOCK) return -1;
        WSANETWORKEVENTS happened = {};
        if (!Wait(happened)) return -1;
    }
}

bool EventSocket::ReceiveExactly(char* buffer, size_t size) {
    while (size > 0) {
        int received = Receive(buffer, size);
        if (received <= 0) return false;
        buffer += received;
        size -= static_cast<size_t>(received);
    }
    return true;
}

void EventSocket::Close() {
    if (socket_ == INVALID_SOCKET) return;
    ::shutdown(socket_, SD_BOTH);
    ::closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

bool EventSocket::PeerAddress(uint32_t& ipv4) const {
    sockaddr_in address = {};
    int length = sizeof(address);
    if (socket_ == INVALID_SOCKET ||
        ::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        address.sin_family != AF_INET)
        return false;
    ipv4 = ntohl(address.sin_addr.s_addr);
    return true;
}

bool EventSocket::Wait(WSANETWORKEVENTS& happened) {
    // The stop event comes first so that it wins over a busy connection.
    HANDLE handles[2];
    DWORD count = 0;
    if (stop_) handles[count++] = stop_;
    handles[count++] = event_;
    DWORD start = ::GetTickCount();
    while (true) {
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs_) return false;
        DWORD result = ::WaitForMultipleObjectsEx(count, handles, FALSE, timeoutMs_ - elapsed, TRUE);
        if (result == WAIT_IO_COMPLETION) continue;
        if (result != WAIT_OBJECT_0 + count - 1) return false;
        return ::WSAEnumNetworkEvents(socket_, event_, &happened) == 0;
    }
}

}  // namespace netclient
