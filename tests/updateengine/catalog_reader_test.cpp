#include "updateengine/catalog_reader.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/updateengine/test_catalog.h"
#include "win/com.h"
#include "win/text.h"

namespace updateengine {
namespace {

using namespace testing_support;
using namespace updateengine_test;

const HRESULT kInvalid = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

class CatalogReaderTest : public ::testing::Test {
protected:
    HRESULT LoadText(const std::string& xml, Catalog& catalog,
                     const std::wstring& base = L"C:\\vdf") {
        WriteFileBytes(folder_.File("catalog.xml"), xml);
        CatalogReader reader(base);
        HRESULT hr = reader.Load(win::AnsiToWide(folder_.File("catalog.xml")), catalog);
        error_ = win::WideToAnsi(reader.Error());
        return hr;
    }

    win::ComInit com_;
    TempFolder folder_;
    std::string error_;
};

TEST_F(CatalogReaderTest, SampleCatalogLoadsWithEveryTable) {
    Catalog catalog;
    CatalogReader reader(L"C:\\ProgramData\\Zemaguard\\VDF");
    ASSERT_EQ(S_OK, reader.Load(win::AnsiToWide(SampleFolder() + "\\catalog.xml"), catalog))
        << win::WideToAnsi(reader.Error());
    EXPECT_EQ(1033, catalog.Language());
    EXPECT_EQ(L"Marrowby Office", *catalog.ProductName(20));
    EXPECT_EQ(L"Denial of Service", *catalog.ImpactName(4));
    EXPECT_EQ(L"German", *catalog.LanguageName(1031));
    EXPECT_EQ(L"Critical", *catalog.SeverityName(4));
    EXPECT_EQ(L"Script Runtime", *catalog.SoftwareName(303));
    EXPECT_EQ(nullptr, catalog.ProductName(303));
    ASSERT_EQ(5u, catalog.Updates().size());

    const CatalogUpdate* u = catalog.FindUpdate(500104);
    ASSERT_NE(nullptr, u);
    EXPECT_EQ(L"Security Update for Quillon Desktop 7 (KB500104)", u->title);
    EXPECT_EQ(L"C:\\ProgramData\\Zemaguard\\VDF\\packages\\zg-kb500104.exe", u->downloadUrl);
    EXPECT_EQ(win::AnsiToWide(PackageChecksum(SamplePackage("KB500104"))), u->checkValue);
    EXPECT_EQ(ReadFileBytes(SamplePackage("KB500104")).size(), u->size);
    EXPECT_EQ(2, u->reboot);
    EXPECT_EQ(L"/quiet /norestart /exitcode:3010", u->arguments);
    ASSERT_EQ(2u, u->points.size());
    EXPECT_EQ(std::vector<int32_t>{700101}, u->points[0].supersededPointIds);
    EXPECT_EQ(500101, catalog.FindPoint(700101)->updateId);

    const Bulletin* b = catalog.FindBulletin(1002);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ((std::vector<std::wstring>{L"500102", L"500098"}), b->knowledgeBase);
    EXPECT_EQ((std::vector<int32_t>{9002, 9003}), b->vulnerabilityIds);
    SYSTEMTIME st = {};
    ASSERT_TRUE(::VariantTimeToSystemTime(b->date, &st));
    EXPECT_EQ(2091, st.wYear);
    EXPECT_EQ(3, st.wMonth);
    EXPECT_EQ(9, st.wDay);
    // Paragraphs are joined by line breaks; the XML's own wrapping is not kept.
    EXPECT_EQ(L"This update resolves two vulnerabilities in Marrowby Office.\r\n"
              L"The more severe could allow remote code execution if a user opens a crafted "
              L"workbook.\r\nUsers whose accounts have fewer rights are less affected.",
              b->description);
    EXPECT_EQ(L"CVE-2091-30245", catalog.FindVulnerability(9003)->name);
}

TEST_F(CatalogReaderTest, AbsoluteDownloadAddressesAreKept) {
    for (const char* address : {"http://download.example/a/b.exe", "ftp://host/b.exe",
                                "\\\\server\\share\\b.exe", "D:\\mirror\\b.exe"}) {
        TestUpdate u;
        u.downloadUrl = address;
        Catalog catalog;
        ASSERT_EQ(S_OK, LoadText(CatalogXml(UpdateXml(u)), catalog)) << error_;
        EXPECT_EQ(win::AnsiToWide(address), catalog.FindUpdate(u.id)->downloadUrl);
    }
}

TEST_F(CatalogReaderTest, MissingFileIsNotFound) {
    Catalog catalog;
    CatalogReader reader(L"C:\\vdf");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
              reader.Load(win::AnsiToWide(folder_.File("none.xml")), catalog));
}

TEST_F(CatalogReaderTest, RefusedCatalogLeavesTheTargetUntouched) {
    Catalog catalog;
    ASSERT_EQ(S_OK, LoadText(CatalogXml(UpdateXml(TestUpdate())), catalog)) << error_;
    TestUpdate other;
    other.id = 500200;
    EXPECT_EQ(kInvalid, LoadText(CatalogXml(UpdateXml(other)) + "<trailing/>", catalog));
    EXPECT_NE(nullptr, catalog.FindUpdate(500102));
    EXPECT_EQ(nullptr, catalog.FindUpdate(500200));
}

TEST_F(CatalogReaderTest, ConditionsOfEveryKindAreRead) {
    TestUpdate u;
    u.marker = "M";
    std::string xml = CatalogXml(UpdateXml(u));
    std::string rule =
        "<Applies><Any><RegistryKey Key=\"HKLM\\SOFTWARE\\A\"/>"
        "<Not><File Path=\"%SystemRoot%\\x.dll\"/></Not></Any>"
        "<FileVersion Path=\"C:\\y.dll\" AtLeast=\"6.1\"/></Applies>"
        "<Installed><RegistryValue Key=\"HKEY_LOCAL_MACHINE\\SOFTWARE\\B\" Name=\"\" Equals=\"7\"/>"
        "</Installed>";
    size_t start = xml.find("<Installed>");
    size_t end = xml.find("</Installed>") + strlen("</Installed>");
    xml.replace(start, end - start, rule);
    Catalog catalog;
    ASSERT_EQ(S_OK, LoadText(xml, catalog)) << error_;
    const DetectionRule& r = catalog.FindUpdate(u.id)->detection;
    ASSERT_EQ(2u, r.applies.size());
    EXPECT_EQ(Condition::Kind::Any, r.applies[0].kind);
    EXPECT_EQ(L"SOFTWARE\\A", r.applies[0].children.at(0).key);
    EXPECT_EQ(Condition::Kind::Not, r.applies[0].children.at(1).kind);
    EXPECT_EQ(Condition::Kind::File, r.applies[0].children[1].children.at(0).kind);
    EXPECT_EQ(Condition::Kind::FileVersion, r.applies[1].kind);
    EXPECT_FALSE(r.applies[1].below);
    EXPECT_EQ(6, r.applies[1].version.parts[0]);
    EXPECT_EQ(1, r.applies[1].version.parts[1]);
    ASSERT_EQ(1u, r.installed.size());
    EXPECT_EQ(L"SOFTWARE\\B", r.installed[0].key);
    EXPECT_EQ(L"", r.installed[0].name);
    EXPECT_TRUE(r.installed[0].compare);
    EXPECT_EQ(L"7", r.installed[0].equals);
}

TEST_F(CatalogReaderTest, OtherDocumentsAreRefused) {
    Catalog catalog;
    EXPECT_EQ(kInvalid, LoadText("<UpdateList><Update ID=\"1\" Status=\"14\"/></UpdateList>",
                                 catalog));
    EXPECT_NE(std::string::npos, error_.find("document element")) << error_;
    EXPECT_EQ(kInvalid, LoadText("", catalog));
    EXPECT_EQ(kInvalid, LoadText(CatalogXml("").substr(0, 200), catalog));
}

// A valid catalog with one fault put in by replacing a piece of its text.
struct Fault {
    const char* name;
    const char* from;
    const char* to;
    const char* error;  // a piece of the reader's explanation
};

class FaultyCatalog : public CatalogReaderTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(FaultyCatalog, IsRefusedWithAReason) {
    TestUpdate older;
    older.id = 500101;
    older.marker = "KB500101";
    TestUpdate newer;
    newer.pointChildren = "<Supersedes Point=\"700101\"/>";
    std::string xml = CatalogXml(UpdateXml(older) + UpdateXml(newer));
    Catalog valid;
    ASSERT_EQ(S_OK, LoadText(xml, valid)) << error_;

