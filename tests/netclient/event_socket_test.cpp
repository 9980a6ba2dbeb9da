#include "netclient/event_socket.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "netclient/proxy_endpoint.h"
#include "netclient/transfer.h"
#include "tests/support/test_support.h"
#include "win/registry.h"
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

// A resolver that does not answer until the test lets it (or 30 s pass),
// and one that answers every name with loopback.
HANDLE g_lookupEntered = nullptr;
HANDLE g_lookupRelease = nullptr;

bool HangingLookup(const std::string&, std::vector<uint32_t>&) {
    ::SetEvent(g_lookupEntered);
    ::WaitForSingleObject(g_lookupRelease, 30000);
    return false;
}

bool LoopbackLookup(const std::string&, std::vector<uint32_t>& ipv4) {
    ipv4.push_back(INADDR_LOOPBACK);
    return true;
}

class NameLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_lookupEntered = entered_.Get();
        g_lookupRelease = release_.Get();
    }
    void TearDown() override {
        ::SetEvent(release_.Get());
        SetNameLookup(nullptr);
    }

    // Runs `call` on a thread, sets `stop` once the resolver hangs, and
    // says whether the call returned while the resolver was still held.
    template <typename Call>
    bool StopEndsCall(HANDLE stop, Call call) {
        SetNameLookup(&HangingLookup);
        win::KernelHandle returned(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        std::thread caller([&] {
            call();
            ::SetEvent(returned.Get());
        });
        const bool hung = ::WaitForSingleObject(entered_.Get(), kQuickMs) == WAIT_OBJECT_0;
        const DWORD start = ::GetTickCount();
        ::SetEvent(stop);
        const bool ended = ::WaitForSingleObject(returned.Get(), kQuickMs) == WAIT_OBJECT_0;
        RecordProperty("stop_ms", static_cast<int>(::GetTickCount() - start));
        ::SetEvent(release_.Get());
        caller.join();
        return hung && ended;
    }

    win::KernelHandle entered_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    win::KernelHandle release_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

// A stop must not wait for a resolver that hangs: neither a plain connect
// nor a transfer's open (the path of a job's stop and of an exit).
TEST_F(NameLookupTest, AStopEndsAHangingLookupAtOnce) {
    win::KernelHandle stop(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    bool connected = true;
    EXPECT_TRUE(StopEndsCall(stop.Get(), [&] {
        EventSocket socket(stop.Get(), 600000);
        connected = socket.ConnectByName("hanging.test", 80);
    }));
    EXPECT_FALSE(connected);

    ::ResetEvent(stop.Get());
    ::ResetEvent(entered_.Get());
    ::ResetEvent(release_.Get());
    int opened = 0;
    EXPECT_TRUE(StopEndsCall(stop.Get(), [&] {
        TransferSettings settings;
        settings.url = "http://hanging.test/file.bin";
        settings.timeoutMs = 600000;
        settings.stopEvent = stop.Get();
        std::unique_ptr<Transfer> transfer = MakeTransfer(settings);
        opened = transfer ? transfer->Open(0) : 0;
        if (transfer) transfer->Close();
    }));
    EXPECT_NE(kOpened, opened);

    // A bypass list with <local> asks whether the proxy is this computer,
    // which resolves this computer's own name.
    ::ResetEvent(stop.Get());
    ::ResetEvent(entered_.Get());
    ::ResetEvent(release_.Get());
    testing_support::TestRegistryKey settings;
    ASSERT_TRUE(testing_support::SetRegDword(settings.Root(), settings.Path(), "ProxyEnable", 1));
    ASSERT_TRUE(testing_support::SetRegString(settings.Root(), settings.Path(), "ProxyServer",
                                              "http=10.1.2.3:3128"));
    ASSERT_TRUE(testing_support::SetRegString(settings.Root(), settings.Path(), "ProxyOverride",
                                              "<local>"));
    win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(settings.Root(), settings.Path().c_str(), 0, KEY_READ, key.Put()));
    ProxyEndpoint endpoint;
    endpoint.kind = kProxyIE;
    EXPECT_TRUE(StopEndsCall(stop.Get(), [&] {
        ResolveProxySettings(key.Get(), endpoint, ProxyProtocol::kHttp, stop.Get());
    }));
    EXPECT_EQ(kProxyHttp, endpoint.kind);  // not known to be this computer: kept
}

TEST_F(NameLookupTest, ALookupThatAnswersConnectsAndDottedAddressesNeedNone) {
    LoopbackPeer peer;
    SetNameLookup(&LoopbackLookup);
    EventSocket socket(nullptr, kTimeoutMs);
    EXPECT_TRUE(socket.ConnectByName("peer.test", peer.Port()));
    // A dotted address never reaches the resolver, even one that hangs.
    SetNameLookup(&HangingLookup);
    uint32_t address = 0;
    EXPECT_TRUE(ResolveHost("10.1.2.3", address));
    EXPECT_EQ(0x0A010203u, address);
    EXPECT_NE(WAIT_OBJECT_0, ::WaitForSingleObject(entered_.Get(), 0));
    // The socket's time-out bounds a lookup as it bounds every other wait.
    EXPECT_FALSE(socket.ConnectByName("hanging.test", peer.Port()));
}

}  // namespace
}  // namespace netclient
