#pragma once
// What Zema does on its own after a scan, after a download and after an
// installation, following the user's two policies (VulnFoundAction and
// UpdateInstalledAction). No window code: the manager window supplies the
// visible reactions through SessionUi.

#include <windows.h>

#include "zema/core/app_services.h"
#include "zema/core/power.h"

namespace zema {

class SettingsStore;

// The reactions the manager window provides to the policy.
class SessionUi {
public:
    virtual ~SessionUi() = default;
    // The main window does not exist or is not visible.
    virtual bool MainWindowHidden() const = 0;
    virtual void ShowNotification(NotificationKind kind) = 0;
    virtual void OpenRebootDialog() = 0;
    virtual bool TrayIconShown() const = 0;
    virtual void StartTrayAnimation() = 0;
    virtual void StopTrayAnimation() = 0;
};

class SessionPolicy {
public:
    // `self` is the manager window: scans it asked for may act unattended.
    SessionPolicy(UpdateSession& session, SettingsStore& settings, SessionUi& ui,
                  PowerAction power, HWND self);

    void AfterScanStarted(HWND requester);
    void AfterScan(HWND requester, int result);
    void AfterChange(UpdateRecord& record);

    // Downloads (then installs) every record that needs it and installs every
    // present package; only unattended (see MayActUnattended).
    void RepairAll();
    // Downloads every record that needs it; notifies at once when nothing is
    // left to download.
    void DownloadAllThenNotify();

private:
    // Automatic actions run only when the user is not looking at the main
    // window, or when the manager window itself started the scan.
    bool MayActUnattended() const;
    bool Quiet() const;
    bool AnyRecord(bool (*test)(UpdateStatus)) const;
    void ApplyInstalledAction(bool mayOpenDialog);
    void DeleteInstalledPackage(const UpdateRecord& record);

    UpdateSession& session_;
    SettingsStore& settings_;
    SessionUi& ui_;
    PowerAction power_;
    HWND self_;
    HWND lastRequester_ = nullptr;
};

}  // namespace zema
