// The self-updater's rules that need no server: versions, answers, file
// lists, packages and the progress it shows.

#include <gtest/gtest.h>

#include <objbase.h>

#include "brightwick/cpr_file.h"
#include "brightwick/file_list.h"
#include "brightwick/progress_display.h"
#include "brightwick/release_signature.h"
#include "brightwick/version_check.h"
#include "win/com.h"
#include "win/xml.h"

namespace brightwick {
namespace {

struct Comparison {
    const char* newer;
    const char* installed;
    int expected;
};

class VersionComparison : public ::testing::TestWithParam<Comparison> {};

TEST_P(VersionComparison, ComparesFieldByFieldAsNumbers) {
    EXPECT_EQ(GetParam().expected, CompareVersions(GetParam().newer, GetParam().installed));
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionComparison,
                         ::testing::Values(Comparison{"2.0.0.10", "2.0.0.9", 1},
                                           Comparison{"2.1", "2.0.5.3", 1},
                                           Comparison{"1.0.0.1", "", 1},
                                           Comparison{"", "", 0},
                                           Comparison{"2.0.0.9", "2.0.0.9", 0},
                                           Comparison{"2.0", "2.0.0.0", 0},
                                           Comparison{"1.9.9.9", "2.0", -1},
                                           Comparison{"4294967295.0", "1.0", 1},
                                           Comparison{"beta", "0.0.0.1", -1}));

TEST(UpgradeAnswer, NamesTheFileListItsFolderAndTheVersion) {
    UpgradeAnswer a = SplitAnswer(
        "http://mirror.example/zema/2.1/filelist.xml.cpr?version=2.1.0.4;channel=stable");
    EXPECT_EQ("http://mirror.example/zema/2.1/filelist.xml.cpr", a.fileListUrl);
    EXPECT_EQ("http://mirror.example/zema/2.1", a.baseUrl);
    EXPECT_EQ("2.1.0.4", a.newVersion);

    UpgradeAnswer noList = SplitAnswer("http://host\\a\\other.xml?version= 3.0 ");
    EXPECT_TRUE(noList.fileListUrl.empty());
    EXPECT_EQ("http://host/a", noList.baseUrl);
    EXPECT_EQ("3.0", noList.newVersion);

    UpgradeAnswer noQuery = SplitAnswer("version=1.2");
    EXPECT_TRUE(noQuery.baseUrl.empty());
    EXPECT_EQ("1.2", noQuery.newVersion);
    EXPECT_TRUE(SplitAnswer("http://h/filelist.xml.cpr?lang=en").newVersion.empty());
}

TEST(UpgradeServer, AServerNamedWithItsSchemeKeepsIt) {
    EXPECT_EQ("http://up.example:81/zema/upgrade/validate.asp?Version=2.0.0.9&lang=en-us&n=zema",
              brightwick::ValidateRequestUrl("up.example:81", "2.0.0.9"));
    EXPECT_EQ("https://up.example/base/zema/upgrade/validate.asp?Version=1&lang=en-us&n=zema",
              brightwick::ValidateRequestUrl("https://up.example/base/", "1"));
    EXPECT_EQ("HTTPS://up.example/zema/upgrade/failed.asp",
              brightwick::FailedPageUrl("HTTPS://up.example"));
    EXPECT_EQ("http://up.example/zema/upgrade/failed.asp",
              brightwick::FailedPageUrl("http://up.example"));
}

std::wstring File(const std::wstring& name, const std::wstring& path) {
    return L"<File name=\"" + name + L"\" path=\"" + path +
           L"\" size=\"3\" dlsize=\"20\" compress=\"1\" md5=\"900150983CD24FB0\"/>";
}

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override { com_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        if (SUCCEEDED(com_)) ::CoUninitialize();
    }

    int Read(const std::wstring& files, FileList& list) {
        win::ComPtr<IXMLDOMDocument> document;
        if (FAILED(win::CreateXmlDocument(document))) return 0;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        std::wstring xml = L"<FileList version=\"2.0.0.10\">" + files + L"</FileList>";
        if (FAILED(document->loadXML(win::Bstr(xml.c_str()).Get(), &loaded)) || !loaded) return 0;
        return ReadFileList(document.Get(), list);
    }

