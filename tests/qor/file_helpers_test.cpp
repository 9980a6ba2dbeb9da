// FileChecksum, MD5 and the folder and file helpers.

#include <gtest/gtest.h>

#include "netclient/file_checksum.h"
#include "netclient/file_utils.h"
#include "netclient/md5.h"
#include "tests/support/test_support.h"

namespace netclient {
namespace {

using testing_support::TempFolder;
using testing_support::WriteFileBytes;

std::string FullDigest(const std::string& text) {
    Md5 md5;
    md5.Update(text.data(), text.size());
    uint8_t digest[Md5::kDigestSize];
    md5.Final(digest);
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : digest) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

TEST(Md5, MatchesTheReferenceSuite) {
    // RFC 1321, appendix A.5.
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", FullDigest(""));
    EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", FullDigest("a"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", FullDigest("abc"));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", FullDigest("message digest"));
    EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", FullDigest("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
              FullDigest("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
              FullDigest("1234567890123456789012345678901234567890123456789012345678901234567890"
                         "1234567890"));
}

TEST(Md5, PiecesGiveTheSameDigestAsOneBuffer) {
    std::string text(1000, '\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 + 3);
    // Pieces that straddle block and padding boundaries (55, 56, 64 bytes).
    for (size_t cut : {1u, 55u, 56u, 63u, 64u, 65u, 999u}) {
        Md5 md5;
        md5.Update(text.data(), cut);
        md5.Update(text.data() + cut, text.size() - cut);
        uint8_t a[16], b[16];
        md5.Final(a);
        Md5 whole;
        whole.Update(text.data(), text.size());
        whole.Final(b);
        EXPECT_EQ(0, memcmp(a, b, 16)) << cut;
    }
}

TEST(FileChecksum, IsTheFirstEightDigestBytesInUpperCaseHex) {
    EXPECT_EQ("D41D8CD98F00B204", FileChecksum::OfBuffer("", 0));
    EXPECT_EQ("900150983CD24FB0", FileChecksum::OfText("abc"));
    EXPECT_EQ(16u, FileChecksum::OfText("anything").size());
}

TEST(FileChecksum, OfAFileEqualsTheChecksumOfItsBytes) {
    TempFolder folder;
    std::string bytes(10000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i ^ (i >> 8));
    WriteFileBytes(folder.File("f.bin"), bytes);
    EXPECT_EQ(FileChecksum::OfText(bytes), FileChecksum::OfFile(folder.File("f.bin")));
    WriteFileBytes(folder.File("empty.bin"), "");
    EXPECT_EQ("D41D8CD98F00B204", FileChecksum::OfFile(folder.File("empty.bin")));
    EXPECT_EQ("", FileChecksum::OfFile(folder.File("missing.bin")));
}

TEST(FileHelpers, MakeFolderPathMakesEveryMissingLevel) {
    TempFolder folder;
    const std::string deep = folder.File("one") + "\\two\\three";
    ASSERT_TRUE(::CreateDirectoryA(folder.File("one").c_str(), nullptr));
    EXPECT_FALSE(FolderExists(deep));
    EXPECT_TRUE(MakeFolderPath(deep));
    EXPECT_TRUE(FolderExists(folder.File("one") + "\\two"));
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_TRUE(MakeFolderPath(deep + "\\"));
    const std::string slashed = folder.File("a") + "/b/c/";
    EXPECT_TRUE(MakeFolderPath(slashed));
    EXPECT_TRUE(FolderExists(folder.File("a") + "\\b\\c"));
}

TEST(FileHelpers, MakeFolderPathFailsUnderAFile) {
    TempFolder folder;
    WriteFileBytes(folder.File("file"), "x");
    EXPECT_FALSE(MakeFolderPath(folder.File("file") + "\\sub"));
    EXPECT_FALSE(FolderExists(folder.File("file")));
}

TEST(FileHelpers, DriveRootsExist) {
    EXPECT_TRUE(FolderExists("C:\\"));
    EXPECT_TRUE(FolderExists("C:"));
    EXPECT_FALSE(FolderExists(""));
}

TEST(FileHelpers, SizeAndTimeOfFiles) {
    TempFolder folder;
    WriteFileBytes(folder.File("s.bin"), std::string(12345, 'x'));
    EXPECT_EQ(12345u, GetFileSize64(folder.File("s.bin")));
    EXPECT_EQ(0u, GetFileSize64(folder.File("none.bin")));
    FILETIME time = GetLastWriteTime(folder.File("s.bin"));
    EXPECT_NE(0u, time.dwHighDateTime);
    FILETIME none = GetLastWriteTime(folder.File("none.bin"));
    EXPECT_EQ(0u, none.dwLowDateTime);
    EXPECT_EQ(0u, none.dwHighDateTime);
}

}  // namespace
}  // namespace netclient
