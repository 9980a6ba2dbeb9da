// The ControlFile record: layout, checks on reading, and safe replacement.

#include <gtest/gtest.h>

#include "netclient/file_checksum.h"
#include "qor/jobs/control_file.h"
#include "tests/support/test_support.h"

namespace qor {
namespace {

using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;

ControlRecord SampleRecord() {
    ControlRecord r;
    r.total = 1048576;
    r.portions = {{0, 262144, 1000}, {524288, 262144, 0}, {262144, 262144, 262144},
                  {786432, 262144, 5}};
    r.doneSum = 1000 + 262144 + 5;
    r.dataTime = {0x89ABCDEF, 0x01D80000};
    r.consumingTime = 4321;
    r.averageRate = ControlFile::AverageRate(r.doneSum, r.consumingTime);
    r.urlKey = "0123456789ABCDEF";
    return r;
}

uint64_t Le(const std::string& b, size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

TEST(ControlFile, SerializesTheFixedLayout) {
    const ControlRecord r = SampleRecord();
    const std::string b = ControlFile::Serialize(r);
    ASSERT_EQ(72u + 24u * 4, b.size());
    EXPECT_EQ(netclient::FileChecksum::OfText(b.substr(16)), b.substr(0, 16));
    EXPECT_EQ(1048576u, Le(b, 16, 8));
    EXPECT_EQ(r.doneSum, Le(b, 24, 8));
    EXPECT_EQ(0x89ABCDEFu, Le(b, 32, 4));
    EXPECT_EQ(0x01D80000u, Le(b, 36, 4));
    EXPECT_EQ(4321u, Le(b, 40, 4));
    EXPECT_EQ((r.doneSum / 4321) * 1000, Le(b, 44, 4));
    EXPECT_EQ(4u, Le(b, 48, 4));
    EXPECT_EQ("0123456789ABCDEF", b.substr(52, 16));
    EXPECT_EQ(0u, Le(b, 68, 4));
    EXPECT_EQ(524288u, Le(b, 72 + 24, 8));
    EXPECT_EQ(262144u, Le(b, 72 + 24 + 8, 8));
    EXPECT_EQ(5u, Le(b, 72 + 3 * 24 + 16, 8));
}

TEST(ControlFile, ParsesWhatItWrote) {
    const ControlRecord r = SampleRecord();
    ControlRecord back;
    ASSERT_TRUE(ControlFile::Parse(ControlFile::Serialize(r), back));
    EXPECT_EQ(r.total, back.total);
    EXPECT_EQ(r.doneSum, back.doneSum);
    EXPECT_EQ(r.consumingTime, back.consumingTime);
    EXPECT_EQ(r.urlKey, back.urlKey);
    ASSERT_EQ(r.portions.size(), back.portions.size());
    for (size_t i = 0; i < r.portions.size(); ++i) {
        EXPECT_EQ(r.portions[i].start, back.portions[i].start);
        EXPECT_EQ(r.portions[i].length, back.portions[i].length);
        EXPECT_EQ(r.portions[i].done, back.portions[i].done);
    }
}

TEST(ControlFile, AnyChangedByteFromOffset16FailsTheChecksum) {
    const std::string b = ControlFile::Serialize(SampleRecord());
    ControlRecord back;
    for (size_t i = 16; i < b.size(); ++i) {
        std::string changed = b;
        changed[i] = static_cast<char>(changed[i] ^ 0x40);
        EXPECT_FALSE(ControlFile::Parse(changed, back)) << "offset " << i;
    }
}

// Re-signs a changed record so that only the other checks can refuse it.
std::string Resigned(std::string b) {
    b.replace(0, 16, netclient::FileChecksum::OfText(b.substr(16)));
    return b;
}

TEST(ControlFile, RejectsACountThatDoesNotMatchTheSize) {
    std::string b = ControlFile::Serialize(SampleRecord());
    ControlRecord back;
    b[48] = 40;  // claims 40 portions, holds 4
    EXPECT_FALSE(ControlFile::Parse(Resigned(b), back));
    b[48] = 3;  // claims fewer than it holds
    EXPECT_FALSE(ControlFile::Parse(Resigned(b), back));
    b[48] = 4;
    b[51] = 0x7F;  // a count that overflows the size
    EXPECT_FALSE(ControlFile::Parse(Resigned(b), back));
    EXPECT_FALSE(ControlFile::Parse(Resigned(b.substr(0, 71)), back));
    EXPECT_FALSE(ControlFile::Parse(std::string(), back));
}

TEST(ControlFile, RejectsPortionsOutsideTheFileOrOverlapping) {
    struct Case {
        const char* what;
        std::vector<PortionRecord> portions;
    };
    const Case cases[] = {
        {"past the end", {{0, 524288, 0}, {524288, 600000, 0}}},
        {"overlapping", {{0, 600000, 0}, {524288, 524288, 0}}},
        {"done beyond length", {{0, 1048576, 1048577}}},
        {"unaligned start", {{100, 1048476, 0}}},
        {"empty portion of a known file", {{0, 0, 0}, {0, 1048576, 0}}},
        {"wrapping length", {{524288, ~0ull - 100, 0}}},
    };
    for (const Case& c : cases) {
        ControlRecord r = SampleRecord();
        r.portions = c.portions;
        r.doneSum = 0;
        for (auto& p : r.portions) r.doneSum += p.done;
        ControlRecord back;
        EXPECT_FALSE(ControlFile::Parse(ControlFile::Serialize(r), back)) << c.what;
    }
    ControlRecord r = SampleRecord();
    r.doneSum += 1;  // the sum must be the portions' sum
    ControlRecord back;
    EXPECT_FALSE(ControlFile::Parse(ControlFile::Serialize(r), back));
}

TEST(ControlFile, AFreshRunWithUnknownLengthIsAValidRecord) {
    ControlRecord r;
    r.urlKey = "0123456789ABCDEF";
    r.portions = {{0, 0, 0}};
    ControlRecord back;
    EXPECT_TRUE(ControlFile::Parse(ControlFile::Serialize(r), back));
}

TEST(ControlFile, HoldsAtMostTheLargestRecord) {
    ControlRecord r;
    r.urlKey = "0123456789ABCDEF";
    r.total = kBlockSize * 400;
    for (uint64_t i = 0; i < ControlFile::kMaxPortions + 1; ++i)
        r.portions.push_back({i * kBlockSize, kBlockSize, 0});
    EXPECT_EQ("", ControlFile::Serialize(r));
    r.portions.pop_back();
    EXPECT_LE(ControlFile::Serialize(r).size(), 8192u);
}

TEST(ControlFile, WritesBesideThenReplacesAndReadsWithinLimits) {
    TempFolder folder;
    const std::string path = folder.File("k.qoc");
    const std::string first = ControlFile::Serialize(SampleRecord());
    ASSERT_TRUE(ControlFile::WriteReplacing(path, first));
    ControlRecord second = SampleRecord();
    second.consumingTime = 99;
    const std::string bytes = ControlFile::Serialize(second);
    ASSERT_TRUE(ControlFile::WriteReplacing(path, bytes));
    std::string read;
    ASSERT_TRUE(ControlFile::Read(path, read));
    EXPECT_EQ(bytes, read);
    EXPECT_FALSE(PathExists(ControlFile::AsidePath(path)));
    EXPECT_TRUE(::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);

    // A half-written record beside it never replaces the whole one.
    WriteFileBytes(ControlFile::AsidePath(path), bytes.substr(0, 30));
    ASSERT_TRUE(ControlFile::Read(path, read));
    EXPECT_EQ(bytes, read);
    ControlFile::Delete(path);
    EXPECT_FALSE(PathExists(path));
    EXPECT_FALSE(PathExists(ControlFile::AsidePath(path)));

    WriteFileBytes(path, std::string(71, 'x'));
    EXPECT_FALSE(ControlFile::Read(path, read));
    WriteFileBytes(path, std::string(8193, 'x'));
    EXPECT_FALSE(ControlFile::Read(path, read));
}

}  // namespace
}  // namespace qor
