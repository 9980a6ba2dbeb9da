#include "zema/core/update_list_file.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "win/com.h"

namespace zema {
namespace {

using namespace testing_support;

UpdatePoint Point(int32_t id, int32_t updateId, std::vector<int32_t> categories,
                  std::vector<UpdatePoint> superseded = {}) {
    UpdatePoint p;
    p.id = id;
    p.updateId = updateId;
    p.securityBulletinId = id + 1000;
    p.impactedSoftwareId = id + 2000;
    p.impactedComponentId = id + 3000;
    p.severityRating = static_cast<int16_t>(id % 4 + 1);
    p.categoryIds = std::move(categories);
    p.supersededPoints = std::move(superseded);
    return p;
}

std::unique_ptr<UpdateRecord> Record(int32_t id, UpdateStatus status) {
    auto r = std::make_unique<UpdateRecord>();
    r->id = id;
    r->status = status;
    r->fileName = "zg-kb" + std::to_string(id) + ".exe";
    r->checkValue = "0123456789ABCDEF";
    return r;
}

void ExpectSamePoints(const std::vector<UpdatePoint>& a, const std::vector<UpdatePoint>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].id, b[i].id);
        EXPECT_EQ(a[i].updateId, b[i].updateId);
        EXPECT_EQ(a[i].securityBulletinId, b[i].securityBulletinId);
        EXPECT_EQ(a[i].impactedSoftwareId, b[i].impactedSoftwareId);
        EXPECT_EQ(a[i].impactedComponentId, b[i].impactedComponentId);
        EXPECT_EQ(a[i].severityRating, b[i].severityRating);
        EXPECT_EQ(a[i].categoryIds, b[i].categoryIds);
        ExpectSamePoints(a[i].supersededPoints, b[i].supersededPoints);
    }
}

class UpdateListFileTest : public ::testing::Test {
protected:
    std::string Path() const { return folder_.File("reboot.xml"); }

    // Loads a hand-written file into a fresh list.
    UpdateList LoadText(const std::string& xml) {
        WriteFileBytes(Path(), xml);
        UpdateList list;
        EXPECT_TRUE(LoadUpdateList(Path(), list));
        return list;
    }

    // The categories read from one point whose CategoryIDs text is given.
    std::vector<int32_t> CategoriesOf(const std::string& text) {
        UpdateList list = LoadText(
            "<UpdateList><Update ID=\"1\" Status=\"14\"><UpdatePointList>"
            "<UPDATEPOINT_INFO ID=\"2\" CategoryIDs=\"" + text +
            "\"/></UpdatePointList></Update></UpdateList>");
        if (list.size() != 1 || list[0]->updatePoints.size() != 1) {
            ADD_FAILURE() << "point not read";
            return {};
        }
        return list[0]->updatePoints[0].categoryIds;
    }

    win::ComInit com_;
    TempFolder folder_;
};

TEST_F(UpdateListFileTest, ListWithoutRebootPendingRecordsSavesOnlyTheEmptyRoot) {
    UpdateList list;
    ASSERT_TRUE(SaveUpdateList(Path(), list));
    std::string text = ReadFileBytes(Path());
    EXPECT_NE(std::string::npos, text.find("<UpdateList/>")) << text;

    list.push_back(Record(1, UpdateStatus::Installed));
    list.push_back(Record(2, UpdateStatus::InstallFailed));
    ASSERT_TRUE(SaveUpdateList(Path(), list));
    text = ReadFileBytes(Path());
    EXPECT_NE(std::string::npos, text.find("<UpdateList/>")) << text;
    EXPECT_EQ(std::string::npos, text.find("<Update ")) << text;
}

TEST_F(UpdateListFileTest, OnlyRebootPendingRecordsAreSavedInListOrder) {
    UpdateList list;
    list.push_back(Record(30, UpdateStatus::InstalledNeedsReboot));
    list.push_back(Record(10, UpdateStatus::Installed));
    list.push_back(Record(20, UpdateStatus::InstalledNeedsReboot));
    list.push_back(Record(40, UpdateStatus::NotDownloaded));
    ASSERT_TRUE(SaveUpdateList(Path(), list));

    UpdateList loaded;
    ASSERT_TRUE(LoadUpdateList(Path(), loaded));
    ASSERT_EQ(2u, loaded.size());
    EXPECT_EQ(30, loaded[0]->id);
    EXPECT_EQ(20, loaded[1]->id);
    EXPECT_EQ(UpdateStatus::InstalledNeedsReboot, loaded[1]->status);
}

