#include "zema/ui/models/result_summary.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zema {
namespace {

UpdateRecord& AddRecord(UpdateList& records, int32_t id, UpdateStatus status,
                        bool excluded = false) {
    records.push_back(std::make_unique<UpdateRecord>());
    records.back()->id = id;
    records.back()->status = status;
    records.back()->excluded = excluded;
    return *records.back();
}

// Beside an installed record and an excluded one, a record of each status in
// turn: only installed (12) and installed awaiting a restart (14) count as
// repaired, and the band is serious while anything else is left.
TEST(ResultSummary, CountersAndAppearanceForRecordsOfEveryStatus) {
    for (int32_t value = kFirstUpdateStatus; value <= kLastUpdateStatus; ++value) {
        const UpdateStatus status = static_cast<UpdateStatus>(value);
        SCOPED_TRACE(value);
        UpdateList records;
        AddRecord(records, 1, UpdateStatus::Installed);
        AddRecord(records, 2, status);
        AddRecord(records, 3, UpdateStatus::NotDownloaded, true);
        const SessionSummary summary = SummarizeRecords(records);
        const bool done = value == 12 || value == 14;
        EXPECT_EQ(3, summary.total);
        EXPECT_EQ(done ? 2 : 1, summary.installed);
        EXPECT_EQ(value == 14 ? 1 : 0, summary.awaitingReboot);
        EXPECT_EQ(done ? 0 : 1, summary.needingWork);
        EXPECT_EQ(value == 8 || value == 16 ? 1 : 0, summary.failed);
        EXPECT_EQ(value == 2 || value == 3 ? 1 : 0, summary.downloading);
        EXPECT_EQ(value == 4 || value == 5 ? 1 : 0, summary.downloaded);
        EXPECT_EQ(value == 11 ? 1 : 0, summary.installing);
        EXPECT_EQ((std::array<int, 4>{3, summary.installed, 3 - summary.installed, summary.failed}),
                  ResultSummary::TotalsValues(ResultSummary::Totals(summary)));
        const SummaryAppearance expected = value == 14   ? SummaryAppearance::RestartPending
                                           : value == 12 ? SummaryAppearance::Repaired
                                                         : SummaryAppearance::Serious;
        EXPECT_EQ(expected, ResultSummary::Choose(false, summary));
        EXPECT_EQ(SummaryAppearance::Scanning, ResultSummary::Choose(true, summary));
    }
    UpdateList excludedOnly;
    AddRecord(excludedOnly, 1, UpdateStatus::NotDownloaded, true);
    EXPECT_EQ(SummaryAppearance::None,
              ResultSummary::Choose(false, SummarizeRecords(excludedOnly)));
    EXPECT_EQ(SummaryAppearance::None, ResultSummary::Choose(false, SummarizeRecords({})));
}

TEST(ResultSummary, TextsCountWhatIsLeftAndOlderSkinsKeepTheirTexts) {
    UpdateList records;
    AddRecord(records, 1, UpdateStatus::Installed);
    AddRecord(records, 2, UpdateStatus::DownloadFailed);
    AddRecord(records, 3, UpdateStatus::InstalledNeedsReboot);
    AddRecord(records, 4, UpdateStatus::NotDownloaded, true);
    const std::vector<VulnerabilityEntry> entries = {
        {10, 1, 100}, {11, 1, 100}, {12, 2, 100}, {13, 3, 100}, {14, 4, 100}};
    const SummaryCounts left = ResultSummary::Count(records, entries);
    EXPECT_EQ(1, left.vulnerabilities);
    EXPECT_EQ(1, left.updates);
    EXPECT_EQ(1, left.awaitingReboot);

    const SkinHasText every = [](const char*) { return true; };
    const SkinHasText older = [](const char* name) {
        return std::string(name).find("_one") == std::string::npos &&
               std::string(name).find("repaired") == std::string::npos &&
               std::string(name).find("restart") == std::string::npos;
    };
    auto summary = [](SummaryAppearance a, SummaryCounts c, const SkinHasText& has) {
        return std::string(ResultSummary::Look(a, c, has).summary);
    };
    const SummaryAppearance serious = SummaryAppearance::Serious;
    EXPECT_EQ("rns_result_summary_serious_one", summary(serious, {1, 1, 0}, every));
    EXPECT_EQ("rns_result_summary_serious_one_vuln", summary(serious, {1, 2, 0}, every));
    EXPECT_EQ("rns_result_summary_serious_one_update", summary(serious, {2, 1, 0}, every));
    EXPECT_EQ("rns_result_summary_serious", summary(serious, {2, 2, 0}, every));
    EXPECT_EQ("rns_result_summary_serious", summary(serious, {1, 1, 0}, older));

    const SummaryAppearance restart = SummaryAppearance::RestartPending;
    EXPECT_EQ("rns_result_summary_restart_one", summary(restart, {0, 0, 1}, every));
    EXPECT_EQ("rns_result_summary_restart", summary(restart, {0, 0, 2}, every));
    const AppearanceLook none = ResultSummary::Look(SummaryAppearance::None, {}, every);
    for (SummaryAppearance repaired : {restart, SummaryAppearance::Repaired}) {
        const AppearanceLook fresh = ResultSummary::Look(repaired, {0, 0, 1}, every);
        const AppearanceLook old = ResultSummary::Look(repaired, {0, 0, 1}, older);
        EXPECT_STREQ(none.icon, fresh.icon);
        EXPECT_STRNE(none.title, fresh.title);
        EXPECT_STREQ(none.title, old.title);
        EXPECT_STREQ(none.summary, old.summary);
    }
}

TEST(ResultSummary, TotalsRowEndsAtTheRightButNeverStartsLeftOfTheText) {
    std::array<int, 4> widths = {40, 50, 60, 30};  // row: 180 + 4 * 33 = 312
    auto wide = ResultSummary::PlaceTotals(widths, 1000);
    EXPECT_EQ(1000 - 6 - 312, wide[0].left);
    EXPECT_EQ(wide[0].left + 73, wide[1].left);
    EXPECT_EQ(wide[1].left + 19, wide[1].textLeft);
    EXPECT_EQ(1000 - 6, wide[3].left + 30 + 33);
    auto narrow = ResultSummary::PlaceTotals(widths, 300);
    EXPECT_EQ(86, narrow[0].left);
}

TEST(ResultSummary, PaceStepsToFullAndOnlyRealChangesRepaint) {
    ResultSummary summary;
    summary.StartPace();
    int ticks = 0;
    while (summary.StepPace()) ++ticks;
    EXPECT_GE(ticks, 19) << "about four seconds at 200 ms";
    EXPECT_LE(ticks, 20);
    summary.FinishPace();
    EXPECT_FLOAT_EQ(1.0f, summary.Progress());
    EXPECT_FALSE(ResultSummary::RepaintsOn(UpdateStatus::Downloading));
    EXPECT_TRUE(ResultSummary::RepaintsOn(UpdateStatus::DownloadCompleted));
}

}  // namespace
}  // namespace zema
