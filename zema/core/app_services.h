#pragma once
// What the application core asks of the modules around it. The program's
// entry hands in the concrete objects; a module that is absent (null) simply
// takes no part in the run.

#include <windows.h>

#include <string>

namespace zema {

struct UpdateRecord;

// Told of scan start and end and of every record change, on the main thread.
class SessionListener {
public:
    virtual ~SessionListener() = default;
    virtual void OnUpdateChanged(UpdateRecord* record) = 0;
    virtual void OnScanStarted(HWND requester) = 0;
    virtual void OnScanCompleted(HWND requester, int result) = 0;
};

// The engine session as the application core drives it.
class UpdateSession {
public:
    virtual ~UpdateSession() = default;
    virtual bool Connect() = 0;
    virtual void Shutdown() = 0;
    virtual bool StartScan(HWND requester) = 0;
    virtual bool IsScanning() const = 0;
    virtual bool DownloadsActive() const = 0;
    virtual bool InstallationsActive() const = 0;
    virtual bool HasUpdates() const = 0;
    virtual void ApplyDownloaderSettings() = 0;
    virtual void RepairAll() = 0;
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

// The notification-area icon with its animation and menu.
class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    virtual bool Add(HWND owner) = 0;
    virtual void Remove() = 0;
    virtual void NextFrame() = 0;
    virtual void ShowMenu(HWND owner) = 0;
};

// The visible windows: the main window, notifications and the options dialog.
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
};

}  // namespace zema
