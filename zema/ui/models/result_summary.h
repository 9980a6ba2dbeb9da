#pragma once
// What the summary band above the result view shows: which appearance, the
// four totals and where they go, the pace of the scanning bar and which
// record changes are worth a repaint. No window code.

#include <array>
#include <string>

#include "zema/core/session_types.h"
#include "zema/core/update_record.h"

namespace zema {

enum class SummaryAppearance { Scanning, Serious, None };

struct AppearanceLook {
    const char* icon;
    const char* title;
    const char* titleColour;
    const char* summary;
    const char* summaryColour;
};

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

    static SummaryAppearance Choose(bool scanning, size_t updateCount);
    static AppearanceLook Look(SummaryAppearance appearance);
    static SummaryTotals Totals(const SessionSummary& summary);
    // The four items' entries, in order: total, installed, not installed,
    // failure.
    static std::array<const char*, 4> TotalsIcons();
    static std::array<const char*, 4> TotalsTexts();
    static std::array<int, 4> TotalsValues(const SummaryTotals& totals);
    // Runs the items left to right so the row ends kRightGap before the
    // right edge, but never begins left of kContentLeft.
    static std::array<TotalsPlace, 4> PlaceTotals(const std::array<int, 4>& textWidths,
                                                  int clientWidth);
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
