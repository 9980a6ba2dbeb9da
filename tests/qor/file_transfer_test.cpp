// FileTransfer: local paths and file URLs through the Transfer interface.

#include <gtest/gtest.h>

#include <algorithm>

// The socket clients come first: Winsock 2 must precede <windows.h>.
#include "netclient/ftp_transfer.h"
#include "netclient/http_transfer.h"

#include "netclient/file_transfer.h"
#include "tests/support/test_support.h"

namespace netclient {
namespace {

using testing_support::TempFolder;
using testing_support::WriteFileBytes;

class FileTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        bytes_.resize(70000);
        for (size_t i = 0; i < bytes_.size(); ++i) bytes_[i] = static_cast<char>((i * 31) >> 3);
        path_ = folder_.File("Source.bin");
        WriteFileBytes(path_, bytes_);
    }

    TransferSettings Settings(const std::string& url) {
        TransferSettings s;
        s.url = url;
        return s;
    }

    std::string ReadAll(Transfer& t) {
        std::string out;
        char buffer[4096];
        size_t got = 0;
        while (t.Read(buffer, sizeof(buffer), got)) out.append(buffer, got);
        return out;
    }

    TempFolder folder_;
    std::string bytes_;
    std::string path_;
};

TEST_F(FileTransferTest, OpensAPathAtAnOffsetAndReadsToTheEnd) {
    FileTransfer t(Settings(path_));
    ASSERT_EQ(kOpened, t.Open(65536));
    EXPECT_EQ(bytes_.size(), t.RemoteLength());
    EXPECT_TRUE(t.OffsetHonoured());
    EXPECT_TRUE(ReadAll(t) == bytes_.substr(65536));
    // Opening again while open changes nothing.
    EXPECT_EQ(kOpened, t.Open(0));
    t.Close();
    size_t got = 0;
    char c;
    EXPECT_FALSE(t.Read(&c, 1, got));
}

