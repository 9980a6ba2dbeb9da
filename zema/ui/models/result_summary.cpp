#include "zema/ui/models/result_summary.h"

#include <set>

namespace zema {

namespace {

const char* FirstPresent(std::initializer_list<const char*> names, const SkinHasText& has) {
    const char* last = nullptr;
    for (const char* name : names) {
        if (!name) continue;
        if (has(name)) return name;
        last = name;
    }
    return last;
}

}  // namespace

SummaryAppearance ResultSummary::Choose(bool scanning, const SessionSummary& summary) {
    if (scanning) return SummaryAppearance::Scanning;
    if (summary.needingWork > 0) return SummaryAppearance::Serious;
    if (summary.awaitingReboot > 0) return SummaryAppearance::RestartPending;
    // Only excluded records left: nothing was repaired, nothing is to do.
    return summary.installed > 0 ? SummaryAppearance::Repaired : SummaryAppearance::None;
}

SummaryCounts ResultSummary::Count(const UpdateList& records,
                                   const std::vector<VulnerabilityEntry>& vulnerabilities) {
    SummaryCounts counts;
    std::set<int32_t> left;
    for (const auto& record : records) {
        if (NeedsWork(*record)) left.insert(record->id);
        if (record->status == UpdateStatus::InstalledNeedsReboot) ++counts.awaitingReboot;
    }
    counts.updates = static_cast<int>(left.size());
    for (const VulnerabilityEntry& entry : vulnerabilities)
        if (left.count(entry.updateId)) ++counts.vulnerabilities;
    return counts;
}

AppearanceLook ResultSummary::Look(SummaryAppearance appearance, const SummaryCounts& counts,
                                   const SkinHasText& has) {
    AppearanceLook none = {"rni_result_none", "rns_result_title_none", "rnc_result_title_none",
                           "rns_result_summary_none", "rnc_result_summary_none"};
    AppearanceLook look = none;
    switch (appearance) {
    case SummaryAppearance::Scanning:
        return {"rni_result_scanning", "rns_result_title_scanning", "rnc_result_title_scanning",
                "rns_result_summary_scanning", "rnc_result_summary_scanning"};
    case SummaryAppearance::Serious: {
        const bool oneVulnerability = counts.vulnerabilities == 1;
        const bool oneUpdate = counts.updates == 1;
        const char* singular = oneVulnerability && oneUpdate ? "rns_result_summary_serious_one"
                               : oneVulnerability           ? "rns_result_summary_serious_one_vuln"
                               : oneUpdate ? "rns_result_summary_serious_one_update"
                                           : nullptr;
        return {"rni_result_serious", "rns_result_title_serious", "rnc_result_title_serious",
                FirstPresent({singular, "rns_result_summary_serious"}, has),
                "rnc_result_summary_serious"};
    }
    case SummaryAppearance::RestartPending:
        look.title = FirstPresent({"rns_result_title_restart", none.title}, has);
        look.summary = FirstPresent({counts.awaitingReboot == 1 ? "rns_result_summary_restart_one"
                                                                : nullptr,
                                     "rns_result_summary_restart", none.summary},
                                    has);
        return look;
    case SummaryAppearance::Repaired:
        look.title = FirstPresent({"rns_result_title_repaired", none.title}, has);
        look.summary = FirstPresent({"rns_result_summary_repaired", none.summary}, has);
        return look;
    case SummaryAppearance::None: break;
    }
    return none;
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
                                                      int clientWidth, win::Dpi dpi) {
    int itemExtra = dpi.Scale(kItemExtra);
    int rowWidth = 0;
    for (int width : textWidths) rowWidth += width + itemExtra;
    int left = clientWidth - dpi.Scale(kRightGap) - rowWidth;
    if (left < dpi.Scale(kContentLeft)) left = dpi.Scale(kContentLeft);
    std::array<TotalsPlace, 4> places;
    for (size_t i = 0; i < places.size(); ++i) {
        places[i].left = left;
        places[i].textLeft = left + dpi.Scale(kTextOffset);
        left += textWidths[i] + itemExtra;
    }
    return places;
}

bool ResultSummary::StepPace() {
    progress_ += kPaceStep;
    return progress_ <= 1.0f;
}

}  // namespace zema
