#include "netclient/event_socket.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "win/unique_handle.h"

namespace netclient {
namespace {

constexpr DWORD kTimeoutMs = 800;
constexpr DWORD kQuickMs = 5000;

// A listening loopback socket whose one accepted peer the test drives.
class LoopbackPeer {
public:
    LoopbackPeer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            ::listen(listener_, 1) == 0 &&
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~LoopbackPeer() {
        ClosePeer();
        if (listener_ != INVALID_SOCKET) ::closesocket(listener_);
    }

    uint16_t Port() const { return port_; }
    bool Accept() {
        peer_ = ::accept(listener_, nullptr, nullptr);
        return peer_ != INVALID_SOCKET;
    }
    void Send(const std::string& data) { ::send(peer_, data.data(), static_cast<int>(data.size()), 0); }
    std::string ReceiveSome() {
        char buffer[4096];
        int got = ::recv(peer_, buffer, sizeof(buffer), 0);
        return got > 0 ? std::string(buffer, static_cast<size_t>(got)) : std::string();
    }
    void ClosePeer() {
        if (peer_ == INVALID_SOCKET) return;
        ::closesocket(peer_);
        peer_ = INVALID_SOCKET;
    }

private:
    WinsockSession winsock_;
    SOCKET listener_ = INVALID_SOCKET;
    SOCKET peer_ = INVALID_SOCKET;
    uint16_t port_ = 0;
};

class EventSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        stop_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(stop_);
        ASSERT_NE(peer_.Port(), 0);
        ASSERT_TRUE(socket_.ConnectByName("127.0.0.1", peer_.Port()));
        ASSERT_TRUE(peer_.Accept());
    }

    LoopbackPeer peer_;
    win::KernelHandle stop_;
    EventSocket socket_{nullptr, kTimeoutMs};
};

TEST_F(EventSocketTest, SendsAndReceivesInBothDirections) {
    ASSERT_TRUE(socket_.SendAll("hello"));
    EXPECT_EQ(peer_.ReceiveSome(), "hello");
    peer_.Send("world!");
    char buffer[6];
    ASSERT_TRUE(socket_.ReceiveExactly(buffer, sizeof(buffer)));
    EXPECT_EQ(std::string(buffer, sizeof(buffer)), "world!");
    uint32_t address = 0;
    ASSERT_TRUE(socket_.PeerAddress(address));
    EXPECT_EQ(address, 0x7F000001u);
}

TEST_F(EventSocketTest, AnOrderlyCloseReadsAsZeroAfterTheLastBytes) {
    peer_.Send("tail");
    peer_.ClosePeer();
    char buffer[16];
    std::string got;
    int received = 0;
    while ((received = socket_.Receive(buffer, sizeof(buffer))) > 0) got.append(buffer, received);
    EXPECT_EQ(got, "tail");
    EXPECT_EQ(received, 0);
    EXPECT_FALSE(socket_.ReceiveExactly(buffer, 1));
}

TEST_F(EventSocketTest, ASilentPeerEndsTheWaitAtTheTimeOut) {
    char buffer[16];
    DWORD start = ::GetTickCount();
    EXPECT_EQ(socket_.Receive(buffer, sizeof(buffer)), -1);
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_GE(elapsed, kTimeoutMs - 50);
    EXPECT_LT(elapsed, kQuickMs);
}

TEST(EventSocket, TheStopEventEndsAWaitAtOnce) {
    LoopbackPeer peer;
    win::KernelHandle stop(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    EventSocket socket(stop.Get(), 600000);
    ASSERT_TRUE(socket.ConnectByName("127.0.0.1", peer.Port()));
    ASSERT_TRUE(peer.Accept());
    std::thread stopper([&stop] {
        ::Sleep(200);
        ::SetEvent(stop.Get());
    });
    char buffer[16];
    DWORD start = ::GetTickCount();
    EXPECT_EQ(socket.Receive(buffer, sizeof(buffer)), -1);
    stopper.join();
    EXPECT_LT(::GetTickCount() - start, kQuickMs);
    // Data that is already there needs no wait, so it is still handed out.
    peer.Send("x");
    ::Sleep(100);
    EXPECT_EQ(socket.Receive(buffer, sizeof(buffer)), 1);
}

TEST(EventSocket, RefusedOrUnresolvableConnectsFail) {
    EventSocket socket(nullptr, kTimeoutMs);
    EXPECT_FALSE(socket.ConnectByName("127.0.0.1", 1));
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_FALSE(socket.ConnectByName("no-such-host.invalid", 80));
    EXPECT_FALSE(socket.ConnectByName("", 80));
    char buffer[4];
    EXPECT_EQ(socket.Receive(buffer, sizeof(buffer)), -1);
    EXPECT_FALSE(socket.SendAll("x"));
}

}  // namespace
}  // namespace netclient