TEST_F(FileTransferTest, ReportsTheSourceLastWriteTime) {
    FILETIME set = {0x12345678, 0x01D00000};
    HANDLE file = ::CreateFileA(path_.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    ASSERT_TRUE(::SetFileTime(file, nullptr, nullptr, &set));
    ::CloseHandle(file);
    FileTransfer t(Settings(path_));
    ASSERT_EQ(kOpened, t.Open(0));
    EXPECT_EQ(set.dwLowDateTime, t.RemoteTime().dwLowDateTime);
    EXPECT_EQ(set.dwHighDateTime, t.RemoteTime().dwHighDateTime);
}

TEST_F(FileTransferTest, OpensAFileUrl) {
    std::string url = "file:///" + path_;
    std::replace(url.begin(), url.end(), '\\', '/');
    FileTransfer t(Settings(url));
    ASSERT_EQ(kOpened, t.Open(0));
    EXPECT_TRUE(ReadAll(t) == bytes_);
    EXPECT_EQ(std::string::npos, t.Path().find('/'));
}

// Blanks and '%' are ordinary file-name characters: a path names its file
// verbatim, while a file URL's escapes are decoded exactly once. Folders
// "a b" and "a%20b" hold different bytes, so opening the wrong one shows.
TEST_F(FileTransferTest, OpensExactlyTheNamedFileWhenNamesHoldBlanksOrPercents) {
    const std::string blank = folder_.File("a b");
    const std::string percent = folder_.File("a%20b");
    ASSERT_TRUE(::CreateDirectoryA(blank.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(percent.c_str(), nullptr));
    WriteFileBytes(blank + "\\my pkg.bin", bytes_);
    const std::string other = bytes_.substr(1000);
    WriteFileBytes(percent + "\\my pkg.bin", other);

    std::string base = "file:///" + folder_.Path();
    std::replace(base.begin(), base.end(), '\\', '/');
    struct Case {
        std::string source;
        const std::string* expected;
    };
    const Case cases[] = {
        {blank + "\\my pkg.bin", &bytes_},
        {percent + "\\my pkg.bin", &other},
        {base + "/a b/my pkg.bin", &bytes_},
        {base + "/a%20b/my%20pkg.bin", &bytes_},
        {base + "/a%2520b/my%20pkg.bin", &other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        FileTransfer t(Settings(c.source));
        ASSERT_EQ(kOpened, t.Open(0));
        EXPECT_EQ(c.expected->size(), t.RemoteLength());
        EXPECT_TRUE(ReadAll(t) == *c.expected);
    }
}

TEST_F(FileTransferTest, MissingLocalFileFailsWithoutAShareConnection) {
    FileTransfer t(Settings(folder_.File("missing.bin")));
    EXPECT_EQ("", t.ShareRoot());
    EXPECT_EQ(FileTransfer::kNotFound, t.Open(0));
}

TEST(FileTransferShare, ShareRootIsTheServerPartOfAUncPath) {
    EXPECT_EQ("\\\\server", FileTransfer::ShareRootOf("\\\\server\\share\\dir\\f.exe"));
    EXPECT_EQ("\\\\ab", FileTransfer::ShareRootOf("\\\\ab\\share\\f.exe"));
    // A one-letter server name: the first "\" four characters on.
    EXPECT_EQ("\\\\a\\sh", FileTransfer::ShareRootOf("\\\\a\\sh\\f.exe"));
    EXPECT_EQ("", FileTransfer::ShareRootOf("c:\\dir\\f.exe"));
}

// Shares named by file URLs reach the same path as their UNC form; a "%00"
// would cut the name short, so it names no file at all.
TEST(FileTransferShare, FileUrlsOfSharesAndThisComputerNameTheirPaths) {
    struct Case {
        const char* url;
        const char* path;
        const char* root;
    };
    const Case cases[] = {
        {"file://Server/Share%20Dir/F.exe", "\\\\server\\share dir\\f.exe", "\\\\server"},
        {"file:////server/share/f.exe", "\\\\server\\share\\f.exe", "\\\\server"},
        {"file://localhost/C:/a%20b/f.exe", "c:\\a b\\f.exe", ""},
        {"file:///c:/f%00.exe", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        TransferSettings s;
        s.url = c.url;
        FileTransfer t(s);
        EXPECT_EQ(c.path, t.Path());
        EXPECT_EQ(c.root, t.ShareRoot());
    }
    TransferSettings s;
    s.url = "file:///c:/windows/win.ini%00.txt";
    FileTransfer t(s);
    EXPECT_EQ(FileTransfer::kNotFound, t.Open(0));
}

TEST(TransferFactory, MakesTheClientOfEachSupportedSchemeAndNoneForOthers) {
    TransferSettings s;
    s.url = "file:///c:/windows/win.ini";
    EXPECT_NE(nullptr, dynamic_cast<FileTransfer*>(MakeTransfer(s).get()));
    s.url = "c:\\windows\\win.ini";
    EXPECT_NE(nullptr, dynamic_cast<FileTransfer*>(MakeTransfer(s).get()));
    s.url = "\\\\server\\share dir\\f.exe";
    EXPECT_NE(nullptr, dynamic_cast<FileTransfer*>(MakeTransfer(s).get()));
    s.url = "http://127.0.0.1/x";
    EXPECT_NE(nullptr, dynamic_cast<HttpTransfer*>(MakeTransfer(s).get()));
    s.url = "ftp://127.0.0.1/x";
    EXPECT_NE(nullptr, dynamic_cast<FtpTransfer*>(MakeTransfer(s).get()));
    s.url = "https://127.0.0.1/x";
    EXPECT_NE(nullptr, dynamic_cast<HttpTransfer*>(MakeTransfer(s).get()));
    s.url = "gopher://127.0.0.1/x";
    EXPECT_EQ(nullptr, MakeTransfer(s));
    s.url = "mailto:a@b";
    EXPECT_EQ(nullptr, MakeTransfer(s));
}

}  // namespace
}  // namespace netclient