    const Fault& f = GetParam();
    size_t at = xml.find(f.from);
    ASSERT_NE(std::string::npos, at) << f.from;
    xml.replace(at, strlen(f.from), f.to);
    Catalog catalog;
    EXPECT_EQ(kInvalid, LoadText(xml, catalog));
    EXPECT_NE(std::string::npos, error_.find(f.error)) << error_;
    EXPECT_TRUE(catalog.Updates().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultyCatalog,
    ::testing::Values(
        Fault{"NotXml", "<UpdateCatalog", "<<UpdateCatalog", "well-formed"},
        Fault{"WrongVersion", "Version=\"1\"", "Version=\"2\"", "unsupported Version"},
        Fault{"NoLanguage", " Language=\"1033\">", ">", "missing Language"},
        Fault{"UnknownSection", "<Products>", "<Things/><Products>", "unknown section Things"},
        Fault{"UnknownEntry", "<Product ID", "<Item ID=\"3\" Name=\"x\"/><Product ID",
              "unknown element Item"},
        Fault{"DuplicateProduct", "</Products>", "<Product ID=\"10\" Name=\"Again\"/></Products>",
              "Product 10: duplicate"},
        Fault{"SeverityBeyond16Bits", "<Severity ID=\"4\"", "<Severity ID=\"40000\"",
              "bad ID"},
        Fault{"ZeroId", "<Impact ID=\"1\"", "<Impact ID=\"0\"", "bad ID"},
        Fault{"EmptyName", "Name=\"English\"", "Name=\"  \"", "empty Name"},
        Fault{"UnknownImpact", "Impact=\"1\" WebPage", "Impact=\"9\" WebPage", "unknown impact 9"},
        Fault{"UnknownVulnerability", "<Vulnerability ID=\"9001\"/>",
              "<Vulnerability ID=\"9009\"/>", "unknown vulnerability 9009"},
        Fault{"VulnerabilityListedTwice", "<Vulnerability ID=\"9001\"/>",
              "<Vulnerability ID=\"9001\"/><Vulnerability ID=\"9001\"/>", "listed twice"},
        Fault{"ImpossibleDate", "2091-02-10", "2091-02-30", "bad Date"},
        Fault{"DateWithoutDashes", "2091-02-10", "20910210", "bad Date"},
        Fault{"UnknownLanguage", "Size=\"1000\" Language=\"1033\"",
              "Size=\"1000\" Language=\"1031\"", "unknown language 1031"},
        Fault{"LowerCaseCheckValue", "0123456789ABCDEF", "0123456789abcdef", "CheckValue"},
        Fault{"ShortCheckValue", "0123456789ABCDEF", "0123456789ABCDE", "CheckValue"},
        Fault{"RebootOutOfRange", "Reboot=\"1\"", "Reboot=\"4\"", "bad Reboot"},
        Fault{"NegativeSize", "Size=\"1000\"", "Size=\"-1\"", "bad Size"},
        Fault{"EmptyDownloadAddress", "DownloadURL=\"packages\\zg-kb500102.exe\"",
              "DownloadURL=\"\"", "empty DownloadURL"},
        Fault{"NoDetection", "<Detection><Installed><RegistryValue Key=\"SOFTWARE\\Zemaguard "
              "Sample\\Installed\" Name=\"KB500102\"/></Installed></Detection>", "",
              "no Detection"},
        Fault{"EmptyInstalled", "<Installed><RegistryValue Key=\"SOFTWARE\\Zemaguard "
              "Sample\\Installed\" Name=\"KB500102\"/></Installed>", "<Installed/>",
              "no Installed condition"},
        Fault{"OtherRoot", "Key=\"SOFTWARE\\Zemaguard Sample\\Installed\" Name=\"KB500102\"",
              "Key=\"HKEY_CURRENT_USER\\Software\" Name=\"KB500102\"", "not under"},
        Fault{"UnknownCondition", "<RegistryValue Key=\"SOFTWARE\\Zemaguard Sample\\Installed\" "
              "Name=\"KB500102\"/>", "<Process Name=\"x.exe\"/>", "unknown condition Process"},
        Fault{"NotWithTwoChildren", "<RegistryValue Key=\"SOFTWARE\\Zemaguard Sample\\Installed\" "
              "Name=\"KB500102\"/>", "<Not><File Path=\"a\"/><File Path=\"b\"/></Not>",
              "exactly one"},
        Fault{"BothVersionBounds", "<RegistryValue Key=\"SOFTWARE\\Zemaguard Sample\\Installed\" "
              "Name=\"KB500102\"/>", "<FileVersion Path=\"a\" Below=\"2\" AtLeast=\"1\"/>",
              "exactly one of Below and AtLeast"},
        Fault{"BadVersion", "<RegistryValue Key=\"SOFTWARE\\Zemaguard Sample\\Installed\" "
              "Name=\"KB500102\"/>", "<FileVersion Path=\"a\" Below=\"1.2.3.4.5\"/>",
              "bad version"},
        Fault{"NestedTooDeep", "<RegistryValue Key=\"SOFTWARE\\Zemaguard Sample\\Installed\" "
              "Name=\"KB500102\"/>",
              "<All><All><All><All><All><All><All><All><All><All><All><All><All><All><All><All>"
              "<File Path=\"a\"/>"
              "</All></All></All></All></All></All></All></All></All></All></All></All></All>"
              "</All></All></All>", "nested too deeply"},
        Fault{"UnknownUpdateChild", "<UpdatePoint ID=\"700102\"", "<Ignored/><UpdatePoint ID=\"700102\"",
              "unknown element Ignored"},
        Fault{"UnknownBulletin", "Bulletin=\"1001\" Software=\"201\" Component=\"301\" "
              "Severity=\"4\" Categories=\"10;40;\"><Supersedes",
              "Bulletin=\"1009\" Software=\"201\" Component=\"301\" Severity=\"4\" "
              "Categories=\"10;40;\"><Supersedes", "unknown bulletin 1009"},
        Fault{"UnknownComponent", "Component=\"301\"", "Component=\"309\"",
              "unknown component 309"},
        Fault{"UnknownSeverity", "Severity=\"4\" Categories", "Severity=\"3\" Categories",
              "unknown severity 3"},
        Fault{"FirstCategoryNotAProduct", "Categories=\"10;40;\"", "Categories=\"40;10;\"",
              "is not a product"},
        Fault{"EmptyCategoryPiece", "Categories=\"10;40;\"", "Categories=\"10;;40\"",
              "bad Categories"},
        Fault{"DuplicatePoint", "<UpdatePoint ID=\"700102\"", "<UpdatePoint ID=\"700101\"",
              "duplicate update or point"},
        Fault{"DuplicateUpdate", "<Update ID=\"500102\"", "<Update ID=\"500101\"",
              "duplicate update or point"},
        Fault{"SupersedesNothing", "<Supersedes Point=\"700101\"/>",
              "<Supersedes Point=\"799999\"/>", "supersedes unknown point 799999"},
        Fault{"SupersedesItself", "<Supersedes Point=\"700101\"/>",
              "<Supersedes Point=\"700102\"/>", "supersedes a point of its own update"},
        Fault{"SupersedenceCycle", "Categories=\"10;40;\"></UpdatePoint>",
              "Categories=\"10;40;\"><Supersedes Point=\"700102\"/></UpdatePoint>",
              "supersedence cycle"}),
    [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace updateengine
