#pragma once
// The missing updates that Zema tracks from scan to installation: their
// states, their vulnerabilities (update points) and the list that owns them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zema {

// Stored in reboot.xml and shown by every view, so the numbers are fixed.
// 0 exists only while a record is being built.
enum class UpdateStatus : int32_t {
    None = 0,
    NotDownloaded = 1,
    DownloadStarted = 2,
    Downloading = 3,
    AlreadyDownloaded = 4,
    DownloadCompleted = 5,
    DownloadPaused = 6,
    DownloadCanceled = 7,
    DownloadFailed = 8,
    DownloadWaiting = 9,
    DownloadWaitingRetry = 10,
    Installing = 11,
    Installed = 12,
    InstallWaiting = 13,
    InstalledNeedsReboot = 14,
    InstallCanceled = 15,
    InstallFailed = 16,
};

constexpr int32_t kFirstUpdateStatus = 1;
constexpr int32_t kLastUpdateStatus = 16;

inline bool IsKnownUpdateStatus(int32_t value) {
    return value >= kFirstUpdateStatus && value <= kLastUpdateStatus;
}

// The status groups the policies and views act on.
inline bool NeedsDownload(UpdateStatus s) {
    return s == UpdateStatus::NotDownloaded || s == UpdateStatus::DownloadCanceled ||
           s == UpdateStatus::DownloadFailed;
}
inline bool IsPackagePresent(UpdateStatus s) {
    return s == UpdateStatus::AlreadyDownloaded || s == UpdateStatus::DownloadCompleted;
}
inline bool IsInstallable(UpdateStatus s) {
    return IsPackagePresent(s) || s == UpdateStatus::InstallCanceled ||
           s == UpdateStatus::InstallFailed;
}
inline bool IsDone(UpdateStatus s) {
    return s == UpdateStatus::Installed || s == UpdateStatus::InstalledNeedsReboot;
}
inline bool IsFailed(UpdateStatus s) {
    return s == UpdateStatus::DownloadFailed || s == UpdateStatus::InstallFailed;
}
inline bool IsDownloadActive(UpdateStatus s) {
    return s == UpdateStatus::DownloadStarted || s == UpdateStatus::Downloading;
}
inline bool IsInstallActive(UpdateStatus s) { return s == UpdateStatus::Installing; }

constexpr int16_t kDefaultSeverityRating = 5;

// One vulnerability that an update repairs; owns the older points it
// replaces, to any depth.
struct UpdatePoint {
    int32_t id = 0;
    int32_t updateId = 0;
    int32_t securityBulletinId = 0;
    int32_t impactedSoftwareId = 0;
    int32_t impactedComponentId = 0;
    int16_t severityRating = kDefaultSeverityRating;
    std::vector<int32_t> categoryIds;  // positive; the first names the product
    std::vector<UpdatePoint> supersededPoints;
};

// One missing update package, keyed by the engine's update identifier.
struct UpdateRecord {
    int32_t id = 0;
    UpdateStatus status = UpdateStatus::None;
    int32_t reboot = 1;
    float percent = 0.0f;  // download progress, 0 to 1
    int32_t averageRate = 0;
    int32_t consumeTime = 0;
    int32_t leftTime = 0;
    int16_t retryTimes = 0;
    int32_t retryLeftTime = 0;
    int32_t errorCode = 0;  // downloader's or engine's code for the failed states
    std::string fileName;   // inside the save folder
    std::string checkValue;
    bool officialSource = true;
    bool installAfterDownload = false;
    bool excluded = false;
    std::vector<UpdatePoint> updatePoints;
};

// Records keep their address for their whole life: listeners and job
// handles refer to them.
using UpdateList = std::vector<std::unique_ptr<UpdateRecord>>;

// A record the user still has to repair: not excluded and not installed
// (a restart to come counts as installed).
inline bool NeedsWork(const UpdateRecord& record) {
    return !record.excluded && !IsDone(record.status);
}

}  // namespace zema