TEST_F(UpdateListFileTest, AttributesAreWrittenInTheirFixedOrderAndForm) {
    UpdateList list;
    auto r = Record(500104, UpdateStatus::InstalledNeedsReboot);
    r->reboot = 2;
    r->percent = 0.375f;
    r->averageRate = 1200;
    r->consumeTime = 33;
    r->leftTime = 4;
    r->retryTimes = 2;
    r->retryLeftTime = 9;
    r->updatePoints.push_back(Point(7, 500104, {12, 40}));
    list.push_back(std::move(r));
    ASSERT_TRUE(SaveUpdateList(Path(), list));

    std::string text = ReadFileBytes(Path());
    EXPECT_NE(std::string::npos,
              text.find("<Update ID=\"500104\" Status=\"14\" Reboot=\"2\" Percent=\"0.375\" "
                        "AverageRate=\"1200\" ConsumeTime=\"33\" LeftTime=\"4\" RetryTimes=\"2\" "
                        "RetryLeftTime=\"9\" FileName=\"zg-kb500104.exe\" "
                        "CheckValue=\"0123456789ABCDEF\"><UpdatePointList>"))
        << text;
    EXPECT_NE(std::string::npos,
              text.find("<UPDATEPOINT_INFO ID=\"7\" UpdateID=\"500104\" "
                        "SecurityBulletinID=\"1007\" ImpactedSoftwareID=\"2007\" "
                        "ImpactedComponentID=\"3007\" SeverityRating=\"4\" "
                        "CategoryIDs=\"12;40;\"><SupersededUpdatePointList/>"))
        << text;
}

TEST_F(UpdateListFileTest, RecordValuesRoundTrip) {
    UpdateList list;
    auto r = Record(-5, UpdateStatus::InstalledNeedsReboot);
    r->reboot = 0;
    r->percent = 0.375f;
    r->averageRate = -1;
    r->consumeTime = 2147483647;
    r->leftTime = -2147483647 - 1;
    r->retryTimes = 32767;
    r->retryLeftTime = 60000;
    r->fileName = "name with blanks & <marks>.exe";
    r->checkValue = "";
    list.push_back(std::move(r));
    ASSERT_TRUE(SaveUpdateList(Path(), list));

    UpdateList loaded;
    ASSERT_TRUE(LoadUpdateList(Path(), loaded));
    ASSERT_EQ(1u, loaded.size());
    const UpdateRecord& got = *loaded[0];
    EXPECT_EQ(-5, got.id);
    EXPECT_EQ(0, got.reboot);
    EXPECT_EQ(0.375f, got.percent);
    EXPECT_EQ(-1, got.averageRate);
    EXPECT_EQ(2147483647, got.consumeTime);
    EXPECT_EQ(-2147483647 - 1, got.leftTime);
    EXPECT_EQ(32767, got.retryTimes);
    EXPECT_EQ(60000, got.retryLeftTime);
    EXPECT_EQ("name with blanks & <marks>.exe", got.fileName);
    EXPECT_EQ("", got.checkValue);
    // Not persisted: back to the initial values.
    EXPECT_EQ(0, got.errorCode);
    EXPECT_TRUE(got.officialSource);
    EXPECT_FALSE(got.installAfterDownload);
    EXPECT_FALSE(got.excluded);
}

