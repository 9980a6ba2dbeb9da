#include "zema/core/session_policy.h"

#include "zema/core/settings_store.h"

namespace zema {
namespace {

bool IsRebootPending(UpdateStatus s) { return s == UpdateStatus::InstalledNeedsReboot; }
bool HasPresentPackage(UpdateStatus s) { return IsPackagePresent(s); }

// Counted as "nothing more to download" by download-all-then-notify.
bool IsPastDownload(UpdateStatus s) {
    switch (s) {
    case UpdateStatus::AlreadyDownloaded:
    case UpdateStatus::DownloadCompleted:
    case UpdateStatus::Installing:
    case UpdateStatus::Installed:
    case UpdateStatus::InstallWaiting:
    case UpdateStatus::InstalledNeedsReboot:
    case UpdateStatus::InstallCanceled:
    case UpdateStatus::InstallFailed:
        return true;
    default:
        return false;
    }
}

bool EndsInstallation(UpdateStatus s) {
    return IsDone(s) || s == UpdateStatus::InstallCanceled || s == UpdateStatus::InstallFailed;
}

}  // namespace

SessionPolicy::SessionPolicy(UpdateSession& session, SettingsStore& settings, SessionUi& ui,
                             PowerAction power, HWND self)
    : session_(session), settings_(settings), ui_(ui), power_(std::move(power)), self_(self) {}

bool SessionPolicy::MayActUnattended() const {
    return ui_.MainWindowHidden() || (self_ && lastRequester_ == self_);
}

bool SessionPolicy::Quiet() const {
    return !session_.DownloadsActive() && !session_.InstallationsActive();
}

bool SessionPolicy::AnyRecord(bool (*test)(UpdateStatus)) const {
    for (const auto& record : session_.Updates()) {
        if (test(record->status)) return true;
    }
    return false;
}

void SessionPolicy::AfterScanStarted(HWND requester) {
    lastRequester_ = requester;
    if (ui_.TrayIconShown()) ui_.StartTrayAnimation();
}

void SessionPolicy::AfterScan(HWND requester, int result) {
    lastRequester_ = requester;
    ui_.StopTrayAnimation();
    if (result != 0) return;
    switch (settings_.VulnFoundAction()) {
    case FOUND_ACTION_NOTIFY:
        if (!session_.Updates().empty()) ui_.ShowNotification(kNotifyScanned);
        break;
    case FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD:
        DownloadAllThenNotify();
        break;
    case FOUND_ACTION_REPAIR:
        RepairAll();
        break;
    default:
        break;
    }
}

void SessionPolicy::RepairAll() {
    if (!MayActUnattended()) return;
    for (const auto& record : session_.Updates()) {
        if (record->excluded) continue;  // the user listed it in filter.xml
        if (NeedsDownload(record->status)) {
            record->installAfterDownload = true;
            session_.StartDownload(*record, false);
        } else if (IsInstallable(record->status)) {
            session_.StartInstallation(*record);
        }
    }
}

void SessionPolicy::DownloadAllThenNotify() {
    if (!MayActUnattended()) return;
    size_t past = 0;
    for (const auto& record : session_.Updates()) {
        if (record->excluded || IsPastDownload(record->status)) {
            ++past;
            continue;
        }
        if (NeedsDownload(record->status)) session_.StartDownload(*record, false);
    }
    if (past == session_.Updates().size()) ui_.ShowNotification(kNotifyDownloaded);
}

void SessionPolicy::AfterChange(UpdateRecord& record) {
    UpdateStatus status = record.status;
    if (status != UpdateStatus::Downloading && ui_.TrayIconShown()) {
        if (Quiet())
            ui_.StopTrayAnimation();
        else
            ui_.StartTrayAnimation();
    }

    int found = settings_.VulnFoundAction();
    if (status == UpdateStatus::DownloadCompleted) {
        if (found == FOUND_ACTION_REPAIR)
            session_.StartInstallation(record);
        else if (found == FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD && !session_.DownloadsActive())
            ui_.ShowNotification(kNotifyDownloaded);
    } else if (status == UpdateStatus::DownloadCanceled || status == UpdateStatus::DownloadFailed) {
        if (found == FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD && !session_.DownloadsActive() &&
            AnyRecord(&HasPresentPackage))
            ui_.ShowNotification(kNotifyDownloaded);
        else if (found == FOUND_ACTION_REPAIR && Quiet() && AnyRecord(&IsDone))
            ApplyInstalledAction(false);
    } else if (EndsInstallation(status)) {
        if (Quiet() && AnyRecord(&IsDone)) ApplyInstalledAction(true);
    }

    if (IsDone(status) && settings_.DeleteInstalledUpdateFile() == 1) DeleteInstalledPackage(record);
}

void SessionPolicy::ApplyInstalledAction(bool mayOpenDialog) {
    bool rebootPending = AnyRecord(&IsRebootPending);
    switch (settings_.UpdateInstalledAction()) {
    case INSTALLED_ACTION_NOTIFY:
        if (!mayOpenDialog || ui_.MainWindowHidden())
            ui_.ShowNotification(kNotifyInstalled);
        else
            ui_.OpenRebootDialog();
        break;
    case INSTALLED_ACTION_NOTIFY_WHEN_REBOOT:
        if (!rebootPending) break;
        if (!mayOpenDialog || ui_.MainWindowHidden())
            ui_.ShowNotification(kNotifyInstalledNeedsReboot);
        else
            ui_.OpenRebootDialog();
        break;
    case INSTALLED_ACTION_REBOOT_WHEN_NEED:
        if (rebootPending && power_) power_(EWX_REBOOT);
        break;
    case INSTALLED_ACTION_REBOOT_FORCE:
        if (power_) power_(EWX_REBOOT);
        break;
    case INSTALLED_ACTION_SHUTDOWN:
        if (power_) power_(EWX_POWEROFF);
        break;
    default:
        break;
    }
}

void SessionPolicy::DeleteInstalledPackage(const UpdateRecord& record) {
    if (record.fileName.empty()) return;
    ::DeleteFileA((settings_.SaveFolder() + "\\" + record.fileName).c_str());
}

}  // namespace zema
