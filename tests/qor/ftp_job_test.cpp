// QORDownloader jobs over FTP: vsftpd in several portions with REST resume,
// files that are empty or shorter than the resume position, and the scripted
// server's odd but valid and its unusable answers.

#include <gtest/gtest.h>

#include <string>

#include "tests/qor/network_job_support.h"

namespace qor_test {
namespace {

constexpr size_t kMedium = 1048576;

class FtpJobs : public NetworkJobTest {
protected:
    // The scripted server picks its behaviour from the login name.
    std::string ScriptedUrl(const std::string& login) const {
        return "ftp://" + login + "@127.0.0.1:" + std::to_string(peers_.Port("script_ftp")) +
               "/pub/small.bin";
    }
};

TEST_F(FtpJobs, AnonymousDownloadInThreePortionsResumesWithRest) {
    ExpectResumedInPortions(FtpUrl("ftp", "/pub/medium.bin"), 3);
}

TEST_F(FtpJobs, AnEmptyFileOrAResumeBeyondTheSizeFails) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    auto empty = NewJob(d, FtpUrl("ftp", "/pub/empty.bin"), "empty.bin");
    EXPECT_EQ(JobFailed(-1), Run(d, empty.Get()));

    const std::string name = "shrinking" + std::to_string(::GetCurrentProcessId()) + ".bin";
    ServeFtpFile(name, PatternBytes(kMedium, 3));
    const std::string url = FtpUrl("ftp", "/pub/" + name);
    auto job = NewJob(d, url, name);
    StopMidway(d, job.Get(), url, 1);
    // Shorter than what is already there: the resume position lies beyond it.
    ServeFtpFile(name, PatternBytes(100, 3));
    EXPECT_EQ(JobFailed(-1), Run(d, job.Get()));
    EXPECT_FALSE(testing_support::PathExists(save_ + "\\" + name));
}

TEST_F(FtpJobs, ScriptedServerAnswersEndTheJobAsTheyShould) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    struct Case {
        const char* login;
        JobEnd end;
    } cases[] = {
        {"anonymous", kJobCompleted},
        {"nomdtm", kJobCompleted},     // no modification time: go on without one
        {"multiline", kJobCompleted},  // replies in pieces and over several lines
        {"pasv200", kJobCompleted},
        {"norest", JobFailed(-1)},  // without REST no offset can be trusted
        {"badpasv", JobFailed(-1)},
        {"nopass", JobFailed(-1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.login);
        const std::string name = std::string(c.login) + ".bin";
        auto job = NewJob(d, ScriptedUrl(c.login), name);
        EXPECT_EQ(c.end, Run(d, job.Get()));
        if (c.end == kJobCompleted) {
            EXPECT_TRUE(Saved(name) == ServedFile("small.bin"));
        }
    }
}

}  // namespace
}  // namespace qor_test