TEST_F(UpdateListFileTest, AnyFractionRoundTripsExactlyAsADecimalNumber) {
    for (float percent : {0.375f, 0.1f, 1.0f / 3.0f, 0.0f, 1.0f, 0.99999994f, 0.00001f, 1e-30f}) {
        UpdateList list;
        auto r = Record(1, UpdateStatus::InstalledNeedsReboot);
        r->percent = percent;
        list.push_back(std::move(r));
        ASSERT_TRUE(SaveUpdateList(Path(), list));
        std::string text = ReadFileBytes(Path());
        size_t at = text.find("Percent=\"");
        ASSERT_NE(std::string::npos, at);
        std::string written = text.substr(at + 9, text.find('"', at + 9) - at - 9);
        EXPECT_EQ(std::string::npos, written.find_first_not_of("0123456789.")) << written;
        UpdateList loaded;
        ASSERT_TRUE(LoadUpdateList(Path(), loaded));
        ASSERT_EQ(1u, loaded.size());
        EXPECT_EQ(percent, loaded[0]->percent);
    }
}

TEST_F(UpdateListFileTest, SupersededPointsKeepTheirNesting) {
    UpdateList list;
    auto r = Record(500104, UpdateStatus::InstalledNeedsReboot);
    r->updatePoints.push_back(Point(1, 500104, {12}));
    r->updatePoints.push_back(
        Point(2, 500104, {12, 40},
              {Point(3, 500101, {12}, {Point(5, 500099, {})}), Point(4, 500102, {40, 7})}));
    list.push_back(std::move(r));
    ASSERT_TRUE(SaveUpdateList(Path(), list));

    UpdateList loaded;
    ASSERT_TRUE(LoadUpdateList(Path(), loaded));
    ASSERT_EQ(1u, loaded.size());
    ExpectSamePoints(list[0]->updatePoints, loaded[0]->updatePoints);
    ASSERT_EQ(2u, loaded[0]->updatePoints[1].supersededPoints.size());
    EXPECT_EQ(5, loaded[0]->updatePoints[1].supersededPoints[0].supersededPoints.at(0).id);
}

TEST_F(UpdateListFileTest, CategoryTextsReadOnlyPiecesEndedBySeparator) {
    EXPECT_EQ(std::vector<int32_t>{5}, CategoriesOf("5;"));
    EXPECT_EQ(std::vector<int32_t>{}, CategoriesOf("5"));
    EXPECT_EQ(std::vector<int32_t>{}, CategoriesOf(""));
    EXPECT_EQ((std::vector<int32_t>{12, 40}), CategoriesOf("12;40;"));
    EXPECT_EQ((std::vector<int32_t>{12, 40}), CategoriesOf("12;40;7"));
    // Identifiers are positive numbers; anything else is dropped.
    EXPECT_EQ((std::vector<int32_t>{12, 9}), CategoriesOf("12;x;0;-3;;9;99999999999;"));
}

TEST_F(UpdateListFileTest, MissingValuesKeepTheirInitialValues) {
    UpdateList list = LoadText(
        "<UpdateList>"
        "<Update ID=\"8\" Status=\"14\"/>"
        "<Other ID=\"9\" Status=\"12\"><UpdatePointList><UPDATEPOINT_INFO/></UpdatePointList>"
        "</Other>"
        "</UpdateList>");
    ASSERT_EQ(2u, list.size());
    const UpdateRecord& bare = *list[0];
    EXPECT_EQ(8, bare.id);
    EXPECT_EQ(1, bare.reboot);
    EXPECT_EQ(0.0f, bare.percent);
    EXPECT_EQ(0, bare.retryTimes);
    EXPECT_EQ("", bare.fileName);
    EXPECT_TRUE(bare.updatePoints.empty());

    // The element name of a record is not checked; an empty point reads as
    // the initial point.
    const UpdateRecord& other = *list[1];
    EXPECT_EQ(UpdateStatus::Installed, other.status);
    ASSERT_EQ(1u, other.updatePoints.size());
    EXPECT_EQ(0, other.updatePoints[0].id);
    EXPECT_EQ(kDefaultSeverityRating, other.updatePoints[0].severityRating);
    EXPECT_TRUE(other.updatePoints[0].categoryIds.empty());
    EXPECT_TRUE(other.updatePoints[0].supersededPoints.empty());
}

