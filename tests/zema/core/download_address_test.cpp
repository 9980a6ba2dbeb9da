#include "zema/core/download_address.h"

#include <gtest/gtest.h>

#include "zema/core/web_link.h"

namespace zema {
namespace {

TEST(PackageFileName, TakesTheLastPathElementWhateverTheSeparator) {
    EXPECT_EQ("kb1.exe", PackageFileName("http://dl.example.com/a/b/kb1.exe"));
    EXPECT_EQ("kb2.exe", PackageFileName("http://dl.example.com\\a\\kb2.exe"));
    EXPECT_EQ("kb3.exe", PackageFileName("kb3.exe"));
    EXPECT_EQ("", PackageFileName("http://dl.example.com/a/"));
}

TEST(MirrorAddress, OfficialLayoutDashesOnlyTheHostsDots) {
    EXPECT_EQ("http://mirror.local/updates/a-b-c/x/y.v2.exe",
              MirrorAddress("http://a.b.c/x/y.v2.exe", "http://mirror.local/updates", true));
    EXPECT_EQ("http://m/dl-example-com/p.q/r.exe",
              MirrorAddress("ftp://dl.example.com\\p.q\\r.exe", "http://m", true));
}

TEST(MirrorAddress, FlatLayoutKeepsOnlyTheFileName) {
    EXPECT_EQ("http://mirror.local/pkgs/y.v2.exe",
              MirrorAddress("http://a.b.c/x/y.v2.exe", "http://mirror.local/pkgs", false));
}

TEST(MirrorAddress, TrailingSeparatorsOfTheServerAreDropped) {
    EXPECT_EQ("http://m/f.exe", MirrorAddress("http://a.b/f.exe", "http://m//\\", false));
    EXPECT_EQ("http://m/a-b/f.exe", MirrorAddress("http://a.b/f.exe", "http://m/", true));
}

TEST(MirrorAddress, NoServerMeansNoMirror) {
    EXPECT_EQ("", MirrorAddress("http://a.b/f.exe", "", true));
    EXPECT_EQ("", MirrorAddress("http://a.b/f.exe", "///", false));
}

TEST(IsWebLink, OnlyAbsoluteHttpAndHttpsAddressesWithoutControlCharacters) {
    for (const char* yes : {"http://a.example/x", "HTTPS://a.example", "hTtP://a"})
        EXPECT_TRUE(IsWebLink(yes)) << yes;
    const char nulInside[] = "http://a.example/\0C:\\cmd.exe";
    const std::string withNul(nulInside, sizeof(nulInside) - 1);
    for (const std::string& no :
         {std::string("C:\\Windows\\System32\\cmd.exe"), std::string("file:///C:/x.exe"),
          std::string("\\\\server\\share"), std::string("javascript:alert(1)"),
          std::string("http:/a.example"), std::string("http://"), std::string("https:///x"),
          std::string(" http://a.example"), std::string("http://a.example/\r\nx"),
          std::string("http://a\x7f"), withNul, std::string()})
        EXPECT_FALSE(IsWebLink(no)) << no;
}

}  // namespace
}  // namespace zema
