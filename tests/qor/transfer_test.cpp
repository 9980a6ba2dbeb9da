// Segmented transfers from file sources: splitting, resume records,
// restarts, bandwidth, completion and the target file.

#include <gtest/gtest.h>

#include <algorithm>

#include "netclient/file_checksum.h"
#include "tests/qor/qor_test_support.h"
#include "win/text.h"

namespace qor_test {
namespace {

using testing_support::PathExists;
using testing_support::PumpFor;
using testing_support::PumpUntil;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

class TransferTest : public QorTest {
protected:
    // Begins a job and stops it once its first resume record is written;
    // returns the record's done sum.
    uint64_t StopAfterFirstRecord(Downloader& d, IQORDownloadJob* job, const std::string& url) {
        const LONG id = IdOf(job);
        EXPECT_EQ(S_OK, d.object->BeginDownloadJob(job));
        EXPECT_TRUE(WaitForEvent(d, id, kReadData, 10000));
        EXPECT_TRUE(PumpUntil(
            [&] {
                uint64_t total = 0, done = 0;
                std::vector<RecordPortion> portions;
                return ReadRecord(ControlPath(save_, url), total, done, portions) && done > 0;
            },
            10000));
        EXPECT_EQ(S_OK, d.object->StopDownloadJob(id));
        EXPECT_TRUE(WaitForEvent(d, id, kCanceled, 10000));
        uint64_t total = 0, done = 0;
        std::vector<RecordPortion> portions;
        EXPECT_TRUE(ReadRecord(ControlPath(save_, url), total, done, portions));
        return done;
    }

    // Begins the job again, with a budget that lets no byte through, and
    // returns the count it starts from; then stops it and begins it once
    // more at full speed.
    uint64_t ResumedFrom(Downloader& d, IQORDownloadJob* job) {
        const LONG id = IdOf(job);
        const size_t runs = d.sink->Count(id, kReadData);
        const size_t stops = d.sink->Count(id, kCanceled);
        EXPECT_EQ(S_OK, job->put_Bandwidth(kNoBytes));
        EXPECT_EQ(S_OK, d.object->BeginDownloadJob(job));
        EXPECT_TRUE(WaitForEvent(d, id, kReadData, 10000, runs + 1));
        const uint64_t from = Downloaded(job);
        EXPECT_EQ(S_OK, d.object->StopDownloadJob(id));
        EXPECT_TRUE(WaitForEvent(d, id, kCanceled, 10000, stops + 1));
        EXPECT_EQ(S_OK, job->put_Bandwidth(0));
        EXPECT_EQ(S_OK, d.object->BeginDownloadJob(job));
        return from;
    }

    static constexpr LONG kNoBytes = 19;  // below 20 the budget never grants a byte

    void ExpectPortions(size_t size, int threads, const std::vector<RecordPortion>& expected) {
        Downloader d;
        ASSERT_TRUE(d.Ok());
        const std::string source = Source("split.bin", size);
        auto job = d.NewJob(source, save_, "split.bin");
        job->put_MaxThreadCount(threads);
        job->put_Bandwidth(20000);
        ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
        ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kInProgress, 10000));
        uint64_t total = 0, done = 0;
        std::vector<RecordPortion> portions;
        ASSERT_TRUE(ReadRecord(ControlPath(save_, source), total, done, portions));
        EXPECT_EQ(size, total);
        ASSERT_EQ(expected.size(), portions.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(expected[i].start, portions[i].start);
            EXPECT_EQ(expected[i].length, portions[i].length);
            EXPECT_LE(portions[i].done, portions[i].length);
        }
        d.object->StopDownloadJob(IdOf(job.Get()));
        WaitForEvent(d, IdOf(job.Get()), kCanceled, 10000);
    }
};

TEST_F(TransferTest, SmallFileWithFourThreadsStaysOnePortion) {
    ExpectPortions(100000, 4, {{0, 100000, 0}});
}

TEST_F(TransferTest, MegabyteWithFourThreadsSplitsIntoFourPortionsInTableOrder) {
    ExpectPortions(1048576, 4,
                   {{0, 262144, 0}, {524288, 262144, 0}, {262144, 262144, 0}, {786432, 262144, 0}});
}

