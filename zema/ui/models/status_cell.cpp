#include "zema/ui/models/status_cell.h"

#include <cstdio>

namespace zema {

StatusLook UpdateStatusLook(const UpdateRecord& record) {
    constexpr const char* kDefault = "rnc_status_default";
    if (record.excluded) return {"rns_install_disabled", "rnc_disable", kImageNull};
    switch (record.status) {
    case UpdateStatus::NotDownloaded: return {"rns_download_no", kDefault, kImageNull};
    case UpdateStatus::DownloadStarted: return {"rns_download_downloading", nullptr, kImageNull};
    case UpdateStatus::Downloading:
        return {"rns_download_downloading", "rnc_status_downloading", kImageNull};
    case UpdateStatus::AlreadyDownloaded:
        return {"rns_download_already", kDefault, kImageDownloaded};
    case UpdateStatus::DownloadCompleted:
        return {"rns_download_completed", kDefault, kImageDownloaded};
    case UpdateStatus::DownloadPaused: return {nullptr, nullptr, kImageNull};
    case UpdateStatus::DownloadCanceled: return {"rns_download_canceled", kDefault, kImageNull};
    case UpdateStatus::DownloadFailed:
        return {"rns_download_failed", "rnc_status_failed", kImageError};
    case UpdateStatus::DownloadWaiting: return {"rns_download_wait", kDefault, kImageNull};
    case UpdateStatus::DownloadWaitingRetry:
        return {"rns_download_waitretry", kDefault, kImageNull};
    case UpdateStatus::Installing:
        return {"rns_install_installing", "rnc_status_installing", kImageInstalling};
    case UpdateStatus::Installed:
        return {"rns_install_installed", "rnc_status_installed", kImageInstalled};
    case UpdateStatus::InstallWaiting: return {"rns_install_wait", kDefault, kImageDownloaded};
    case UpdateStatus::InstalledNeedsReboot:
        return {"rns_install_needreboot", "rnc_status_installedreboot", kImageInstallReboot};
    case UpdateStatus::InstallCanceled:
        return {"rns_install_canceled", kDefault, kImageDownloaded};
    case UpdateStatus::InstallFailed:
        return {"rns_install_failed", "rnc_status_failed", kImageError};
    default: return {nullptr, kDefault, kImageNull};
    }
}

StatusLook RepairStatusLook(UpdateStatus status) {
    switch (status) {
    case UpdateStatus::DownloadFailed:
        return {"rns_vulnstatus_failed_now", "rnc_status_failed", kVulnImageError};
    case UpdateStatus::Installing:
        return {"rns_vulnstatus_fixing", "rnc_status_installing", kVulnImageInstalling};
    case UpdateStatus::Installed:
        return {"rns_vulnstatus_fixed", "rnc_status_installed", kVulnImageInstalled};
    case UpdateStatus::InstalledNeedsReboot:
        return {"rns_vulnstatus_fixedreboot", "rnc_status_installedreboot",
                kVulnImageInstallReboot};
    case UpdateStatus::InstallFailed:
        return {"rns_vulnstatus_failed", "rnc_status_failed", kVulnImageError};
    default: return {"rns_vulnstatus_notfix", "rnc_status_default", kVulnImageNull};
    }
}

std::string DownloadProgressText(const std::string& statusText, float fraction) {
    char buffer[64];
    double percent = static_cast<double>(fraction) * 100.0;
    if (fraction >= 1.0f)
        std::snprintf(buffer, sizeof(buffer), "(%.0f%%)", percent);
    else
        std::snprintf(buffer, sizeof(buffer), "(%.1f%%)", percent < 0 ? 0.0 : percent);
    return statusText + buffer;
}

}  // namespace zema