    HRESULT com_ = E_FAIL;
};

TEST_F(FileListTest, ReadsEveryFileWithItsPlaces) {
    FileList list;
    ASSERT_EQ(kListRead, Read(File(L"QOR.dll", L"") + L"<Group>" + File(L"logo.bmp", L"skin/images") +
                                  L"</Group>",
                              list));
    EXPECT_EQ("2.0.0.10", list.version);
    ASSERT_EQ(2u, list.items.size());
    FileEntry entry = MakeEntry(list.items[1], "http://h/up/b", "C:\\t\\2.0.0.10", "C:\\Zema");
    EXPECT_EQ("http://h/up/b/skin/images/logo.bmp.cpr", entry.downloadUrl);
    EXPECT_EQ("C:\\t\\2.0.0.10\\logo.bmp", entry.localFile);
    EXPECT_EQ("C:\\Zema\\skin\\images", entry.targetFolder);
    EXPECT_EQ("C:\\Zema\\skin\\images\\logo.bmp", entry.targetFile);
    EXPECT_EQ(20u, list.items[1].dlsize);
    EXPECT_EQ("http://h/up/b/QOR.dll.cpr", MakeEntry(list.items[0], "http://h/up/b", "R", "I").downloadUrl);
}

struct BadList {
    const char* label;
    std::wstring files;
};

class RejectedList : public FileListTest, public ::testing::WithParamInterface<BadList> {};

TEST_P(RejectedList, RejectsTheWholeList) {
    FileList list;
    EXPECT_EQ(kListRejected, Read(File(L"ok.txt", L"") + GetParam().files, list));
    EXPECT_TRUE(list.items.empty());
}

const wchar_t kAttributes[] = L"size=\"1\" dlsize=\"1\" compress=\"0\" md5=\"0\"";

INSTANTIATE_TEST_SUITE_P(
    Lists, RejectedList,
    ::testing::Values(
        BadList{"ParentPath", File(L"a.dll", L"..")},
        BadList{"ParentInsidePath", File(L"a.dll", L"skin/../../x")},
        BadList{"ParentName", File(L"..", L"")},
        BadList{"SeparatorInName", File(L"..\\a.dll", L"")},
        BadList{"RootedPath", File(L"a.dll", L"\\Windows")},
        BadList{"UncPath", File(L"a.dll", L"//server/share")},
        BadList{"DrivePath", File(L"a.dll", L"C:/Windows")},
        BadList{"DriveRelativeName", File(L"C:a.dll", L"")},
        BadList{"Device", File(L"con", L"")},
        BadList{"DeviceWithExtension", File(L"LPT1.txt", L"")},
        BadList{"DeviceFolder", File(L"a.dll", L"aux")},
        BadList{"Stream", File(L"a.dll:evil", L"")},
        BadList{"TrailingDot", File(L"a.dll.", L"")},
        BadList{"EmptyStep", File(L"a.dll", L"skin//images")},
        BadList{"EmptyName", File(L"", L"")},
        BadList{"Duplicate", File(L"OK.TXT", L"sub")},
        BadList{"MissingAttribute", std::wstring(L"<File name=\"a\" ") + kAttributes + L"/>"},
        BadList{"NotANumber",
                L"<File name=\"a\" path=\"\" size=\"1\" dlsize=\"x\" compress=\"0\" md5=\"0\"/>"},
        BadList{"Negative",
                L"<File name=\"a\" path=\"\" size=\"-1\" dlsize=\"1\" compress=\"0\" md5=\"0\"/>"}),
    [](const ::testing::TestParamInfo<BadList>& info) { return std::string(info.param.label); });

TEST_F(FileListTest, ListWithoutFilesIsRejected) {
    FileList list;
    EXPECT_EQ(kListRejected, Read(L"", list));
}

// "hello\n" as the release tool packs it (8 MB dictionary, end marker).
const unsigned char kHello[] = {0x06, 0x00, 0x00, 0x00, 0x5d, 0x00, 0x00, 0x80, 0x00,
                                0x00, 0x34, 0x19, 0x49, 0xee, 0x8d, 0xdd, 0x3d, 0x3a,
                                0xdf, 0xff, 0xff, 0xdd, 0x12, 0x00, 0x00};

std::string Unpacked(std::vector<unsigned char> package, bool& ok) {
    std::string out;
    ok = CprFile::Unpack(package.data(), package.size(), out);
    return out;
}

TEST(CprFile, UnpacksAndRefusesDamagedHeadersAndStreams) {
    std::vector<unsigned char> good(kHello, kHello + sizeof(kHello));
    bool ok = false;
    EXPECT_EQ("hello\n", Unpacked(good, ok));
    EXPECT_TRUE(ok);

    auto spoiled = [&](size_t at, unsigned char value) {
        std::vector<unsigned char> p = good;
        p[at] = value;
        bool unpacked = true;
        Unpacked(p, unpacked);
        return unpacked;
    };
    EXPECT_FALSE(spoiled(4, 225)) << "properties byte beyond the largest";
    EXPECT_FALSE(spoiled(0, 7)) << "a size beyond the stream's end";
    EXPECT_FALSE(spoiled(3, 0xff)) << "a size no file reaches";
    EXPECT_FALSE(spoiled(8, 0xff)) << "a dictionary no encoder writes";
    EXPECT_FALSE(spoiled(9, 0xff)) << "a stream that does not start as LZMA does";
    std::vector<unsigned char> shortHeader(kHello, kHello + 8);
    EXPECT_FALSE(Unpacked(shortHeader, ok).size() || ok);
}

TEST(ProgressDisplay, WeighsTheStepsAndShowsTheCurrentFile) {
    UpgradeState state;
    state.checkFraction = 1;
    state.listFetchedFraction = 1;
    state.listParsedFraction = 1;
    FileEntry empty;
    empty.item.name = "empty.cfg";
    empty.item.dlsize = 0;
    FileEntry big;
    big.item.name = "QOR.dll";
    big.item.dlsize = 1000;
    state.entries = {empty, big};
    state.downloading = true;

    state.currentEntry = 0;
    ProgressDisplay d = ComputeProgress(state);
    EXPECT_EQ("empty.cfg (0/0)", d.fileLine);
    EXPECT_EQ("0%", d.filePercent);
    EXPECT_EQ(0, d.filePosition);
    EXPECT_EQ("6%", d.totalPercent);

    state.currentEntry = 1;
    state.downloadedBytes = 500;
    d = ComputeProgress(state);
    EXPECT_EQ("QOR.dll (500/1000)", d.fileLine);
    EXPECT_EQ("50%", d.filePercent);
    EXPECT_EQ(500, d.filePosition);
    EXPECT_EQ("51%", d.totalPercent);
    EXPECT_NEAR(510, d.totalPosition, 1);

    state.downloading = false;
    state.finishedBytes = 1000;
    state.deployedFraction = 1;
    d = ComputeProgress(state);
    EXPECT_EQ("QOR.dll", d.fileLine);
    EXPECT_EQ("", d.filePercent);
    EXPECT_EQ(1000, d.filePosition);
    EXPECT_EQ("100%", d.totalPercent);
}

TEST(ReleaseSignature, AcceptsOnlyAWellFormedKey) {
    std::vector<uint8_t> point;
    EXPECT_TRUE(ReleaseSignature::ParseKey(std::string(128, 'a'), point));
    EXPECT_EQ(64u, point.size());
    EXPECT_FALSE(ReleaseSignature::ParseKey(std::string(127, 'a'), point));
    EXPECT_FALSE(ReleaseSignature::ParseKey(std::string(126, 'a') + "zz", point));
    EXPECT_FALSE(ReleaseSignature::Verify(std::vector<uint8_t>(64, 1), "data", std::string(64, 'x')));
}

}  // namespace
}  // namespace brightwick
