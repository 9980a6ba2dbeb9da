#include "zema/ui/models/result_summary.h"

#include <gtest/gtest.h>

namespace zema {
namespace {

TEST(ResultSummary, AppearanceAndTotalsFollowTheSession) {
    EXPECT_EQ(SummaryAppearance::Scanning, ResultSummary::Choose(true, 3));
    EXPECT_EQ(SummaryAppearance::None, ResultSummary::Choose(false, 0));
    EXPECT_EQ(SummaryAppearance::Serious, ResultSummary::Choose(false, 1));
    EXPECT_EQ((std::array<int, 4>{0, 0, 0, 0}),
              ResultSummary::TotalsValues(ResultSummary::Totals(SessionSummary{})));

    SessionSummary five;
    five.total = 5;
    five.installed = 2;
    five.failed = 1;
    five.downloading = 1;
    EXPECT_EQ((std::array<int, 4>{5, 2, 3, 1}),
              ResultSummary::TotalsValues(ResultSummary::Totals(five)));
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
