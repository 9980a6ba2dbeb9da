#pragma once
// The visible windows that the manager window opens through the WindowHost
// seam. The main window is made the first time it is to be shown and lives
// until DestroyWindows.

#include <memory>

#include "zema/core/app_services.h"
#include "zema/options/options_opener.h"
#include "zema/core/power.h"

namespace zema {

class EngineSession;
class SettingsStore;
class SkinResources;
class MainWindow;
class EngineResultSource;
class NotificationWindow;
class DetailsDialog;
class EngineCatalogFacts;

class ZemaWindowHost : public WindowHost {
public:
    // `power` reboots from the notification and the reboot dialog.
    ZemaWindowHost(SettingsStore& settings, EngineSession& session, const SkinResources& skin,
                   PowerAction power);
    ~ZemaWindowHost() override;

    void ShowMainWindow() override;
    HWND MainWindow() const override;
    void DestroyWindows() override;
    bool OpenOptions(HWND owner) override;
    void ShowNotification(NotificationKind kind) override;
    void HideNotification() override;
    void OpenRebootDialog() override;
    void ShowAbout(HWND owner) override;

    // The main window once it was shown, else null.
    zema::MainWindow* Main() const { return main_.get(); }

private:
    void OpenDetailsWith(zema::MainWindow& main);

    SettingsStore& settings_;
    EngineSession& session_;
    const SkinResources& skin_;
    std::unique_ptr<EngineResultSource> source_;
    PowerAction power_;
    std::unique_ptr<zema::MainWindow> main_;
    OptionsOpener options_;
    std::unique_ptr<NotificationWindow> notification_;
    std::unique_ptr<EngineCatalogFacts> catalog_;
    std::unique_ptr<DetailsDialog> details_;
};

}  // namespace zema
