// QORDownloader jobs through the proxies that the downloader is given:
// squid as an HTTP proxy (plain, Basic, NTLM), dante and the scripted server
// as SOCKS proxies for HTTP and FTP, and SOCKS proxies that misbehave.

#include <gtest/gtest.h>

#include <string>

#include "tests/qor/network_job_support.h"
#include "win/text.h"

namespace qor_test {
namespace {

constexpr char kInternetSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class ProxyJobs : public NetworkJobTest {
protected:
    // Downloads nginx's small file through the downloader's HTTP proxy.
    JobEnd FetchSmall(Downloader& d, const std::string& name) {
        auto job = NewJob(d, HttpUrl("nginx", "/files/small.bin"), name);
        JobEnd end = Run(d, job.Get());
        if (end == kJobCompleted) {
            EXPECT_TRUE(Saved(name) == ServedFile("small.bin")) << name;
        }
        return end;
    }
};

TEST_F(ProxyJobs, SquidPlainAndWithBasicProxyAuthentication) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    UseProxy(d, false, qorpstHttp, "squid");
    EXPECT_EQ(kJobCompleted, FetchSmall(d, "plain.bin"));
    UseProxy(d, false, qorpstHttp, "squid_basic", "proxyuser", "proxypass");
    EXPECT_EQ(kJobCompleted, FetchSmall(d, "basic.bin"));
    UseProxy(d, false, qorpstHttp, "squid_basic", "proxyuser", "wrong");
    EXPECT_EQ(JobFailed(-1), FetchSmall(d, "refused.bin"));
}

TEST_F(ProxyJobs, SquidNtlmWithTheLoggedOnUsersCredentials) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    // The proxy's user name and password play no part in NTLM.
    UseProxy(d, false, qorpstHttp, "squid_ntlm", "ignored", "ignored");
    auto job = NewJob(d, HttpUrl("nginx", "/files/medium.bin"), "medium.bin", 3);
    ASSERT_EQ(kJobCompleted, Run(d, job.Get()));
    EXPECT_TRUE(Saved("medium.bin") == ServedFile("medium.bin"));
}

TEST_F(ProxyJobs, ProxyChallengeThenServerChallengeBothAnsweredWithBasic) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    UseProxy(d, false, qorpstHttp, "squid_basic", "proxyuser", "proxypass");
    auto job = NewJob(d, HttpUrl("nginx", "/auth/small.bin"), "auth.bin");
    ASSERT_EQ(S_OK, job->put_ServerUserName(win::ToBstr("webuser").Get()));
    ASSERT_EQ(S_OK, job->put_ServerPassword(win::ToBstr("webpass").Get()));
    ASSERT_EQ(kJobCompleted, Run(d, job.Get()));
    EXPECT_TRUE(Saved("auth.bin") == ServedFile("small.bin"));
}

TEST_F(ProxyJobs, AChallengeOfferingNtlmAndBasicIsAnsweredWithBasic) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    // The scripted server acts as the proxy and echoes what it was sent.
    UseProxy(d, false, qorpstHttp, "script_http", "pu", "pp");
    auto job = NewJob(d, HttpUrl("script_http", "/proxy-both"), "echo.txt");
    ASSERT_EQ(kJobCompleted, Run(d, job.Get()));
    const std::string echo = Saved("echo.txt");
    EXPECT_NE(std::string::npos,
              echo.find("GET " + HttpUrl("script_http", "/proxy-both") + " HTTP/1.1\r\n"))
        << echo;
    EXPECT_NE(std::string::npos, echo.find("Proxy-Authorization: Basic cHU6cHA=\r\n")) << echo;
}

TEST_F(ProxyJobs, TheSystemsInternetSettingsNameTheProxyUnlessItIsLocalAndBypassed) {
    // The current user's real settings key, put back as it was afterwards.
    testing_support::RegistryKeySnapshot keep(HKEY_CURRENT_USER, kInternetSettingsKey);
    const std::string proxy = "127.0.0.1:" + std::to_string(peers_.Port("script_http"));
    ASSERT_TRUE(testing_support::SetRegDword(HKEY_CURRENT_USER, kInternetSettingsKey,
                                             "ProxyEnable", 1));
    ASSERT_TRUE(testing_support::SetRegString(HKEY_CURRENT_USER, kInternetSettingsKey,
                                              "ProxyServer", "ftp=ftp.invalid;http=" + proxy));
    struct Case {
        const char* bypass;
        std::string requestLine;  // as the scripted server saw it
    } cases[] = {
        {"*.example.invalid", "GET " + HttpUrl("script_http", "/echo") + " HTTP/1.1\r\n"},
        {"*.example.invalid;<local>", "GET /echo HTTP/1.1\r\n"},
    };
    Downloader d;
    ASSERT_TRUE(d.Ok());
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bypass);
        ASSERT_TRUE(testing_support::SetRegString(HKEY_CURRENT_USER, kInternetSettingsKey,
                                                  "ProxyOverride", c.bypass));
        // Setting the proxy again makes the downloader read the settings anew.
        UseProxy(d, false, qorpstIE, "squid");
        const std::string name = "echo" + std::to_string(n++) + ".txt";
        auto job = NewJob(d, HttpUrl("script_http", "/echo"), name);
        ASSERT_EQ(kJobCompleted, Run(d, job.Get()));
        EXPECT_EQ(0u, Saved(name).find(c.requestLine)) << Saved(name);
    }
}

