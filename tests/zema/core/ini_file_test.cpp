#include "zema/core/ini_file.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace zema {
namespace {

using testing_support::TempFolder;
using testing_support::WriteFileBytes;

TEST(IniFile, IntegersFallBackToTheDefaultWhenMissingOrNotNumeric) {
    TempFolder folder;
    IniFile ini(folder.File("a.ini"));
    WriteFileBytes(ini.Path(),
                   "[S]\r\nNum=42\r\nNeg=-7\r\nText=abc\r\nEmpty=\r\nLead=12abc\r\nSpace=  9\r\n");
    EXPECT_EQ(42, ini.ReadInt("S", "Num", 5));
    EXPECT_EQ(-7, ini.ReadInt("S", "Neg", 5));
    EXPECT_EQ(5, ini.ReadInt("S", "Text", 5));
    EXPECT_EQ(5, ini.ReadInt("S", "Empty", 5));
    EXPECT_EQ(12, ini.ReadInt("S", "Lead", 5));
    EXPECT_EQ(9, ini.ReadInt("S", "Space", 5));
    EXPECT_EQ(5, ini.ReadInt("S", "Missing", 5));
    EXPECT_EQ(5, ini.ReadInt("Nowhere", "Num", 5));
}

TEST(IniFile, StringsAreCutToTheirBuffer) {
    TempFolder folder;
    IniFile ini(folder.File("b.ini"));
    ASSERT_TRUE(ini.WriteString("S", "Name", std::string(40, 'n')));
    EXPECT_EQ(std::string(31, 'n'), ini.ReadString("S", "Name", 32));
    EXPECT_EQ(std::string(40, 'n'), ini.ReadString("S", "Name", 2047));
    EXPECT_EQ("dflt", ini.ReadString("S", "Missing", 32, "dflt"));
}

TEST(IniFile, SixtyFourBitValuesRoundTrip) {
    TempFolder folder;
    IniFile ini(folder.File("c.ini"));
    const int64_t big = 133456789012345678LL;
    ASSERT_TRUE(ini.WriteInt64("G", "T", big));
    EXPECT_EQ(big, ini.ReadInt64("G", "T", 0, 31));
    EXPECT_EQ(0, ini.ReadInt64("G", "Missing", 0, 31));
}

}  // namespace
}  // namespace zema
