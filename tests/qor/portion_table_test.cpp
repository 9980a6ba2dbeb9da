// Portions: splitting, merging, taking work and writing at their places in the file.

#include <gtest/gtest.h>

#include "qor/jobs/data_file.h"
#include "qor/jobs/portion_table.h"
#include "tests/support/test_support.h"

namespace qor {

bool operator==(const PortionRecord& a, const PortionRecord& b) {
    return a.start == b.start && a.length == b.length && a.done == b.done;
}

namespace {

using testing_support::ReadFileBytes;
using testing_support::TempFolder;

std::vector<PortionRecord> Records(PortionTable& table) {
    std::vector<PortionRecord> out;
    for (auto& p : table.Portions()) out.push_back({p->Start(), p->Length(), p->Done()});
    return out;
}

TEST(PortionTable, OneWholeBlockCannotBeSplit) {
    PortionTable table;
    ASSERT_TRUE(table.Add(0, 100000, 0));
    table.InitialSplit(4);
    EXPECT_EQ(1u, table.Count());
}

TEST(PortionTable, InitialSplitOfAMegabyteGivesFourPortionsInTableOrder) {
    PortionTable table;
    ASSERT_TRUE(table.Add(0, 1048576, 0));
    table.InitialSplit(4);
    const std::vector<PortionRecord> expected = {
        {0, 262144, 0}, {524288, 262144, 0}, {262144, 262144, 0}, {786432, 262144, 0}};
    EXPECT_EQ(expected, Records(table));
}

TEST(PortionTable, NoSplitForOneThreadOrWhenNothingRemains) {
    PortionTable one;
    one.Add(0, 1048576, 0);
    one.InitialSplit(1);
    EXPECT_EQ(1u, one.Count());
    PortionTable done;
    done.Add(0, 1048576, 1048576);
    done.InitialSplit(4);
    EXPECT_EQ(1u, done.Count());
}

TEST(PortionTable, SplitCutsBehindTheDoneCountOnABlockBoundary) {
    PortionTable table;
    table.Add(0, 1048576, 200000);  // 848576 left: 12 whole blocks
    table.InitialSplit(2);
    // cut = (12 / 2 + 200000 / 65536) * 65536 = 9 * 65536
    const std::vector<PortionRecord> expected = {{0, 589824, 200000}, {589824, 458752, 0}};
    EXPECT_EQ(expected, Records(table));
}

TEST(PortionTable, SortAndMergeJoinsUnstartedPortionsToTheIncompleteOneBefore) {
    PortionTable table;
    table.Add(524288, 262144, 0);
    table.Add(0, 262144, 1000);
    table.Add(786432, 262144, 10);
    table.Add(262144, 262144, 0);
    table.SortAndMerge();
    const std::vector<PortionRecord> expected = {{0, 786432, 1000}, {786432, 262144, 10}};
    EXPECT_EQ(expected, Records(table));
    // A complete portion is not extended.
    PortionTable complete;
    complete.Add(0, 65536, 65536);
    complete.Add(65536, 65536, 0);
    complete.SortAndMerge();
    EXPECT_EQ(2u, complete.Count());
}

TEST(PortionTable, TakeWorkPrefersIdlePortionsThenSplitsOnlyLongTails) {
    PortionTable table;
    table.Add(0, 1048576, 0);
    auto first = table.TakeFirstIdle(1);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->Idle());
    // 1 MB at 300 000 B/s per thread is under 5 s: no split.
    EXPECT_EQ(nullptr, table.TakeWork(300000, 2));
    EXPECT_EQ(nullptr, table.TakeWork(0, 2));
    // At 100 000 B/s it is over 5 s: the tail is split off and taken.
    auto tail = table.TakeWork(100000, 2);
    ASSERT_TRUE(tail);
    EXPECT_EQ(524288u, tail->Start());
    EXPECT_FALSE(tail->Idle());
    EXPECT_EQ(2u, table.Count());
    EXPECT_FALSE(table.Release(tail, 2, true));
    EXPECT_TRUE(tail->Idle());
    EXPECT_TRUE(tail->failedBefore);
    EXPECT_EQ(tail, table.TakeWork(0, 3));
    EXPECT_TRUE(table.Release(tail, 3, true));
}

// A thread that gave a portion back, and took or was given no other, holds
// nothing: its late give-back or write must not touch the portion's next
// owner. A write counts only bytes that reached the file.
TEST(PortionTable, OnlyTheOwnerGivesBackOrWritesAndOnlyWhereItsStreamStands) {
    TempFolder folder;
    DataFile file;
    ASSERT_TRUE(file.Open(folder.File("o.qor"), 4 * kBlockSize));
    PortionTable table;
    table.Add(0, 4 * kBlockSize, 0);
    table.AttachAll(&file);
    auto portion = table.TakeFirstIdle(1);
    ASSERT_TRUE(portion);
    EXPECT_TRUE(portion->Write(1, 0, "abc", 3));
    table.Release(portion, 1, true);
    ASSERT_EQ(portion, table.TakeWork(0, 2));
    EXPECT_FALSE(table.TakeIfIdle(portion, 3));
    // The first owner's second give-back leaves the portion with the second.
    EXPECT_FALSE(table.Release(portion, 1, false));
    EXPECT_FALSE(portion->Idle());
    EXPECT_EQ(nullptr, table.TakeFirstIdle(3));
    // Neither the former owner nor a stream behind or ahead of the portion
    // writes a byte.
    EXPECT_FALSE(portion->Write(1, 3, "x", 1));
    EXPECT_FALSE(portion->Write(2, 0, "x", 1));
    EXPECT_FALSE(portion->Write(2, 4, "x", 1));
    EXPECT_FALSE(portion->Write(kNoOwner, 3, "x", 1));
    EXPECT_EQ(3u, portion->Done());
    EXPECT_TRUE(portion->Write(2, 3, "def", 3));
    EXPECT_EQ(6u, portion->Done());
    file.Close();
    EXPECT_EQ("abcdef", ReadFileBytes(folder.File("o.qor")).substr(0, 6));
    // Nor does the owner count bytes the file did not take: no record may
    // claim them.
    EXPECT_FALSE(portion->Write(2, 6, "ghi", 3));
    EXPECT_EQ(6u, portion->Done());
}

TEST(Portion, WritesAtItsPlaceAndDropsBytesBeyondItsEnd) {
    TempFolder folder;
    DataFile file;
    const uint64_t size = 3 * kBlockSize + 1000;
    ASSERT_TRUE(file.Open(folder.File("d.qor"), size));
    PortionTable table;
    table.Add(0, kBlockSize + 10, 0);
    table.Add(2 * kBlockSize, size - 2 * kBlockSize, 0);
    table.AttachAll(&file);
    auto portions = table.Portions();
    std::string data(size, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13 + 1);
    // Odd-sized writes that straddle the 64 KB blocks.
    ASSERT_TRUE(table.TakeIfIdle(portions[0], 1));
    ASSERT_TRUE(table.TakeIfIdle(portions[1], 2));
    size_t at = 0;
    while (at < data.size()) {
        size_t n = std::min<size_t>(8191, data.size() - at);
        EXPECT_TRUE(portions[0]->Write(1, std::min<uint64_t>(at, kBlockSize + 10), data.data() + at, n));
        at += n;
    }
    EXPECT_TRUE(portions[0]->Complete());
    EXPECT_EQ(kBlockSize + 10, portions[0]->Done());
    EXPECT_TRUE(portions[0]->Write(1, kBlockSize + 10, "x", 1));
    EXPECT_EQ(kBlockSize + 10, portions[0]->Done());
    EXPECT_TRUE(portions[1]->Write(2, 2 * kBlockSize, data.data() + 2 * kBlockSize, data.size()));
    EXPECT_EQ(size - 2 * kBlockSize, portions[1]->Done());
    EXPECT_EQ(size - 2 * kBlockSize, table.Record(PortionTable::Counts::kWritten)[1].done);
    file.Close();
    const std::string written = ReadFileBytes(folder.File("d.qor"));
    ASSERT_EQ(size, written.size());
    EXPECT_TRUE(written.compare(0, kBlockSize + 10, data, 0, kBlockSize + 10) == 0);
    EXPECT_EQ(std::string(kBlockSize - 10, '\0'), written.substr(kBlockSize + 10, kBlockSize - 10));
    EXPECT_TRUE(written.compare(2 * kBlockSize, std::string::npos, data, 2 * kBlockSize,
                                std::string::npos) == 0);
}

// A record between flushes claims what the last flush covered: bytes a
// portion took since then, and bytes of a portion made afresh where a
// flushed one stood, are not on disk yet.
TEST(PortionTable, RecordsBetweenFlushesClaimOnlyWhatTheLastFlushCovered) {
    TempFolder folder;
    DataFile file;
    ASSERT_TRUE(file.Open(folder.File("f.qor"), 4 * kBlockSize));
    PortionTable table;
    table.Add(0, 2 * kBlockSize, 1000);  // as a record left it: on disk
    table.Add(2 * kBlockSize, 2 * kBlockSize, 0);
    table.AttachAll(&file);
    auto portions = table.Portions();
    ASSERT_TRUE(table.TakeIfIdle(portions[0], 1));
    ASSERT_TRUE(table.TakeIfIdle(portions[1], 2));
    const std::string bytes(500, 'b');
    ASSERT_TRUE(portions[0]->Write(1, 1000, bytes.data(), bytes.size()));
    const std::vector<PortionRecord> loaded = {{0, 2 * kBlockSize, 1000},
                                               {2 * kBlockSize, 2 * kBlockSize, 0}};
    EXPECT_EQ(loaded, table.Record(PortionTable::Counts::kFlushed));

    PortionTable::Written written;
    const std::vector<PortionRecord> taken = {{0, 2 * kBlockSize, 1500},
                                              {2 * kBlockSize, 2 * kBlockSize, 0}};
    EXPECT_EQ(taken, table.Record(PortionTable::Counts::kWritten, &written));
    // Written while the flush runs: not covered by it.
    ASSERT_TRUE(portions[1]->Write(2, 2 * kBlockSize, bytes.data(), bytes.size()));
    ASSERT_TRUE(file.Flush());
    table.MarkFlushed(written);
    EXPECT_EQ(taken, table.Record(PortionTable::Counts::kFlushed));

    // The portions start again from nothing, as when the source changed.
    table.Clear();
    table.Add(0, 4 * kBlockSize, 0);
    table.AttachAll(&file);
    ASSERT_TRUE(table.TakeIfIdle(table.Portions()[0], 3));
    ASSERT_TRUE(table.Portions()[0]->Write(3, 0, bytes.data(), bytes.size()));
    table.MarkFlushed(written);  // a flush that began before the reset ends
    const std::vector<PortionRecord> afresh = {{0, 4 * kBlockSize, 0}};
    EXPECT_EQ(afresh, table.Record(PortionTable::Counts::kFlushed));
    file.Close();
}

TEST(DataFile, CannotBeSizedToZeroAndKeepsTheRemoteTimeWhenClosed) {
    TempFolder folder;
    DataFile empty;
    EXPECT_FALSE(empty.Open(folder.File("e.qor"), 0));
    DataFile file;
    ASSERT_TRUE(file.Open(folder.File("t.qor"), kBlockSize));
    const FILETIME remote = {0x11111111, 0x01C00000};
    ASSERT_TRUE(file.SetRemoteTime(remote));
    ASSERT_TRUE(file.Write(0, std::string(kBlockSize, '\7').data(), kBlockSize));
    EXPECT_FALSE(file.Write(kBlockSize - 1, "xy", 2)) << "a write past the size";
    file.Close();
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(::GetFileAttributesExA(folder.File("t.qor").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(remote.dwLowDateTime, data.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(remote.dwHighDateTime, data.ftLastWriteTime.dwHighDateTime);
    EXPECT_EQ(kBlockSize, data.nFileSizeLow);
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
}  // namespace qor
