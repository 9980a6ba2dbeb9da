#pragma once
// The hidden top-level window that receives every program-wide message of
// Zema: tray callbacks, timers, tray menu commands and requests from a second
// instance. Destroying it ends the program.

#include <windows.h>

#include <memory>

#include "win/message_window.h"
#include "win/unique_handle.h"
#include "zema/core/app_services.h"
#include "zema/core/power.h"
#include "zema/core/session_policy.h"

namespace zema {

class SettingsStore;
class BrightwickLauncher;

struct ManagerWindowParts {
    SettingsStore* settings = nullptr;        // required
    BrightwickLauncher* launcher = nullptr;   // required
    UpdateSession* session = nullptr;         // optional
    TrayIcon* tray = nullptr;                 // optional
    WindowHost* windows = nullptr;            // optional
    PowerAction power;                        // reboot and power-off
    bool traySwitch = false;
    bool updatedSwitch = false;
};

class ManagerWindow : public win::MessageWindow<ManagerWindow>,
                      public SessionListener,
                      private SessionUi {
public:
    explicit ManagerWindow(const ManagerWindowParts& parts);
    ~ManagerWindow() override;
    ManagerWindow(const ManagerWindow&) = delete;
    ManagerWindow& operator=(const ManagerWindow&) = delete;

    bool Create();

    // SessionListener
    void OnUpdateChanged(UpdateRecord* record) override;
    void OnScanStarted(HWND requester) override;
    void OnScanCompleted(HWND requester, int result) override;

private:
    // SessionUi
    bool MainWindowHidden() const override;
    void ShowNotification(NotificationKind kind) override;
    void OpenRebootDialog() override;
    bool TrayIconShown() const override;
    void StartTrayAnimation() override;
    void StopTrayAnimation() override;

    friend class win::MessageWindow<ManagerWindow>;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    void OnCreate();
    void OnDestroy();
    void OnShowMainWindow(LPARAM forceScan);
    void OnTrayCallback(LPARAM mouseMessage);
    void OnTimer(UINT_PTR id);
    void OnCommand(UINT id);
    void AddTrayIcon();
    void StartScanIfIdle();
    void OpenOptions();
    void ShowAbout();

    ManagerWindowParts parts_;
    std::unique_ptr<SessionPolicy> policy_;
    bool animating_ = false;
    win::Icon smallIcon_;
    UINT taskbarCreated_ = 0;
};

}  // namespace zema
