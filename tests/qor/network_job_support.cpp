#include "tests/qor/network_job_support.h"

#include <ostream>

#include "win/text.h"

namespace qor_test {
namespace {

constexpr LONG kShortRetryElapseMs = 300;

}  // namespace

std::ostream& operator<<(std::ostream& out, const JobEnd& end) {
    switch (end.event) {
    case kCompleted: return out << "completed";
    case kCanceled: return out << "canceled";
    case kError: return out << "error " << end.code;
    default: return out << "no end";
    }
}

void NetworkJobTest::SetUp() {
    QorTest::SetUp();
    if (HasFatalFailure()) return;
    std::string error;
    ASSERT_TRUE(peers_.Load(error)) << error;
}

void NetworkJobTest::TearDown() {
    for (const std::string& path : servedFiles_) testing_support::RemovePath(path);
}

win::ComPtr<IQORDownloadJob> NetworkJobTest::NewJob(Downloader& d, const std::string& url,
                                                    const std::string& fileName, LONG threads) {
    win::ComPtr<IQORDownloadJob> job = d.NewJob(url, save_, fileName);
    if (!job) return job;
    job->put_Timeout(kJobNetworkTimeoutMs);
    job->put_RetryTimes(0);
    job->put_RetryElapse(kShortRetryElapseMs);
    job->put_MaxThreadCount(threads);
    return job;
}

JobEnd NetworkJobTest::Run(Downloader& d, IQORDownloadJob* job, DWORD timeoutMs) {
    JobEnd end;
    const LONG id = IdOf(job);
    const size_t before = d.sink->For(id).size();
    if (FAILED(d.object->BeginDownloadJob(job))) return end;
    // Only events of this run count: a job may have ended before.
    auto ended = [&] {
        const std::vector<Event> events = d.sink->For(id);
        for (size_t i = before; i < events.size(); ++i) {
            const Event& e = events[i];
            if (e.id == kCompleted || e.id == kError || e.id == kCanceled) {
                end.event = e.id;
                end.code = e.code;
                return true;
            }
        }
        return false;
    };
    testing_support::PumpUntil(ended, timeoutMs);
    return end;
}

std::vector<RecordPortion> RecordPortions(const std::string& folder, const std::string& url) {
    uint64_t total = 0;
    uint64_t done = 0;
    std::vector<RecordPortion> portions;
    if (!ReadRecord(ControlPath(folder, url), total, done, portions)) portions.clear();
    return portions;
}

void NetworkJobTest::StopMidway(Downloader& d, IQORDownloadJob* job, const std::string& url,
                                size_t portions) {
    const LONG id = IdOf(job);
    const size_t stops = d.sink->Count(id, kCanceled);
    ASSERT_EQ(S_OK, job->put_Bandwidth(kTrickle));
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job));
    const bool midway = testing_support::PumpUntil(
        [&] {
            std::vector<RecordPortion> record = RecordPortions(save_, url);
            size_t holding = 0;
            for (const RecordPortion& p : record)
                if (p.done > 0 && p.done < p.length) ++holding;
            return record.size() == portions && holding == portions;
        },
        20000);
    EXPECT_EQ(S_OK, d.object->StopDownloadJob(id));
    ASSERT_TRUE(WaitForEvent(d, id, kCanceled, 20000, stops + 1));
    ASSERT_TRUE(midway) << "the record never showed " << portions << " portions holding data";
    ASSERT_EQ(S_OK, job->put_Bandwidth(0));
}

void NetworkJobTest::ExpectResumedInPortions(const std::string& url, size_t portions) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = ServedFile("medium.bin");
    auto job = NewJob(d, url, "medium.bin", static_cast<LONG>(portions));
    StopMidway(d, job.Get(), url, portions);
    const std::vector<RecordPortion> record = RecordPortions(save_, url);
    ASSERT_EQ(portions, record.size());
    uint64_t covered = 0;
    for (const RecordPortion& p : record) covered += p.length;
    EXPECT_EQ(0u, record[0].start);
    EXPECT_EQ(source.size(), covered);

    EXPECT_EQ(kJobCompleted, Run(d, job.Get()));
    EXPECT_TRUE(Saved("medium.bin") == source);
    EXPECT_EQ(source.size(), Total(job.Get()));
    EXPECT_EQ(std::vector<std::string>{"medium.bin"}, FolderEntries(save_));
}

void NetworkJobTest::UseProxy(Downloader& d, bool ftp, ProxyServerType type,
                              const std::string& peer, const std::string& user,
                              const std::string& password) {
    win::ComPtr<IQORProxyServer> proxy;
    ASSERT_EQ(S_OK, d.object->CreateProxyServer(proxy.GetAddressOf()));
    ASSERT_EQ(S_OK, proxy->put_Address(win::ToBstr("127.0.0.1").Get()));
    ASSERT_EQ(S_OK, proxy->put_Port(static_cast<short>(peers_.Port(peer))));
    ASSERT_EQ(S_OK, proxy->put_UserName(win::ToBstr(user).Get()));
    ASSERT_EQ(S_OK, proxy->put_Password(win::ToBstr(password).Get()));
    // Last: the system settings kind makes the address and port read-only.
    ASSERT_EQ(S_OK, proxy->put_Type(type));
    if (ftp) ASSERT_EQ(S_OK, d.object->put_FtpProxyServer(proxy.Get()));
    else ASSERT_EQ(S_OK, d.object->put_HttpProxyServer(proxy.Get()));
}

std::string NetworkJobTest::Saved(const std::string& name) const {
    return testing_support::ReadFileBytes(save_ + "\\" + name);
}

std::string NetworkJobTest::ServeFile(const std::string& path, const std::string& name,
                                      const std::string& bytes) {
    testing_support::WriteFileBytes(path, bytes);
    servedFiles_.push_back(path);
    return name;
}

std::string NetworkJobTest::ServeHttpFile(const std::string& name, const std::string& bytes) {
    return ServeFile(peers_.ServedFilePath(name), name, bytes);
}

std::string NetworkJobTest::ServeFtpFile(const std::string& name, const std::string& bytes) {
    return ServeFile(peers_.FtpFilePath(name), name, bytes);
}

}  // namespace qor_test
