// FtpTransfer against vsftpd, dante and the scripted FTP server.
#include "netclient/ftp_transfer.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/netclient/peer_config.h"
#include "win/unique_handle.h"

namespace netclient {
namespace {

using netclient_tests::Fetch;
using netclient_tests::FetchResult;
using netclient_tests::kQuickEnoughMs;
using netclient_tests::kShortTimeoutMs;

class FtpPeers : public netclient_tests::PeerTest {
protected:
    // The scripted server picks its behaviour from the login name.
    std::string ScriptedUrl(const std::string& login, const std::string& file = "small.bin") const {
        return "ftp://" + login + "@127.0.0.1:" + std::to_string(peers_.Port("script_ftp")) +
               "/pub/" + file;
    }

    FetchResult Get(const TransferSettings& settings, uint64_t offset = 0) {
        FtpTransfer transfer(settings);
        return Fetch(transfer, offset);
    }
};

TEST_F(FtpPeers, AnonymousDownloadWithSizeAndTime) {
    FtpTransfer transfer(Settings(peers_.FtpUrl("ftp", "/pub/medium.bin")));
    FetchResult result = Fetch(transfer, 0);
    ASSERT_EQ(result.open, kOpened);
    EXPECT_EQ(result.data, peers_.ServedFile("medium.bin"));
    EXPECT_EQ(transfer.RemoteLength(), 1048576u);
    EXPECT_TRUE(transfer.OffsetHonoured());

    EXPECT_TRUE(netclient_tests::SameTime(transfer.RemoteTime(), peers_.ServedFileTime("medium.bin")));
}

TEST_F(FtpPeers, RestResumesInTheMiddle) {
    FetchResult result = Get(Settings(peers_.FtpUrl("ftp", "/pub/small.bin")), 60000);
    ASSERT_EQ(result.open, kOpened);
    EXPECT_EQ(result.data, peers_.ServedFile("small.bin").substr(60000));
}

TEST_F(FtpPeers, EmptyMissingOrTooShortFilesFail) {
    EXPECT_EQ(Get(Settings(peers_.FtpUrl("ftp", "/pub/empty.bin"))).open, kOpenFailed);
    EXPECT_EQ(Get(Settings(peers_.FtpUrl("ftp", "/pub/none.bin"))).open, kOpenFailed);
    EXPECT_EQ(Get(Settings(peers_.FtpUrl("ftp", "/pub/small.bin")), 100000).open, kOpenFailed);
    EXPECT_EQ(Get(Settings(peers_.FtpUrl("ftp", "/pub/small.bin")), 250000).open, kOpenFailed);
}

TEST_F(FtpPeers, BothConnectionsThroughSocks) {
    std::string url = peers_.FtpUrl("ftp", "/pub/small.bin");
    for (int kind : {kProxySocks4, kProxySocks5}) {
        FetchResult result = Get(ViaProxy(url, kind, "socks"), 1000);
        ASSERT_EQ(result.open, kOpened) << kind;
        EXPECT_EQ(result.data, peers_.ServedFile("small.bin").substr(1000));
    }
    FetchResult result = Get(ViaProxy(url, kProxySocks5, "socks_auth", peers_.Value("socks_user"),
                                      peers_.Value("socks_password")));
    ASSERT_EQ(result.open, kOpened);
    EXPECT_EQ(result.data, peers_.ServedFile("small.bin"));
}

TEST_F(FtpPeers, AServerThatRefusesRestCannotBeUsed) {
    FtpTransfer transfer(Settings(ScriptedUrl("norest")));
    EXPECT_EQ(transfer.Open(0), kOpenFailed);
    EXPECT_FALSE(transfer.OffsetHonoured());
}

TEST_F(FtpPeers, WithoutMdtmTheFileHasNoKnownTime) {
    FtpTransfer transfer(Settings(ScriptedUrl("nomdtm")));
    FetchResult result = Fetch(transfer, 0);
    ASSERT_EQ(result.open, kOpened);
    EXPECT_EQ(result.data, peers_.ServedFile("small.bin"));
    EXPECT_TRUE(netclient_tests::SameTime(transfer.RemoteTime(),
                                          netclient_tests::FileTimeOf(1970, 1, 1, 0, 0, 0)));
}

TEST_F(FtpPeers, MultiLineAndSplitRepliesAreReadWhole) {
    FtpTransfer transfer(Settings(ScriptedUrl("multiline")));
    FetchResult result = Fetch(transfer, 500);
    ASSERT_EQ(result.open, kOpened);
    EXPECT_EQ(result.data, peers_.ServedFile("small.bin").substr(500));
    EXPECT_TRUE(netclient_tests::SameTime(transfer.RemoteTime(),
                                          netclient_tests::FileTimeOf(2024, 1, 2, 3, 4, 5)));
}

TEST_F(FtpPeers, PasvAnsweredWith200IsAccepted) {
    FetchResult result = Get(Settings(ScriptedUrl("pasv200")));
    ASSERT_EQ(result.open, kOpened);
    EXPECT_EQ(result.data, peers_.ServedFile("small.bin"));
}

TEST_F(FtpPeers, DataGoesWhereTheControlConnectionWentNotWhereThePassiveReplyPoints) {
    // The reply names 127.0.0.2, which listens too and refuses the transfer
    // when a client connects there.
    const std::string url = ScriptedUrl("foreign");
    for (int kind : {kProxyNone, kProxySocks5}) {
        FetchResult result = Get(kind == kProxyNone ? Settings(url) : ViaProxy(url, kind, "socks"));
        ASSERT_EQ(result.open, kOpened) << kind;
        EXPECT_EQ(result.data, peers_.ServedFile("small.bin")) << kind;
    }
}

TEST_F(FtpPeers, MalformedPasvOrALoginWithoutPasswordFails) {
    EXPECT_EQ(Get(Settings(ScriptedUrl("badpasv"))).open, kOpenFailed);
    EXPECT_EQ(Get(Settings(ScriptedUrl("nopass"))).open, kOpenFailed);
}

TEST_F(FtpPeers, FtpProxyLoginNamesTheTargetHost) {
    // The scripted server accepts "user@host" logins only for this host.
    std::string url = "ftp://origin.invalid/pub/small.bin";
    FetchResult result = Get(ViaProxy(url, kProxyFtp, "script_ftp"));
    ASSERT_EQ(result.open, kOpened);
    EXPECT_EQ(result.data, peers_.ServedFile("small.bin"));
    EXPECT_EQ(Get(ViaProxy("ftp://elsewhere.invalid/pub/small.bin", kProxyFtp, "script_ftp")).open,
              kOpenFailed);
}

TEST_F(FtpPeers, AnHttpProxyCannotCarryFtp) {
    EXPECT_EQ(Get(ViaProxy(peers_.FtpUrl("ftp", "/pub/small.bin"), kProxyHttp, "squid")).open,
              kOpenFailed);
}

TEST_F(FtpPeers, UnresolvableTargetByNameThroughSocks5) {
    std::string url =
        "ftp://nowhere.invalid:" + std::to_string(peers_.Port("ftp")) + "/pub/small.bin";
    FetchResult result = Get(ViaProxy(url, kProxySocks5, "script_socks"));
    ASSERT_EQ(result.open, kOpened);
    EXPECT_EQ(result.data, peers_.ServedFile("small.bin"));
    EXPECT_EQ(Get(ViaProxy(url, kProxySocks4, "script_socks")).open, kOpenFailed);
}

TEST_F(FtpPeers, ASilentServerTimesOutAndTheStopEventEndsTheWait) {
    // The scripted HTTP port never greets an FTP client.
    std::string url = peers_.FtpUrl("script_http", "/pub/small.bin");
    TransferSettings settings = Settings(url);
    settings.timeoutMs = kShortTimeoutMs;
    DWORD start = ::GetTickCount();
    EXPECT_EQ(Get(settings).open, kOpenFailed);
    EXPECT_LT(::GetTickCount() - start, kQuickEnoughMs);

    settings.timeoutMs = 600000;
    std::thread stopper([this] {
        ::Sleep(300);
        ::SetEvent(stop_.Get());
    });
    start = ::GetTickCount();
    EXPECT_EQ(Get(settings).open, kOpenFailed);
    stopper.join();
    EXPECT_LT(::GetTickCount() - start, kQuickEnoughMs);
}

}  // namespace
}  // namespace netclient
