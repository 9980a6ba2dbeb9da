#include "zema/core/session_types.h"

namespace zema {

SessionSummary SummarizeRecords(const UpdateList& records) {
    SessionSummary summary;
    for (const auto& record : records) {
        ++summary.total;
        if (IsDownloadActive(record->status)) ++summary.downloading;
        if (IsPackagePresent(record->status)) ++summary.downloaded;
        if (IsFailed(record->status)) ++summary.failed;
        if (IsInstallActive(record->status)) ++summary.installing;
        if (IsDone(record->status)) ++summary.installed;
        if (record->status == UpdateStatus::InstalledNeedsReboot) ++summary.awaitingReboot;
        if (NeedsWork(*record)) ++summary.needingWork;
    }
    return summary;
}

}  // namespace zema
