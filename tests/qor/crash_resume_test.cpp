// Downloads in processes of their own: killed at any moment, or stopped and
// begun again by a new process, the file still ends byte-identical.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

#include "netclient/file_checksum.h"
#include "tests/qor/qor_test_support.h"
#include "win/unique_handle.h"

namespace qor_test {
namespace {

using testing_support::BinaryFolder;
using testing_support::ChildProcess;
using testing_support::PathExists;
using testing_support::ReadFileBytes;

constexpr DWORD kHelperTimeoutMs = 120000;
// Bytes per second of a resumed run (see ExpectResumedFrom).
constexpr long kResumedRate = 1500000;

class CrashResumeTest : public QorTest {
protected:
    std::string Helper() const { return BinaryFolder() + "\\qor_download_helper.exe"; }

    std::string Arguments(const std::string& source, int threads, long bandwidth,
                          uint64_t stopAfter = 0) const {
        std::string args = "\"" + source + "\" \"" + save_ + "\" target.bin " +
                           std::to_string(threads) + " " + std::to_string(bandwidth) + " \"" +
                           Result() + "\"";
        if (stopAfter) args += " " + std::to_string(stopAfter);
        return args;
    }
    std::string Result() const { return folder_.File("result.txt"); }

    // A run stopped after its first megabyte; false unless it left a record.
    bool StopAfterAMegabyte(const std::string& source, uint64_t& saved,
                            std::vector<RecordPortion>& portions) {
        ChildProcess first;
        uint64_t total = 0;
        return first.Start(Helper(), Arguments(source, 3, 1500000, 1048576)) &&
               first.Wait(kHelperTimeoutMs) == 3 &&
               ReadRecord(ControlPath(save_, source), total, saved, portions) && saved < total;
    }

    // The count a resumed run started from, as far as the helper can tell: it
    // reads the published count when the run's first event reaches it, and a
    // busy machine may let a progress tick or a completed portion publish
    // more by then. Resumed runs are throttled so that this stays near the
    // start, and the checks accept it at or above the record's claim, which
    // is what a run that honoured the record shows; a run that ignored the
    // record starts below it.
    void ExpectResumedFrom(uint64_t claimed, uint64_t total) const {
        const uint64_t from = ResultFrom();
        EXPECT_GE(from, claimed) << "the run fetched bytes its record claimed";
        EXPECT_LT(from, total);
    }

    uint64_t ResultFrom() const {
        std::string text = ReadFileBytes(Result());
        size_t at = text.find("from=");
        return at == std::string::npos ? ~0ull : strtoull(text.c_str() + at + 5, nullptr, 10);
    }

