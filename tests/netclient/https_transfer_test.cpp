// HttpTransfer over TLS against nginx, squid, dante and the scripted TLS
// peers, with certificates made when the peers start and their CA trusted in
// the test prefix.
#include "netclient/http_transfer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>

#include "tests/netclient/peer_config.h"

namespace netclient {
namespace {

using netclient_tests::Fetch;
using netclient_tests::FetchResult;
using netclient_tests::Pattern;
using netclient_tests::kQuickEnoughMs;

using HttpsPeers = netclient_tests::PeerTest;

TEST_F(HttpsPeers, RsaAndEcdsaServersGiveTheWholeFile) {
    const std::string source = peers_.ServedFile("medium.bin");
    for (const char* peer : {"tls", "tls_ecdsa"}) {
        HttpTransfer whole(Settings(peers_.HttpsUrl(peer, "/files/medium.bin")));
        FetchResult result = Fetch(whole, 0);
        ASSERT_EQ(result.open, kOpened) << peer << " " << static_cast<int>(whole.LastTlsFailure());
        EXPECT_TRUE(result.data == source) << peer;
        EXPECT_EQ(whole.RemoteLength(), source.size());
    }
}

TEST_F(HttpsPeers, RecordsCutAnywhereStillMakeTheFile) {
    // The relay cuts both directions into pieces, many shorter than a record
    // header: the handshake and the records arrive in fragments.
    for (int round = 0; round < 3; ++round) {
        HttpTransfer transfer(Settings(peers_.HttpsUrl("script_tls_pieces", "/files/medium.bin")));
        FetchResult result = Fetch(transfer, 0);
        ASSERT_EQ(result.open, kOpened) << static_cast<int>(transfer.LastTlsFailure());
        EXPECT_TRUE(result.data == peers_.ServedFile("medium.bin")) << "round " << round;
    }
}

TEST_F(HttpsPeers, ThroughSquidsTunnelTheProxysCredentialsStayWithTheProxy) {
    struct Case {
        const char* peer;
        const char* user;
        const char* password;
    } cases[] = {{"squid", "", ""}, {"squid_basic", "proxyuser", "proxypass"},
                 {"squid_ntlm", "", ""}};
    for (const Case& c : cases) {
        FetchResult file = [&] {
            HttpTransfer transfer(ViaProxy(peers_.HttpsUrl("tls", "/files/small.bin"),
                                           kProxyHttp, c.peer, c.user, c.password));
            return Fetch(transfer, 0);
        }();
        ASSERT_EQ(file.open, kOpened) << c.peer;
        EXPECT_EQ(file.data, peers_.ServedFile("small.bin")) << c.peer;
        HttpTransfer info(ViaProxy(peers_.HttpsUrl("tls", "/conn-info"), kProxyHttp, c.peer,
                                   c.user, c.password));
        FetchResult seen = Fetch(info, 0);
        ASSERT_EQ(seen.open, kOpened) << c.peer;
        EXPECT_NE(seen.data.find("proxyauth=\n"), std::string::npos) << seen.data;
    }
    const std::string log = peers_.PeerLog("squid/access.log");
    EXPECT_NE(log.find("CONNECT localhost:" + std::to_string(peers_.Port("tls"))),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("proxyuser"), std::string::npos) << log;
    HttpTransfer refused(ViaProxy(peers_.HttpsUrl("tls", "/files/small.bin"), kProxyHttp,
                                  "squid_basic", "proxyuser", "wrong"));
    EXPECT_EQ(refused.Open(0), kOpenFailed);
}

struct RefusalCase {
    const char* peer;
    CertificateVerdict verdict;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.peer; }

class RefusedCertificates : public HttpsPeers,
                            public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedCertificates, FailTheOpenBeforeAnyRequestIsSent) {
    const RefusalCase& c = GetParam();
    HttpTransfer transfer(Settings(peers_.HttpsUrl(c.peer, "/files/small.bin")));
    EXPECT_EQ(transfer.Open(0), kOpenFailed);
    EXPECT_EQ(transfer.LastTlsFailure(), TlsFailure::kCertificate);
    EXPECT_EQ(transfer.LastCertificateVerdict(), c.verdict);
    // Each faulty server logs on its own: it never saw a request.
    EXPECT_EQ(peers_.PeerLog(std::string("nginx/") + c.peer + ".log"), "");
}

// The revoked certificate is checked here only: this Wine keeps a revoked
// verdict in its revocation cache as a good one, so only a prefix's first
// check of that certificate refuses it.
INSTANTIATE_TEST_SUITE_P(
    Faults, RefusedCertificates,
    ::testing::Values(RefusalCase{"tls_unknownca", CertificateVerdict::kUntrustedRoot},
                      RefusalCase{"tls_wrongname", CertificateVerdict::kNameMismatch},
                      RefusalCase{"tls_expired", CertificateVerdict::kExpired},
                      RefusalCase{"tls_notyet", CertificateVerdict::kNotYetValid},
                      RefusalCase{"tls_clientonly", CertificateVerdict::kWrongUsage},
                      RefusalCase{"tls_revoked", CertificateVerdict::kRevoked}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) {
        return std::string(info.param.peer).substr(4);
    });

TEST_F(HttpsPeers, ServersThatSpeakNoAcceptableTlsAreRefused) {
    // TLS 1.0 only: refused in the handshake, or where a Schannel agrees to
    // it anyway, right after.
    HttpTransfer legacy(Settings(peers_.HttpsUrl("tls_legacy", "/files/small.bin")));
    EXPECT_EQ(legacy.Open(0), kOpenFailed);
    EXPECT_TRUE(legacy.LastTlsFailure() == TlsFailure::kHandshake ||
                legacy.LastTlsFailure() == TlsFailure::kProtocol)
        << static_cast<int>(legacy.LastTlsFailure());
    EXPECT_EQ(peers_.PeerLog("nginx/tls_legacy.log"), "");
    // Plain text in answer to the hello, from a scripted peer and from a
    // real plain-HTTP server.
    for (const std::string& url : {peers_.HttpsUrl("script_tls_garbage", "/files/small.bin"),
                                   peers_.HttpsUrl("nginx", "/files/small.bin")}) {
        HttpTransfer garbage(Settings(url));
        EXPECT_EQ(garbage.Open(0), kOpenFailed) << url;
        EXPECT_EQ(garbage.LastTlsFailure(), TlsFailure::kHandshake) << url;
    }
}

TEST_F(HttpsPeers, AStopEndsAStalledHandshakeAtOnce) {
    TransferSettings settings = Settings(peers_.HttpsUrl("script_tls_stall", "/files/small.bin"));
    settings.timeoutMs = 600000;
    DWORD stopped = 0;
    std::thread stopper([this, &stopped] {
        ::Sleep(500);
        stopped = ::GetTickCount();
        ::SetEvent(stop_.Get());
    });
    HttpTransfer transfer(settings);
    EXPECT_EQ(transfer.Open(0), kOpenFailed);
    const DWORD ended = ::GetTickCount();
    stopper.join();
    EXPECT_LT(ended - stopped, 1000u);
    EXPECT_EQ(transfer.LastTlsFailure(), TlsFailure::kConnection);
}

TEST_F(HttpsPeers, ClosingEndsTheSessionWithCloseNotify) {
    const std::string path = "/close/" + std::to_string(::GetTickCount());
    {
        HttpTransfer transfer(Settings(peers_.HttpsUrl("script_tls_close", path)));
        FetchResult result = Fetch(transfer, 0);
        ASSERT_EQ(result.open, kOpened);
        EXPECT_EQ(result.data, Pattern(1000, 7));
        transfer.Close();
    }
    std::string ended;
    for (int i = 0; i < 100 && ended.empty(); ++i) {
        HttpTransfer ask(Settings(peers_.HttpUrl("script_http", "/tls-close" + path)));
        FetchResult answer = Fetch(ask, 0);
        if (answer.open == kOpened) ended = answer.data;
        else ::Sleep(50);
    }
    EXPECT_EQ(ended, "close_notify");
}

TEST_F(HttpsPeers, ARenegotiationMidResponseIsRefusedAndNothingWrongIsRead) {
    HttpTransfer transfer(Settings(peers_.HttpsUrl("script_tls_renegotiate", "/x")));
    FetchResult result = Fetch(transfer, 0);
    ASSERT_EQ(result.open, kOpened);
    EXPECT_TRUE(result.endedBeforeLimit);
    const std::string whole = Pattern(200000, 7);
    EXPECT_LT(result.data.size(), whole.size());
    EXPECT_TRUE(result.data == whole.substr(0, result.data.size()));
    transfer.Close();
    EXPECT_EQ(transfer.LastTlsFailure(), TlsFailure::kRenegotiation);
}

}  // namespace
}  // namespace netclient
