// QORDownloader jobs over HTTPS from nginx with the peers' own CA: segmented,
// resumed and killed downloads, redirects between the schemes, tunnels
// through squid and the https entry of the system's settings, and refused
// servers that leave nothing behind.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/qor/network_job_support.h"
#include "tests/support/test_support.h"
#include "win/text.h"

namespace qor_test {
namespace {

using testing_support::ChildProcess;

constexpr char kInternetSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class HttpsJobs : public NetworkJobTest {
protected:
    std::string HttpsUrl(const std::string& peer, const std::string& path) const {
        return peers_.HttpsUrl(peer, path);
    }
};

class HttpsPortions : public HttpsJobs, public ::testing::WithParamInterface<size_t> {};

TEST_P(HttpsPortions, StopResumeAndEndByteIdentical) {
    ExpectResumedInPortions(HttpsUrl("tls", "/files/medium.bin"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(OneAndThree, HttpsPortions, ::testing::Values(1u, 3u));

TEST_F(HttpsJobs, KilledAtRandomMomentsTheDownloadResumesAndEndsByteIdentical) {
    const std::string bytes = PatternBytes(4 * 1048576 + 777, 11);
    const std::string name = ServeHttpFile("tls-kill.bin", bytes);
    const std::string url = HttpsUrl("tls", "/files/" + name);
    const std::string helper = testing_support::BinaryFolder() + "\\qor_download_helper.exe";
    auto arguments = [&](int threads, long bandwidth) {
        return "\"" + url + "\" \"" + save_ + "\" target.bin " + std::to_string(threads) + " " +
               std::to_string(bandwidth) + " \"" + folder_.File("result.txt") + "\"";
    };
    std::mt19937 random(static_cast<unsigned>(::GetTickCount()));
    std::uniform_int_distribution<int> delay(300, 2500);
    std::uniform_int_distribution<int> threads(1, 3);
    for (int round = 0; round < 4; ++round) {
        const int wait = delay(random);
        const int count = threads(random);
        SCOPED_TRACE(testing::Message() << "round " << round << " kill after " << wait
                                        << " ms with " << count << " threads");
        ChildProcess run;
        ASSERT_TRUE(run.Start(helper, arguments(count, 1000000)));
        const int code = run.Wait(static_cast<DWORD>(wait));
        if (code == testing_support::kStillRunning) {
            ::TerminateProcess(run.Handle(), 9);
            ::WaitForSingleObject(run.Handle(), 10000);
        } else {
            ASSERT_EQ(0, code);
        }
    }
    ChildProcess last;
    ASSERT_TRUE(last.Start(helper, arguments(3, 0)));
    ASSERT_EQ(0, last.Wait(kJobTimeoutMs));
    EXPECT_TRUE(bytes == Saved("target.bin"));
    EXPECT_EQ(std::vector<std::string>{"target.bin"}, FolderEntries(save_));
}

TEST_F(HttpsJobs, RedirectsLeadFromHttpToHttpsAndBack) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    struct Case {
        std::string url;
        std::string redirect;
    } cases[] = {{HttpUrl("nginx", "/redirect/https"), HttpsUrl("tls", "/files/small.bin")},
                 {HttpsUrl("tls", "/redirect/http"),
                  "http://localhost:" + std::to_string(peers_.Port("nginx")) +
                      "/files/small.bin"}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const std::string name = "redirected" + std::to_string(n++) + ".bin";
        auto job = NewJob(d, c.url, name);
        ASSERT_EQ(kJobCompleted, Run(d, job.Get()));
        EXPECT_TRUE(Saved(name) == ServedFile("small.bin"));
        EXPECT_EQ(c.redirect, GetString(job.Get(), &IQORDownloadJob::get_RedirectURL));
    }
}

TEST_F(HttpsJobs, ThroughSquidWithBasicAndThroughDanteSocks5) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    struct Case {
        ProxyServerType type;
        const char* peer;
        std::string user;
        std::string password;
    } cases[] = {{qorpstHttp, "squid_basic", "proxyuser", "proxypass"},
                 {qorpstSocks5, "socks_auth", peers_.Value("socks_user"),
                  peers_.Value("socks_password")}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peer);
        UseProxy(d, false, c.type, c.peer, c.user, c.password);
        const std::string name = "proxied" + std::to_string(n++) + ".bin";
        auto job = NewJob(d, HttpsUrl("tls", "/files/medium.bin"), name, 3);
        ASSERT_EQ(kJobCompleted, Run(d, job.Get()));
        EXPECT_TRUE(Saved(name) == ServedFile("medium.bin"));
    }
}

TEST_F(HttpsJobs, TheSystemsSettingsTakeTheirHttpsEntryForHttps) {
    testing_support::RegistryKeySnapshot keep(HKEY_CURRENT_USER, kInternetSettingsKey);
    ASSERT_TRUE(testing_support::SetRegDword(HKEY_CURRENT_USER, kInternetSettingsKey,
                                             "ProxyEnable", 1));
    ASSERT_TRUE(testing_support::SetRegString(HKEY_CURRENT_USER, kInternetSettingsKey,
                                              "ProxyOverride", ""));
    // The http entry leads nowhere: only the https one can carry the job.
    ASSERT_TRUE(testing_support::SetRegString(
        HKEY_CURRENT_USER, kInternetSettingsKey, "ProxyServer",
        "http=127.0.0.1:1;https=127.0.0.1:" + std::to_string(peers_.Port("squid"))));
    Downloader d;
    ASSERT_TRUE(d.Ok());
    UseProxy(d, false, qorpstIE, "squid");
    // No other test tunnels to this server, so squid's log tells.
    auto job = NewJob(d, HttpsUrl("tls_ecdsa", "/files/small.bin"), "entry.bin");
    ASSERT_EQ(kJobCompleted, Run(d, job.Get()));
    EXPECT_TRUE(Saved("entry.bin") == ServedFile("small.bin"));
    const std::string log = peers_.PeerLog("squid/access.log");
    EXPECT_NE(std::string::npos,
              log.find("CONNECT localhost:" + std::to_string(peers_.Port("tls_ecdsa"))))
        << log;
}

TEST_F(HttpsJobs, RefusedServersFailTheJobWithMinusOneAndWriteNoFile) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    for (const char* peer : {"tls_unknownca", "tls_wrongname", "tls_expired", "tls_legacy",
                             "script_tls_garbage"}) {
        SCOPED_TRACE(peer);
        const std::string url = HttpsUrl(peer, "/files/small.bin");
        auto job = NewJob(d, url, "refused.bin", 3);
        ASSERT_EQ(JobFailed(-1), Run(d, job.Get()));
        EXPECT_FALSE(testing_support::PathExists(save_ + "\\refused.bin"));
        EXPECT_FALSE(testing_support::PathExists(DataPath(save_, url)));
    }
}

}  // namespace
}  // namespace qor_test