    // Whatever a killed run left must be sound: a record that is whole and
    // never claims bytes that are not in the data file.
    void ExpectSoundLeftovers(const std::string& source, const std::string& sourceBytes) {
        const std::string record = ControlPath(save_, source);
        if (!PathExists(record)) return;
        const std::string bytes = ReadFileBytes(record);
        ASSERT_GE(bytes.size(), 72u);
        EXPECT_EQ(bytes.substr(0, 16), netclient::FileChecksum::OfText(bytes.substr(16)))
            << "a torn resume record";
        // The source's time, never the time of our own writes: those move
        // the file's time after a kill, and a record that named them would
        // make the next run think the source changed.
        const FILETIME sourceTime = FileTimeOf(source);
        EXPECT_EQ(0, memcmp(bytes.data() + 32, &sourceTime, sizeof(sourceTime)))
            << "the record names a time other than the source's";
        if (!PathExists(DataPath(save_, source))) {
            // Killed after the move into place, before the record went: the
            // next run refuses a record without its data file, and the
            // target is whole.
            EXPECT_TRUE(sourceBytes == ReadFileBytes(save_ + "\\target.bin"))
                << "a record is left without its data file, and the target is not whole";
            return;
        }
        uint64_t total = 0, done = 0;
        std::vector<RecordPortion> portions;
        ASSERT_TRUE(ReadRecord(record, total, done, portions));
        const std::string data = ReadFileBytes(DataPath(save_, source));
        for (const RecordPortion& p : portions) {
            if (p.done == 0) continue;
            ASSERT_LE(p.start + p.done, data.size());
            EXPECT_TRUE(data.compare(p.start, p.done, sourceBytes, p.start, p.done) == 0)
                << "the record claims bytes that are not on disk at " << p.start;
        }
    }
};

TEST_F(CrashResumeTest, DownloadKilledAtRandomMomentsEndsByteIdentical) {
    const std::string source = Source("big.bin", 6 * 1048576 + 4321);
    const std::string sourceBytes = ReadFileBytes(source);
    std::mt19937 random(static_cast<unsigned>(::GetTickCount()));
    std::uniform_int_distribution<int> delay(200, 3000);
    std::uniform_int_distribution<int> threads(1, 4);
    for (int round = 0; round < 8; ++round) {
        const int wait = delay(random);
        const int count = threads(random);
        SCOPED_TRACE(testing::Message() << "round " << round << " kill after " << wait
                                        << " ms with " << count << " threads");
        ChildProcess helper;
        ASSERT_TRUE(helper.Start(Helper(), Arguments(source, count, 2500000)));
        const int code = helper.Wait(static_cast<DWORD>(wait));
        if (code == testing_support::kStillRunning) {
            ::TerminateProcess(helper.Handle(), 9);
            ::WaitForSingleObject(helper.Handle(), 10000);
        } else {
            ASSERT_EQ(0, code);
        }
        ExpectSoundLeftovers(source, sourceBytes);
    }
    // What the last record claims is not fetched again.
    uint64_t total = 0, claimed = 0;
    std::vector<RecordPortion> portions;
    const bool recorded = PathExists(DataPath(save_, source)) &&
                          ReadRecord(ControlPath(save_, source), total, claimed, portions) &&
                          claimed < total;
    ChildProcess last;
    ASSERT_TRUE(last.Start(Helper(), Arguments(source, 3, recorded ? kResumedRate : 0)));
    ASSERT_EQ(0, last.Wait(kHelperTimeoutMs));
    if (recorded) ExpectResumedFrom(claimed, total);
    EXPECT_TRUE(sourceBytes == ReadFileBytes(save_ + "\\target.bin"));
    EXPECT_EQ(std::vector<std::string>{"target.bin"}, FolderEntries(save_));
}

TEST_F(CrashResumeTest, StoppedJobResumesFromItsSavedCountsInANewProcess) {
    const std::string source = Source("stop.bin", 4 * 1048576);
    ChildProcess first;
    ASSERT_TRUE(first.Start(Helper(), Arguments(source, 3, 1500000, 1048576)));
    ASSERT_EQ(3, first.Wait(kHelperTimeoutMs));
    uint64_t total = 0, saved = 0;
    std::vector<RecordPortion> portions;
    ASSERT_TRUE(ReadRecord(ControlPath(save_, source), total, saved, portions));
    EXPECT_EQ(4u * 1048576, total);
    ASSERT_GE(saved, 1048576u);
    ASSERT_LT(saved, total);

    ChildProcess second;
    ASSERT_TRUE(second.Start(Helper(), Arguments(source, 3, kResumedRate)));
    ASSERT_EQ(0, second.Wait(kHelperTimeoutMs));
    ExpectResumedFrom(saved, total);
    EXPECT_TRUE(ReadFileBytes(source) == ReadFileBytes(save_ + "\\target.bin"));
    EXPECT_FALSE(PathExists(ControlPath(save_, source)));
}

// A killed run wrote more than its last record claims, which moved the
// DataFile's time: the next run still resumes from the record. A DataFile
// whose time went back is another file, and the download starts afresh.
TEST_F(CrashResumeTest, ResumesAfterUnrecordedWritesButNotFromAnOlderDataFile) {
    const std::string source = Source("crash.bin", 4 * 1048576);
    const std::string sourceBytes = ReadFileBytes(source);
    uint64_t saved = 0;
    std::vector<RecordPortion> portions;
    ASSERT_TRUE(StopAfterAMegabyte(source, saved, portions));
    auto unfinished = std::find_if(portions.begin(), portions.end(),
                                   [](const RecordPortion& p) { return p.done < p.length; });
    ASSERT_NE(unfinished, portions.end());
    {
        win::FileHandle data(::CreateFileA(DataPath(save_, source).c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(data);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(unfinished->start + unfinished->done);
        DWORD written = 0;
        ASSERT_TRUE(::SetFilePointerEx(data.Get(), at, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::WriteFile(data.Get(), sourceBytes.data() + at.QuadPart, 8192, &written,
                                nullptr));
    }
    ChildProcess resumed;
    ASSERT_TRUE(resumed.Start(Helper(), Arguments(source, 3, kResumedRate)));
    ASSERT_EQ(0, resumed.Wait(kHelperTimeoutMs));
    ExpectResumedFrom(saved, sourceBytes.size());
    EXPECT_TRUE(sourceBytes == ReadFileBytes(save_ + "\\target.bin"));

    ASSERT_TRUE(StopAfterAMegabyte(source, saved, portions));
    FILETIME time = FileTimeOf(DataPath(save_, source));
    ULARGE_INTEGER older;
    older.LowPart = time.dwLowDateTime;
    older.HighPart = time.dwHighDateTime;
    older.QuadPart -= 10000000;  // a second earlier
    time.dwLowDateTime = older.LowPart;
    time.dwHighDateTime = older.HighPart;
    ASSERT_TRUE(SetFileTimeOf(DataPath(save_, source), time));
    ChildProcess afresh;
    ASSERT_TRUE(afresh.Start(Helper(), Arguments(source, 3, kResumedRate)));
    ASSERT_EQ(0, afresh.Wait(kHelperTimeoutMs));
    EXPECT_LT(ResultFrom(), saved) << "a data file older than its record was trusted";
    EXPECT_TRUE(sourceBytes == ReadFileBytes(save_ + "\\target.bin"));
}

}  // namespace
}  // namespace qor_test
