#include "netclient/ftp_reply.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/netclient/test_names.h"

namespace netclient {
namespace {

void Feed(FtpReplyReader& reader, const std::string& text) {
    ASSERT_TRUE(reader.Append(text.data(), text.size()));
}

TEST(FtpReplyReader, WaitsForTheFinalLineOfAMultiLineReply) {
    FtpReplyReader reader;
    int code = 0;
    std::string text;
    Feed(reader, "220-Welcome\r\n220-More about us\r\n 220 indented, not final\r\n22");
    EXPECT_FALSE(reader.Next(code, text));
    Feed(reader, "0 Ready\r");
    EXPECT_FALSE(reader.Next(code, text));
    Feed(reader, "\n");
    ASSERT_TRUE(reader.Next(code, text));
    EXPECT_EQ(code, 220);
    EXPECT_EQ(text, "Ready");
}

TEST(FtpReplyReader, KeepsWhatFollowsAReplyForTheNextOne) {
    FtpReplyReader reader;
    int code = 0;
    std::string text;
    Feed(reader, "150 Sending\r\n226 Done\r\n213 1");
    ASSERT_TRUE(reader.Next(code, text));
    EXPECT_EQ(code, 150);
    ASSERT_TRUE(reader.Next(code, text));
    EXPECT_EQ(code, 226);
    EXPECT_FALSE(reader.Next(code, text));
    Feed(reader, "00\n");  // a bare line feed ends a line too
    ASSERT_TRUE(reader.Next(code, text));
    EXPECT_EQ(code, 213);
    EXPECT_EQ(text, "100");
}

TEST(FtpReplyReader, HandsOutGarbageAsCodeZeroAndRefusesEndlessReplies) {
    FtpReplyReader reader;
    int code = -1;
    std::string text;
    Feed(reader, "hello there\r\n");
    ASSERT_TRUE(reader.Next(code, text));
    EXPECT_EQ(code, 0);
    std::string line = "220-" + std::string(1000, 'x') + "\r\n";
    bool accepted = true;
    for (int i = 0; i < 100 && accepted; ++i) accepted = reader.Append(line.data(), line.size());
    EXPECT_FALSE(accepted);
}

TEST(FtpValues, ReadsSizes) {
    uint64_t size = 0;
    ASSERT_TRUE(ParseFtpSize("5000000000", size));
    EXPECT_EQ(size, 5000000000ull);
    EXPECT_FALSE(ParseFtpSize("", size));
    EXPECT_FALSE(ParseFtpSize("big", size));
    EXPECT_FALSE(ParseFtpSize("99999999999999999999999", size));
}

TEST(FtpValues, ReadsMdtmTimesAsUtc) {
    FILETIME time = {};
    ASSERT_TRUE(ParseMdtmTime("20240102030405", time));
    SYSTEMTIME parts = {};
    ASSERT_TRUE(::FileTimeToSystemTime(&time, &parts));
    EXPECT_EQ(parts.wYear, 2024);
    EXPECT_EQ(parts.wMonth, 1);
    EXPECT_EQ(parts.wDay, 2);
    EXPECT_EQ(parts.wHour, 3);
    EXPECT_EQ(parts.wMinute, 4);
    EXPECT_EQ(parts.wSecond, 5);
    EXPECT_TRUE(ParseMdtmTime("20240102030405.123", time));
    EXPECT_FALSE(ParseMdtmTime("2024010203", time));
    EXPECT_FALSE(ParseMdtmTime("20241302030405", time));
    EXPECT_FALSE(ParseMdtmTime("2024x102030405", time));
}

struct PasvCase {
    const char* text;
    bool ok;
    uint32_t address;
    uint16_t port;
};

void PrintTo(const PasvCase& c, std::ostream* os) { *os << netclient_tests::CaseLabel(c.text); }

class PasvParsing : public ::testing::TestWithParam<PasvCase> {};

TEST_P(PasvParsing, ReadsAddressAndPortOrRefuses) {
    const PasvCase& c = GetParam();
    uint32_t address = 0;
    uint16_t port = 0;
    ASSERT_EQ(ParsePasvAddress(c.text, address, port), c.ok) << c.text;
    if (c.ok) {
        EXPECT_EQ(address, c.address);
        EXPECT_EQ(port, c.port);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PasvParsing,
    ::testing::Values(PasvCase{"Entering Passive Mode (127,0,0,1,4,1)", true, 0x7F000001, 1025},
                      PasvCase{"Passive (10, 1, 2, 3, 255, 255).", true, 0x0A010203, 65535},
                      PasvCase{"Entering Passive Mode 192,168,1,2,0,21", true, 0xC0A80102, 21},
                      PasvCase{"Entering Passive Mode (127,0,0)", false, 0, 0},
                      PasvCase{"Entering Passive Mode (127,0,0,1,4)", false, 0, 0},
                      PasvCase{"Entering Passive Mode (127,0,0,256,4,1)", false, 0, 0},
                      PasvCase{"Entering Passive Mode (127,0,0,1,0,0)", false, 0, 0},
                      PasvCase{"Entering Passive Mode (1,2,3,4,5,6", false, 0, 0},
                      PasvCase{"", false, 0, 0}));

}  // namespace
}  // namespace netclient
