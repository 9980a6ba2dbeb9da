#pragma once
// What the application core asks of the modules around it. The program's
// entry hands in the concrete objects; a module that is absent (null) simply
// takes no part in the run.

#include <windows.h>

#include <string>

#include "zema/core/update_record.h"

namespace zema {

// Told of scan start and end and of every record change, on the main thread.
class SessionListener {
public:
    virtual ~SessionListener() = default;
    virtual void OnUpdateChanged(UpdateRecord* record) = 0;
    virtual void OnScanStarted(HWND requester) = 0;
    // `result` is 0 for a completed scan; anything else means it failed.
    virtual void OnScanCompleted(HWND requester, int result) = 0;
};

// Vulnerabilities repaired by the installed updates, counted once each.
struct RepairedCount {
    int total = 0;
    int awaitingReboot = 0;
};

// What asking for a download or an installation came to.
enum class StartResult : int {
    NothingToDo = 1,  // the package is already in the save folder
    Started = 0,      // started or queued now, or already under way
    NoJob = -1,       // no job could be made (for an installation: no package)
    Refused = -2,     // the component refused it, or the record is excluded
};

// The engine session as the rest of Zema drives it.
class UpdateSession {
public:
    virtual ~UpdateSession() = default;
    virtual bool Connect() = 0;
    virtual void Shutdown() = 0;
    // Refused (false) while a scan, a download or an installation runs.
    virtual bool StartScan(HWND requester) = 0;
    virtual bool IsScanning() const = 0;
    virtual bool DownloadsActive() const = 0;
    virtual bool InstallationsActive() const = 0;
    // Not to be read while a scan runs.
    virtual const UpdateList& Updates() const = 0;
    // An excluded record is never downloaded or installed.
    virtual StartResult StartDownload(UpdateRecord& record, bool forceOfficial) = 0;
    virtual int CancelDownload(UpdateRecord& record) = 0;
    virtual StartResult StartInstallation(UpdateRecord& record) = 0;
    virtual int CancelInstallation(UpdateRecord& record) = 0;
    // Entries of the vulnerability list of the last scan.
    virtual size_t VulnerabilityCount() const = 0;
    virtual RepairedCount CountRepairedVulnerabilities() const = 0;
    virtual void ApplyDownloaderSettings() = 0;
    virtual void AddListener(SessionListener* listener, bool atFront) = 0;
    virtual void RemoveListener(SessionListener* listener) = 0;
};

// The skin file (res.xml) that every visible text and image comes from.
class SkinLoader {
public:
    virtual ~SkinLoader() = default;
    virtual bool Load(const std::string& resXmlPath) = 0;
    virtual void Release() = 0;
};

// The notification-area icon with its animation frames and menu.
class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    virtual bool Add(HWND owner) = 0;
    virtual void Remove() = 0;
    virtual bool IsAdded() const = 0;
    virtual void NextFrame() = 0;
    virtual void ShowNormalFrame() = 0;
    virtual void ShowMenu(HWND owner) = 0;
};

// Kinds of the tray notification.
enum NotificationKind {
    kNotifyScanned = 1,
    kNotifyDownloaded = 2,
    kNotifyInstalled = 3,
    kNotifyInstalledNeedsReboot = 4,
};

// The visible windows: the main window, notifications, the reboot dialog and
// the options dialog.
class WindowHost {
public:
    virtual ~WindowHost() = default;
    // Creates the main window when it does not exist, shows it and brings it
    // to the front.
    virtual void ShowMainWindow() = 0;
    virtual HWND MainWindow() const = 0;
    virtual void DestroyWindows() = 0;
    // Modal; true when the user confirmed changes.
    virtual bool OpenOptions(HWND owner) = 0;
    // The manager window calls it only while the main window is hidden.
    virtual void ShowNotification(NotificationKind kind) = 0;
    // A scan started: what a notification said is out of date.
    virtual void HideNotification() = 0;
    virtual void OpenRebootDialog() = 0;
    // Modal.
    virtual void ShowAbout(HWND owner) = 0;
};

}  // namespace zema
