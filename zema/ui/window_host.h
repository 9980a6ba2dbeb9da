#pragma once
// The visible windows that the manager window opens through the WindowHost
// seam. The main window is made the first time it is to be shown and lives
// until DestroyWindows.

#include <memory>

#include "zema/core/app_services.h"

namespace zema {

class EngineSession;
class SettingsStore;
class SkinResources;
class MainWindow;
class EngineResultSource;

class ZemaWindowHost : public WindowHost {
public:
    ZemaWindowHost(SettingsStore& settings, EngineSession& session, const SkinResources& skin);
    ~ZemaWindowHost() override;

    void ShowMainWindow() override;
    HWND MainWindow() const override;
    void DestroyWindows() override;
    bool OpenOptions(HWND owner) override;
    void ShowNotification(NotificationKind kind) override;
    void OpenRebootDialog() override;

private:
    SettingsStore& settings_;
    EngineSession& session_;
    const SkinResources& skin_;
    std::unique_ptr<EngineResultSource> source_;
    std::unique_ptr<zema::MainWindow> main_;
};

}  // namespace zema