TEST_F(TransferTest, CompletedFilesEqualTheirSourcesWithAnyThreadCount) {
    struct Case {
        size_t size;
        int threads;
    };
    const Case cases[] = {{1, 1}, {65535, 2}, {65536, 3}, {1048576 + 12345, 4},
                          {3 * 1048576 + 7, 3}, {700000, 8}};
    Downloader d;
    ASSERT_TRUE(d.Ok());
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string name = "c" + std::to_string(n++) + ".bin";
        const std::string source = Source(name, c.size, static_cast<uint32_t>(n));
        auto job = d.NewJob(source, save_, name);
        job->put_MaxThreadCount(c.threads);
        ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
        ASSERT_TRUE(WaitForEnd(d, IdOf(job.Get()), 30000));
        ASSERT_TRUE(d.sink->Has(IdOf(job.Get()), kCompleted));
        EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\" + name));
        EXPECT_EQ(c.size, Total(job.Get()));
        EXPECT_EQ(c.size, Downloaded(job.Get()));
    }
    // Nothing but the targets is left: no data file, no resume record.
    std::vector<std::string> expected;
    for (int i = 0; i < n; ++i) expected.push_back("c" + std::to_string(i) + ".bin");
    EXPECT_EQ(expected, FolderEntries(save_));
    EXPECT_EQ(0u, ::GetFileAttributesA((save_ + "\\c0.bin").c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(TransferTest, FileUrlsDownloadLikePaths) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("u.bin", 150000);
    std::string url = "file:///" + source;
    std::replace(url.begin(), url.end(), '\\', '/');
    auto job = d.NewJob(url, save_);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEnd(d, IdOf(job.Get()), 20000));
    ASSERT_TRUE(d.sink->Has(IdOf(job.Get()), kCompleted));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\u.bin"));
}

TEST_F(TransferTest, SourcesInFoldersWithBlanksDownloadAsPathsAndFileUrls) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string folder = folder_.File("Program Files");
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    const std::string source = folder + "\\pkg.exe";
    WriteFileBytes(source, PatternBytes(150000, 7));
    std::string url = "file:///" + folder + "/pkg.exe";
    std::replace(url.begin(), url.end(), '\\', '/');
    url.replace(url.find("Program Files"), 13, "Program%20Files");
    int n = 0;
    for (const std::string& address : {source, url}) {
        SCOPED_TRACE(address);
        const std::string name = "p" + std::to_string(n++) + ".exe";
        auto job = d.NewJob(address, save_, name);
        ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
        ASSERT_TRUE(WaitForEnd(d, IdOf(job.Get()), 20000));
        ASSERT_TRUE(d.sink->Has(IdOf(job.Get()), kCompleted));
        EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\" + name));
    }
}

TEST_F(TransferTest, StoppedJobResumesFromItsSavedCounts) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("r.bin", 600000);
    auto job = d.NewJob(source, save_, "r.bin");
    job->put_Bandwidth(100000);
    job->put_MaxThreadCount(2);
    const uint64_t saved = StopAfterFirstRecord(d, job.Get(), source);
    ASSERT_GT(saved, 0u);
    ASSERT_LT(saved, 600000u);
    // The data file carries the source's time while it waits.
    const FILETIME sourceTime = FileTimeOf(source);
    const FILETIME dataTime = FileTimeOf(DataPath(save_, source));
    EXPECT_EQ(sourceTime.dwLowDateTime, dataTime.dwLowDateTime);
    EXPECT_EQ(sourceTime.dwHighDateTime, dataTime.dwHighDateTime);
    EXPECT_EQ(saved, ResumedFrom(d, job.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 20000));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\r.bin"));
    EXPECT_FALSE(PathExists(ControlPath(save_, source)));
}

TEST_F(TransferTest, WithoutResumeBreakpointItRestartsAndKeepsNoRecord) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("n.bin", 300000);
    auto job = d.NewJob(source, save_, "n.bin");
    job->put_Bandwidth(60000);
    job->put_ResumeBreakpoint(VARIANT_FALSE);
    const LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kInProgress, 10000, 2));
    EXPECT_FALSE(PathExists(ControlPath(save_, source)));
    ASSERT_EQ(S_OK, d.object->StopDownloadJob(id));
    ASSERT_TRUE(WaitForEvent(d, id, kCanceled, 10000));
    EXPECT_FALSE(PathExists(ControlPath(save_, source)));
    EXPECT_EQ(0u, ResumedFrom(d, job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kCompleted, 20000));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\n.bin"));
}

class ChangedRecordTest : public TransferTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(ChangedRecordTest, AnyChangedByteFromOffset16RestartsFromZero) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("b.bin", 400000);
    auto job = d.NewJob(source, save_, "b.bin");
    job->put_Bandwidth(80000);
    job->put_MaxThreadCount(2);
    ASSERT_GT(StopAfterFirstRecord(d, job.Get(), source), 0u);
    const std::string record = ControlPath(save_, source);
    std::string bytes = ReadFileBytes(record);
    const size_t at = GetParam() < bytes.size() ? GetParam() : bytes.size() - 1;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    ::SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileBytes(record, bytes);
    EXPECT_EQ(0u, ResumedFrom(d, job.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 20000));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\b.bin"));
}