TEST_F(ProxyJobs, DanteSocks5WithAndWithoutPasswordAndSocks4ByAddress) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    UseProxy(d, false, qorpstSocks5, "socks");
    EXPECT_EQ(kJobCompleted, FetchSmall(d, "socks5.bin"));
    UseProxy(d, false, qorpstSocks5, "socks_auth", peers_.Value("socks_user"),
             peers_.Value("socks_password"));
    EXPECT_EQ(kJobCompleted, FetchSmall(d, "socks5auth.bin"));
    UseProxy(d, false, qorpstSocks5, "socks_auth", peers_.Value("socks_user"), "wrong");
    EXPECT_EQ(JobFailed(-1), FetchSmall(d, "socks5wrong.bin"));
    UseProxy(d, false, qorpstSocks4, "socks");
    EXPECT_EQ(kJobCompleted, FetchSmall(d, "socks4.bin"));
}

TEST_F(ProxyJobs, AJobBegunRightAfterAProxyChangeGoesThroughTheNewProxy) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    // A trickling direct download holds the only slot. Stopping it lets the
    // scheduler start the next job at once, while the notice of the proxy
    // change set just before that job was begun may still be queued.
    auto slow = NewJob(d, HttpUrl("nginx", "/files/medium.bin"), "slow.bin");
    ASSERT_EQ(S_OK, slow->put_Bandwidth(kTrickle));
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(slow.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(slow.Get()), kReadData, kPromptlyMs));
    auto job = NewJob(d, HttpUrl("script_http", "/echo"), "echo.txt");
    ASSERT_EQ(S_OK, d.object->StopDownloadJob(IdOf(slow.Get())));
    // The scripted server acts as the proxy and echoes what it was sent.
    UseProxy(d, false, qorpstHttp, "script_http");
    ASSERT_EQ(kJobCompleted, Run(d, job.Get()));
    EXPECT_EQ(0u, Saved("echo.txt").find("GET " + HttpUrl("script_http", "/echo") + " HTTP/1.1\r\n"))
        << Saved("echo.txt");
}

TEST_F(ProxyJobs, FtpControlAndDataConnectionsThroughSocks5) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    UseProxy(d, true, qorpstSocks5, "socks");
    auto job = NewJob(d, FtpUrl("ftp", "/pub/medium.bin"), "medium.bin", 3);
    ASSERT_EQ(kJobCompleted, Run(d, job.Get()));
    EXPECT_TRUE(Saved("medium.bin") == ServedFile("medium.bin"));
}

TEST_F(ProxyJobs, AnUnresolvableHostGoesByNameThrough4aAnd5AndFailsUnder4) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    // The scripted SOCKS server takes every name for loopback.
    const std::string url =
        "http://nowhere.invalid:" + std::to_string(peers_.Port("nginx")) + "/files/small.bin";
    struct Case {
        ProxyServerType type;
        JobEnd end;
    } cases[] = {{qorpstSocks4a, kJobCompleted},
                 {qorpstSocks5, kJobCompleted},
                 {qorpstSocks4, JobFailed(-1)}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const std::string name = "byname" + std::to_string(n++) + ".bin";
        UseProxy(d, false, c.type, "script_socks");
        auto job = NewJob(d, url, name);
        EXPECT_EQ(c.end, Run(d, job.Get()));
        if (c.end == kJobCompleted) {
            EXPECT_TRUE(Saved(name) == ServedFile("small.bin"));
        }
    }
}

TEST_F(ProxyJobs, MalformedSocksRepliesFailTheJobPromptly) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    int n = 0;
    for (const char* peer : {"script_socks_reject", "script_socks_garbage", "script_socks_short",
                             "script_socks_silent"}) {
        for (ProxyServerType type : {qorpstSocks4, qorpstSocks5}) {
            SCOPED_TRACE(testing::Message() << peer << " " << type);
            UseProxy(d, false, type, peer);
            auto job = NewJob(d, HttpUrl("nginx", "/files/small.bin"),
                              "bad" + std::to_string(n++) + ".bin");
            ASSERT_EQ(S_OK, job->put_Timeout(kShortNetworkTimeoutMs));
            const DWORD start = ::GetTickCount();
            EXPECT_EQ(JobFailed(-1), Run(d, job.Get()));
            EXPECT_LT(::GetTickCount() - start, kPromptlyMs);
        }
    }
}

}  // namespace
}  // namespace qor_test
