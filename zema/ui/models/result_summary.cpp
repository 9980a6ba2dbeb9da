#include "zema/ui/models/result_summary.h"

namespace zema {

SummaryAppearance ResultSummary::Choose(bool scanning, size_t updateCount) {
    if (scanning) return SummaryAppearance::Scanning;
    return updateCount ? SummaryAppearance::Serious : SummaryAppearance::None;
}

AppearanceLook ResultSummary::Look(SummaryAppearance appearance) {
    switch (appearance) {
    case SummaryAppearance::Scanning:
        return {"rni_result_scanning", "rns_result_title_scanning", "rnc_result_title_scanning",
                "rns_result_summary_scanning", "rnc_result_summary_scanning"};
    case SummaryAppearance::Serious:
        return {"rni_result_serious", "rns_result_title_serious", "rnc_result_title_serious",
                "rns_result_summary_serious", "rnc_result_summary_serious"};
    default:
        return {"rni_result_none", "rns_result_title_none", "rnc_result_title_none",
                "rns_result_summary_none", "rnc_result_summary_none"};
    }
}

SummaryTotals ResultSummary::Totals(const SessionSummary& summary) {
    SummaryTotals totals;
    totals.total = summary.total;
    totals.installed = summary.installed;
    totals.notInstalled = summary.total - summary.installed;
    totals.failed = summary.failed;
    return totals;
}

std::array<const char*, 4> ResultSummary::TotalsIcons() {
    return {"rni_result_status_total", "rni_result_status_installed", "rni_downloaded",
            "rni_error"};
}

std::array<const char*, 4> ResultSummary::TotalsTexts() {
    return {"rns_result_status_total", "rns_result_status_installed",
            "rns_result_status_notinstall", "rns_result_status_failure"};
}

std::array<int, 4> ResultSummary::TotalsValues(const SummaryTotals& totals) {
    return {totals.total, totals.installed, totals.notInstalled, totals.failed};
}

std::array<TotalsPlace, 4> ResultSummary::PlaceTotals(const std::array<int, 4>& textWidths,
                                                      int clientWidth) {
    int rowWidth = 0;
    for (int width : textWidths) rowWidth += width + kItemExtra;
    int left = clientWidth - kRightGap - rowWidth;
    if (left < kContentLeft) left = kContentLeft;
    std::array<TotalsPlace, 4> places;
    for (size_t i = 0; i < places.size(); ++i) {
        places[i].left = left;
        places[i].textLeft = left + kTextOffset;
        left += textWidths[i] + kItemExtra;
    }
    return places;
}

bool ResultSummary::StepPace() {
    progress_ += kPaceStep;
    return progress_ <= 1.0f;
}

}  // namespace zema