// Total, done sum, time, consuming time, count, key, the zero field, the
// first and the last portion record.
INSTANTIATE_TEST_SUITE_P(Offsets, ChangedRecordTest,
                         ::testing::Values(16, 24, 33, 40, 48, 55, 68, 72, 90, 10000));

TEST_F(TransferTest, RecordWhoseCountDoesNotMatchItsSizeRestartsFromZero) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("m.bin", 300000);
    auto job = d.NewJob(source, save_, "m.bin");
    job->put_Bandwidth(60000);
    ASSERT_GT(StopAfterFirstRecord(d, job.Get(), source), 0u);
    // Claim 300 portions in a record that holds one, with a valid checksum.
    const std::string record = ControlPath(save_, source);
    std::string bytes = ReadFileBytes(record);
    ASSERT_EQ(96u, bytes.size());
    bytes[48] = static_cast<char>(44);
    bytes[49] = static_cast<char>(1);
    const std::string sum = netclient::FileChecksum::OfText(bytes.substr(16));
    bytes.replace(0, 16, sum);
    ::SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileBytes(record, bytes);
    EXPECT_EQ(0u, ResumedFrom(d, job.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 20000));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\m.bin"));
}

TEST_F(TransferTest, RecordWithNothingLeftRestartsInsteadOfFailingForEver) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("all.bin", 300000);
    auto job = d.NewJob(source, save_, "all.bin");
    job->put_Bandwidth(60000);
    ASSERT_GT(StopAfterFirstRecord(d, job.Get(), source), 0u);
    // As if the run had died between its last record and the move into
    // place: every portion done.
    const std::string record = ControlPath(save_, source);
    std::string bytes = ReadFileBytes(record);
    ASSERT_EQ(96u, bytes.size());
    for (int i = 0; i < 8; ++i) {
        bytes[24 + i] = bytes[16 + i];  // done sum = total
        bytes[88 + i] = bytes[80 + i];  // done = length
    }
    bytes.replace(0, 16, netclient::FileChecksum::OfText(bytes.substr(16)));
    ::SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileBytes(record, bytes);
    EXPECT_EQ(0u, ResumedFrom(d, job.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 20000));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\all.bin"));
}

TEST_F(TransferTest, ChangedSourceTimeRestartsFromZero) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("t.bin", 400000);
    auto job = d.NewJob(source, save_, "t.bin");
    job->put_Bandwidth(80000);
    ASSERT_GT(StopAfterFirstRecord(d, job.Get(), source), 0u);
    // New content under the same name, with a new time.
    WriteFileBytes(source, PatternBytes(400000, 99));
    FILETIME time = FileTimeOf(source);
    time.dwHighDateTime += 1;
    ASSERT_TRUE(SetFileTimeOf(source, time));
    EXPECT_EQ(0u, ResumedFrom(d, job.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 20000));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\t.bin"));
}

TEST_F(TransferTest, BandwidthKeepsTheAverageUnderTheLimit) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("w.bin", 45000);
    auto job = d.NewJob(source, save_, "w.bin");
    job->put_Bandwidth(10000);
    const LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kCompleted, 30000));
    const std::vector<Event> events = d.sink->For(id);
    DWORD start = 0;
    for (const Event& e : events)
        if (e.id == kReadData) start = e.tick;
    const DWORD elapsed = events.back().tick - start;
    EXPECT_GT(elapsed, 0u);
    // Events reach this thread a little late, so allow a little here; the
    // job's own average is exact.
    EXPECT_LT(45000.0 * 1000 / elapsed, 10500.0);
    const LONG average = AverageRate(job.Get());
    EXPECT_GT(average, 9000);
    EXPECT_LT(average, 10000);
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\w.bin"));
}

TEST_F(TransferTest, TinyBandwidthWithOneThreadMovesNothingUntilStopped) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("z.bin", 5000);
    auto job = d.NewJob(source, save_, "z.bin");
    job->put_Bandwidth(19);
    const LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kInProgress, 10000, 2));
    EXPECT_EQ(0u, Downloaded(job.Get()));
    ASSERT_EQ(S_OK, d.object->StopDownloadJob(id));
    ASSERT_TRUE(WaitForEvent(d, id, kCanceled, 10000));
}

TEST_F(TransferTest, CompletionReplacesAnExistingTarget) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("o.bin", 250000);
    ASSERT_TRUE(::CreateDirectoryA(save_.c_str(), nullptr));
    WriteFileBytes(save_ + "\\o.bin", "old content");
    auto job = d.NewJob(source, save_, "o.bin");
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEnd(d, IdOf(job.Get()), 20000));
    ASSERT_TRUE(d.sink->Has(IdOf(job.Get()), kCompleted));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\o.bin"));
}

