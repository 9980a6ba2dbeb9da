#pragma once
// What the summary band above the result view shows: which appearance, the
// four totals and where they go, the pace of the scanning bar and which
// record changes are worth a repaint. No window code.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "win/dpi.h"
#include "zema/core/session_types.h"
#include "zema/core/update_record.h"

namespace zema {

// Serious while something is left to repair; Repaired and RestartPending
// once everything that is not excluded is installed.
enum class SummaryAppearance { Scanning, Serious, Repaired, RestartPending, None };

struct AppearanceLook {
    const char* icon;
    const char* title;
    const char* titleColour;
    const char* summary;
    const char* summaryColour;
};

// What the serious and restart texts count: what is still to repair, and
// what waits for a restart.
struct SummaryCounts {
    int vulnerabilities = 0;
    int updates = 0;
    int awaitingReboot = 0;
};

// Whether the skin has a text; newer entries fall back to older ones.
using SkinHasText = std::function<bool(const char* name)>;

struct SummaryTotals {
    int total = 0;
    int installed = 0;
    int notInstalled = 0;
    int failed = 0;
};

// One item of the totals line: icon at `left`, text from `textLeft`.
struct TotalsPlace {
    int left = 0;
    int textLeft = 0;
};

class ResultSummary {
public:
    static constexpr int kContentLeft = 86;
    static constexpr int kRightGap = 6;
    static constexpr int kItemExtra = 33;
    static constexpr int kTextOffset = 19;
    static constexpr float kPaceStep = 0.05f;

    static SummaryAppearance Choose(bool scanning, const SessionSummary& summary);
    static SummaryCounts Count(const UpdateList& records,
                               const std::vector<VulnerabilityEntry>& vulnerabilities);
    // The entries to show; the texts for one update or one vulnerability
    // where the counts are 1 and the skin has them. The serious summary
    // takes the vulnerabilities and updates left ("%d%d"), the restart
    // summary the updates awaiting it ("%d"), the others no argument.
    static AppearanceLook Look(SummaryAppearance appearance, const SummaryCounts& counts,
                               const SkinHasText& has);
    static SummaryTotals Totals(const SessionSummary& summary);
    // The four items' entries, in order: total, installed, not installed,
    // failure.
    static std::array<const char*, 4> TotalsIcons();
    static std::array<const char*, 4> TotalsTexts();
    static std::array<int, 4> TotalsValues(const SummaryTotals& totals);
    // Runs the items left to right so the row ends kRightGap before the
    // right edge, but never begins left of kContentLeft (these measures at
    // 96 DPI, scaled for `dpi`; the widths are as measured).
    static std::array<TotalsPlace, 4> PlaceTotals(const std::array<int, 4>& textWidths,
                                                  int clientWidth, win::Dpi dpi = win::Dpi());
    // Download progress alone does not change the band.
    static bool RepaintsOn(UpdateStatus status) { return status != UpdateStatus::Downloading; }

    // The scanning bar's pace: a step each tick; false once it has passed 1
    // and the timer is to stop.
    void StartPace() { progress_ = 0.0f; }
    bool StepPace();
    void FinishPace() { progress_ = 1.0f; }
    float Progress() const { return progress_; }

private:
    float progress_ = 0.0f;
};

}  // namespace zema
