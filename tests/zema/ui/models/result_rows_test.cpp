#include "zema/ui/models/result_rows.h"

#include <gtest/gtest.h>

#include "tests/zema/ui/models/result_fakes.h"
#include "zema/ui/models/status_cell.h"

namespace zema {
namespace {

using namespace testing_ui;

class ResultRowsTest : public ::testing::Test {
protected:
    ResultRowsTest() : source_(session_), rows_(session_, source_, skin_) {}

    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (int i = 0; i < nodes_.RowCount(); ++i) {
            const TreeNode* node = nodes_.NodeAt(i);
            titles.push_back((node->level ? "  " : "") + node->cells[0].text);
        }
        return titles;
    }

    FakeSession session_;
    FakeSource source_;
    FakeSkin skin_;
    ResultRows rows_;
    TreeNodes nodes_;
};

struct GroupingCase {
    ShowBy by;
    std::vector<std::string> titles;
};

class GroupingTest : public ResultRowsTest, public ::testing::WithParamInterface<GroupingCase> {};

TEST_P(GroupingTest, EveryRecordSitsUnderItsGroupAndEmptyGroupsShowZero) {
    session_.Add(1, UpdateStatus::NotDownloaded, 10, 1);
    session_.Add(2, UpdateStatus::Installed, 20, 4);
    session_.Add(3, UpdateStatus::DownloadFailed, 10, 4);
    session_.records[2]->updatePoints.clear();  // no product, severity or bulletin
    source_.languages[2] = 1031;
    source_.groups = {{10, 20, 30}, {1, 4}, {7, 8}, {1031, 1033}};
    rows_.FillUpdates(nodes_, GetParam().by);
    EXPECT_EQ(GetParam().titles, Titles());
    for (int i = 0; i < nodes_.RowCount(); ++i)
        EXPECT_TRUE(nodes_.NodeAt(i)->checked) << "row " << i << " starts checked";
}

std::string GroupingName(const ::testing::TestParamInfo<GroupingCase>& info) {
    static const char* const names[] = {"", "Nothing", "Product", "Severity", "Impact",
                                        "Language"};
    return names[static_cast<int>(info.param.by)];
}

const char kT1[] = "Security Update for Product 1";
const char kT2[] = "Security Update for Product 2";
const char kT3[] = "Security Update for Product 3";

INSTANTIATE_TEST_SUITE_P(
    FiveWays, GroupingTest,
    ::testing::Values(
        GroupingCase{ShowBy::Nothing, {kT1, kT2, kT3}},
        GroupingCase{ShowBy::Product,
                     {"Product 10 (1)", std::string("  ") + kT1, "Product 20 (1)",
                      std::string("  ") + kT2, "Product 30 (0)", "rns_unknown (1)",
                      std::string("  ") + kT3}},
        GroupingCase{ShowBy::Severity,
                     {"Severity 1 (1)", std::string("  ") + kT1, "Severity 4 (1)",
                      std::string("  ") + kT2, "rns_unknown (1)", std::string("  ") + kT3}},
        GroupingCase{ShowBy::Impact,
                     {"Impact 7 (2)", std::string("  ") + kT1, std::string("  ") + kT2,
                      "Impact 8 (0)", "rns_unknown (1)", std::string("  ") + kT3}},
        GroupingCase{ShowBy::Language,
                     {"Language 1031 (1)", std::string("  ") + kT2, "Language 1033 (2)",
                      std::string("  ") + kT1, std::string("  ") + kT3}}),
    GroupingName);

TEST_F(ResultRowsTest, StatusCellShowsProgressExclusionAndFailure) {
    EXPECT_EQ("rns_download_downloading(50.0%)", DownloadProgressText("rns_download_downloading", 0.5f));
    EXPECT_EQ("x(100%)", DownloadProgressText("x", 1.0f));
    EXPECT_EQ("x(99.9%)", DownloadProgressText("x", 0.999f));

    UpdateRecord& excluded = session_.Add(1, UpdateStatus::DownloadFailed);
    excluded.excluded = true;
    UpdateRecord& failed = session_.Add(2, UpdateStatus::DownloadFailed);
    UpdateRecord& downloading = session_.Add(3, UpdateStatus::Downloading);
    downloading.percent = 0.5f;
    rows_.FillUpdates(nodes_, ShowBy::Nothing);

    const TreeNode& off = *nodes_.NodeAt(0);
    EXPECT_EQ("rns_install_disabled", off.cells[kColumnStatus].text);
    for (int column : {kColumnTitle, kColumnBulletin, kColumnStatus})
        EXPECT_EQ(skin_.Colour("rnc_disable"), off.cells[column].color) << column;
    const TreeNode& bad = *nodes_.NodeAt(1);
    EXPECT_EQ("rns_download_failed", bad.cells[kColumnStatus].text);
    EXPECT_EQ(skin_.Colour("rnc_status_failed"), bad.cells[kColumnStatus].color);
    EXPECT_EQ(kImageError, bad.cells[kColumnStatus].image);
    EXPECT_EQ(8, bad.cells[kColumnStatus].key);
    EXPECT_EQ(500, nodes_.NodeAt(2)->cells[kColumnDate].key) << "progress key is per mille";

    failed.status = UpdateStatus::InstalledNeedsReboot;
    rows_.ApplyStatus(*nodes_.NodeAt(1), failed);
    EXPECT_EQ("rns_install_needreboot", bad.cells[kColumnStatus].text);
    EXPECT_EQ(kImageInstallReboot, bad.cells[kColumnStatus].image);
}

TEST_F(ResultRowsTest, RepairFetchesAgainInstallsPresentAndLeavesDoneAndExcludedAlone) {
    UpdateRecord& failed = session_.Add(1, UpdateStatus::DownloadFailed, 10);
    session_.Add(2, UpdateStatus::Installed, 10);
    session_.Add(3, UpdateStatus::InstallFailed, 20);
    session_.Add(4, UpdateStatus::NotDownloaded, 20).excluded = true;
    session_.Add(5, UpdateStatus::AlreadyDownloaded, 20);
    source_.groups.products = {10, 20};
    rows_.FillUpdates(nodes_, ShowBy::Product);
    nodes_.NodeAt(nodes_.RowCount() - 1)->checked = false;  // record 5

    RepairRecords(session_, ResultRows::CheckedRecords(nodes_, ShowBy::Product));
    EXPECT_EQ((std::vector<int32_t>{1}), session_.downloads);
    EXPECT_TRUE(failed.installAfterDownload) << "a fresh download is installed afterwards";
    EXPECT_EQ((std::vector<int32_t>{3}), session_.installs);

    session_.downloads.clear();
    DownloadRecords(session_, ResultRows::CheckedRecords(nodes_, ShowBy::Product));
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3}), session_.downloads);
    StopRecords(session_, ResultRows::CheckedRecords(nodes_, ShowBy::Product));
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3, 4}), session_.canceledDownloads);
}