TEST_F(UpdateListFileTest, RecordsWithoutIdentityOrKnownStatusAreNotRead) {
    UpdateList list = LoadText(
        "<UpdateList>"
        "<Update Status=\"14\"/>"
        "<Update ID=\"1\"/>"
        "<Update ID=\"2\" Status=\"0\"/>"
        "<Update ID=\"3\" Status=\"17\"/>"
        "<Update ID=\"4\" Status=\"fourteen\"/>"
        "<Update ID=\"5\" Status=\"-14\"/>"
        "<Update ID=\"x\" Status=\"14\"/>"
        "<Update ID=\"6\" Status=\"16\"/>"
        "<!-- a comment is not a record -->"
        "</UpdateList>");
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(6, list[0]->id);
    EXPECT_EQ(UpdateStatus::InstallFailed, list[0]->status);
}

TEST_F(UpdateListFileTest, DamagedValuesAreReadSafely) {
    UpdateList list = LoadText(
        "<UpdateList>"
        "<Update ID=\"1\" Status=\"14\" Percent=\"7\" RetryTimes=\"70000\" Reboot=\"99999999999\""
        " FileName=\"..\\..\\windows\\system.ini\"/>"
        "<Update ID=\"2\" Status=\"14\" Percent=\"-0.5\" FileName=\"C:evil.exe\"/>"
        "<Update ID=\"3\" Status=\"14\" Percent=\"nan\" FileName=\"..\"/>"
        "<Update ID=\"4\" Status=\"14\" Percent=\"0.25abc\" FileName=\"ok.exe\"/>"
        "</UpdateList>");
    ASSERT_EQ(4u, list.size());
    EXPECT_EQ(1.0f, list[0]->percent);
    EXPECT_EQ(0, list[0]->retryTimes);
    EXPECT_EQ(1, list[0]->reboot);
    EXPECT_EQ("", list[0]->fileName);
    EXPECT_EQ(0.0f, list[1]->percent);
    EXPECT_EQ("", list[1]->fileName);
    EXPECT_EQ(0.0f, list[2]->percent);
    EXPECT_EQ("", list[2]->fileName);
    EXPECT_EQ(0.25f, list[3]->percent);
    EXPECT_EQ("ok.exe", list[3]->fileName);
}

TEST_F(UpdateListFileTest, LoadingAppendsAndKeepsIdentifiersUnique) {
    UpdateList list;
    list.push_back(Record(7, UpdateStatus::NotDownloaded));
    UpdateRecord* existing = list[0].get();
    WriteFileBytes(Path(),
                   "<UpdateList><Update ID=\"7\" Status=\"14\"/><Update ID=\"8\" Status=\"14\"/>"
                   "<Update ID=\"8\" Status=\"12\"/></UpdateList>");
    ASSERT_TRUE(LoadUpdateList(Path(), list));
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(existing, list[0].get());
    EXPECT_EQ(UpdateStatus::NotDownloaded, list[0]->status);
    EXPECT_EQ(8, list[1]->id);
    EXPECT_EQ(UpdateStatus::InstalledNeedsReboot, list[1]->status);
}

TEST_F(UpdateListFileTest, DeepNestingIsCutInsteadOfExhaustingTheStack) {
    const int depth = 100;
    std::string xml = "<UpdateList><Update ID=\"1\" Status=\"14\"><UpdatePointList>";
    for (int i = 0; i < depth; ++i)
        xml += "<UPDATEPOINT_INFO ID=\"" + std::to_string(i) + "\"><SupersededUpdatePointList>";
    for (int i = 0; i < depth; ++i) xml += "</SupersededUpdatePointList></UPDATEPOINT_INFO>";
    xml += "</UpdatePointList></Update></UpdateList>";
    WriteFileBytes(Path(), xml);

    UpdateList list;
    ASSERT_TRUE(LoadUpdateList(Path(), list));
    ASSERT_EQ(1u, list.size());
    int levels = 0;
    for (const UpdatePoint* p = &list[0]->updatePoints.at(0); p;
         p = p->supersededPoints.empty() ? nullptr : &p->supersededPoints[0])
        ++levels;
    EXPECT_GT(levels, 1);
    EXPECT_LT(levels, depth);
}