TEST_F(TransferTest, TargetThatCannotBeReplacedFailsTheJobAndStaysIntact) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("l.bin", 100000);
    ASSERT_TRUE(::CreateDirectoryA(save_.c_str(), nullptr));
    const std::string target = save_ + "\\l.bin";
    WriteFileBytes(target, "keep me");
    // Held open without delete sharing: it cannot be replaced.
    win::FileHandle holder(::CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    auto job = d.NewJob(source, save_, "l.bin");
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEnd(d, IdOf(job.Get()), 20000));
    ASSERT_TRUE(d.sink->Has(IdOf(job.Get()), kError));
    EXPECT_FALSE(d.sink->Has(IdOf(job.Get()), kCompleted));
    EXPECT_EQ(-5, d.sink->For(IdOf(job.Get())).back().code);
    EXPECT_EQ(qorjsFailed, StatusOf(job.Get()));
    holder.Reset();
    EXPECT_EQ("keep me", ReadFileBytes(target));
}

TEST_F(TransferTest, EmptySourceCannotBeSizedAndFailsWithMinusFive) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("empty.bin", 0);
    auto job = d.NewJob(source, save_);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kError, 10000));
    EXPECT_EQ(-5, d.sink->For(IdOf(job.Get())).back().code);
}

TEST_F(TransferTest, SaveFolderIsMadeAndAnEmptySaveFolderFailsTheStart) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("f.bin", 1000);
    const std::string deep = save_ + "\\one\\two\\three";
    auto job = d.NewJob(source, deep + "\\", "f.bin");
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(job.Get()), kCompleted, 10000));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(deep + "\\f.bin"));

    auto nowhere = d.NewJob(source, "", "f.bin");
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(nowhere.Get()));
    ASSERT_TRUE(WaitForEvent(d, IdOf(nowhere.Get()), kError, 10000));
    EXPECT_EQ(0, d.sink->For(IdOf(nowhere.Get())).back().code);
    EXPECT_FALSE(d.sink->Has(IdOf(nowhere.Get()), kBegin));
}

}  // namespace
}  // namespace qor_test

namespace qor_test {
namespace {

TEST_F(TransferTest, RetryResumesFromTheRecordKeptDuringTheWait) {
    Downloader d;
    ASSERT_TRUE(d.Ok());
    const std::string source = Source("gone.bin", 600000);
    auto job = d.NewJob(source, save_, "gone.bin");
    const LONG id = IdOf(job.Get());
    job->put_Bandwidth(100000);
    const uint64_t saved = StopAfterFirstRecord(d, job.Get(), source);
    ASSERT_GT(saved, 0u);
    // The source is away: the next attempt fails and waits for a retry.
    const std::string away = source + ".away";
    ASSERT_TRUE(::MoveFileA(source.c_str(), away.c_str()));
    job->put_RetryTimes(1);
    job->put_RetryElapse(3000);
    job->put_Bandwidth(kNoBytes);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kWaitingForRetry, 10000));
    // Ticks of the wait publish progress but keep the record as it was.
    ASSERT_TRUE(WaitForEvent(d, id, kInProgress, 10000, d.sink->Count(id, kInProgress) + 2));
    uint64_t total = 0, done = 0;
    std::vector<RecordPortion> portions;
    ASSERT_TRUE(ReadRecord(ControlPath(save_, source), total, done, portions));
    EXPECT_EQ(saved, done);
    EXPECT_EQ(saved, Downloaded(job.Get()));
    ASSERT_TRUE(::MoveFileA(away.c_str(), source.c_str()));
    const size_t runs = d.sink->Count(id, kReadData);
    ASSERT_TRUE(WaitForEvent(d, id, kReadData, 10000, runs + 1));
    EXPECT_EQ(saved, Downloaded(job.Get()));
    // The time counts once: the recorded time is not added to the time
    // that the retry carries on from.
    win::ComPtr<IQORDownloadProgress> progress;
    job->get_DownloadProgress(progress.GetAddressOf());
    LONG consumed = 0;
    progress->get_ConsumingTime(&consumed);
    const std::vector<Event> events = d.sink->For(id);
    EXPECT_LE(static_cast<DWORD>(consumed), events.back().tick - events.front().tick + 300);
    ASSERT_EQ(S_OK, d.object->StopDownloadJob(id));
    ASSERT_TRUE(WaitForEvent(d, id, kCanceled, 10000, 2));
    job->put_Bandwidth(0);
    ASSERT_EQ(S_OK, d.object->BeginDownloadJob(job.Get()));
    ASSERT_TRUE(WaitForEvent(d, id, kCompleted, 20000));
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\gone.bin"));
}

}  // namespace
}  // namespace qor_test