TEST(ResultControlStates, ScanningOrAnEmptyListDisablesTheCommands) {
    ResultActivity activity;
    activity.hasRows = true;
    activity.showBy = ShowBy::Product;
    ResultControlStates ready = ComputeControlStates(activity);
    EXPECT_TRUE(ready.repairEnabled && ready.selectAllEnabled && ready.expandAllEnabled &&
                ready.showByEnabled && ready.scanEnabled && ready.scanShown);
    EXPECT_FALSE(ready.stopShown);

    activity.showBy = ShowBy::Nothing;
    EXPECT_FALSE(ComputeControlStates(activity).expandAllEnabled) << "nothing to expand";

    activity.scanning = true;
    ResultControlStates scanning = ComputeControlStates(activity);
    EXPECT_FALSE(scanning.repairEnabled || scanning.selectAllEnabled ||
                 scanning.expandAllEnabled || scanning.showByEnabled || scanning.scanEnabled);

    activity.scanning = false;
    activity.workActive = true;
    ResultControlStates working = ComputeControlStates(activity);
    EXPECT_TRUE(working.stopShown && working.stopEnabled && working.repairEnabled);
    EXPECT_FALSE(working.scanShown || working.showByEnabled);

    activity.workActive = false;
    activity.tab = 1;
    ResultControlStates vulns = ComputeControlStates(activity);
    EXPECT_TRUE(vulns.vulnerabilityListShown);
    EXPECT_FALSE(vulns.updateListShown || vulns.showByShown || vulns.repairEnabled ||
                 vulns.selectAllEnabled);
}

TEST_F(ResultRowsTest, VulnerabilityRowsFollowTheRepairingRecord) {
    UpdateRecord& record = session_.Add(1, UpdateStatus::Installing);
    source_.vulnerabilities = {{5, 1, 1001}, {-1, 1, 1001}, {6, 99, 1001}};
    rows_.FillVulnerabilities(nodes_);
    ASSERT_EQ(2, nodes_.RowCount()) << "an unknown vulnerability gets no row";
    EXPECT_EQ("CVE-2026-5", nodes_.NodeAt(0)->cells[kColumnCveId].text);
    EXPECT_EQ("rns_vulnstatus_fixing", nodes_.NodeAt(0)->cells[kColumnRepairStatus].text);
    EXPECT_EQ("rns_vulnstatus_notfix", nodes_.NodeAt(1)->cells[kColumnRepairStatus].text);
    record.status = UpdateStatus::InstallFailed;
    rows_.ApplyRepairStatus(*nodes_.NodeAt(0));
    EXPECT_EQ("rns_vulnstatus_failed", nodes_.NodeAt(0)->cells[kColumnRepairStatus].text);
    EXPECT_EQ(kVulnImageError, nodes_.NodeAt(0)->cells[kColumnRepairStatus].image);
}

}  // namespace
}  // namespace zema