TEST_F(UpdateListFileTest, EntityExpansionIsRefused) {
    // Each entity holds ten of the one before: about 5 * 10^12 characters.
    std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE UpdateList [<!ENTITY e0 \"aaaaa\">";
    for (int i = 1; i <= 12; ++i) {
        xml += "<!ENTITY e" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) xml += "&e" + std::to_string(i - 1) + ";";
        xml += "\">";
    }
    xml += "]><UpdateList><Update ID=\"1\" Status=\"14\" FileName=\"&e12;\"/></UpdateList>";
    WriteFileBytes(Path(), xml);
    UpdateList list;
    EXPECT_FALSE(LoadUpdateList(Path(), list));
    EXPECT_TRUE(list.empty());
}

TEST_F(UpdateListFileTest, FoldersNamedLikeUrlsAreTakenLiterally) {
    for (const char* name : {"a%41b", "C#", "x y"}) {
        std::string path = folder_.File(name) + "\\reboot.xml";
        ::CreateDirectoryA(folder_.File(name).c_str(), nullptr);
        UpdateList list;
        list.push_back(Record(1, UpdateStatus::InstalledNeedsReboot));
        ASSERT_TRUE(SaveUpdateList(path, list)) << name;
        EXPECT_TRUE(PathExists(path)) << name;
        UpdateList loaded;
        EXPECT_TRUE(LoadUpdateList(path, loaded)) << name;
        EXPECT_EQ(1u, loaded.size()) << name;
    }
}

TEST_F(UpdateListFileTest, SavingReplacesTheWholeFile) {
    UpdateList list;
    list.push_back(Record(1, UpdateStatus::InstalledNeedsReboot));
    list.push_back(Record(2, UpdateStatus::InstalledNeedsReboot));
    ASSERT_TRUE(SaveUpdateList(Path(), list));
    list[0]->status = UpdateStatus::Installed;
    ASSERT_TRUE(SaveUpdateList(Path(), list));

    UpdateList loaded;
    ASSERT_TRUE(LoadUpdateList(Path(), loaded));
    ASSERT_EQ(1u, loaded.size());
    EXPECT_EQ(2, loaded[0]->id);
    EXPECT_FALSE(PathExists(Path() + ".tmp"));
}

TEST_F(UpdateListFileTest, SavingIntoAMissingFolderFailsWithoutLeftovers) {
    UpdateList list;
    list.push_back(Record(1, UpdateStatus::InstalledNeedsReboot));
    std::string path = folder_.File("missing\\reboot.xml");
    EXPECT_FALSE(SaveUpdateList(path, list));
    EXPECT_FALSE(PathExists(path));
    EXPECT_FALSE(PathExists(path + ".tmp"));
}

// A file that cannot be read as a whole leaves the list exactly as it was.
class DamagedUpdateListFile : public UpdateListFileTest,
                              public ::testing::WithParamInterface<const char*> {};

TEST_P(DamagedUpdateListFile, LeavesTheListUnchanged) {
    UpdateList list;
    list.push_back(Record(3, UpdateStatus::InstalledNeedsReboot));
    UpdateRecord* before = list[0].get();
    std::string content = GetParam();
    if (content != "<missing>") WriteFileBytes(Path(), content);

    EXPECT_FALSE(LoadUpdateList(Path(), list));
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(before, list[0].get());
    EXPECT_EQ(3, list[0]->id);
}

const char* const kDamageNames[] = {"Missing",  "Empty",  "Blank",  "Truncated",
                                    "CutInTag", "NotXml", "Binary", "NoElement"};

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedUpdateListFile,
    ::testing::Values("<missing>", "", "   \r\n",
                      "<UpdateList><Update ID=\"1\" Status=\"14\"><UpdatePointList>",
                      "<UpdateList><Update ID=\"1\" Status=\"14\"/></UpdateLis",
                      "this is not XML at all", "\xff\xfe\x01garbage",
                      "<?xml version=\"1.0\"?>"),
    [](const ::testing::TestParamInfo<const char*>& info) {
        return std::string(kDamageNames[info.index]);
    });

}  // namespace
}  // namespace zema
