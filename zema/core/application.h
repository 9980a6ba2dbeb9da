#pragma once
// The run of one Zema process: initialisation with its single-instance and
// updater checks, the message loop around the hidden ManagerWindow, and the
// orderly termination.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "win/unique_handle.h"
#include "zema/core/app_services.h"
#include "zema/core/command_line.h"

namespace zema {

class SettingsStore;
class ManagerWindow;
class BrightwickLauncher;

// Factories for the modules around the core. An empty factory leaves its
// module out of the run.
struct ApplicationModules {
    std::function<std::unique_ptr<SkinLoader>()> makeSkin;
    std::function<std::unique_ptr<UpdateSession>(SettingsStore&)> makeSession;
    std::function<std::unique_ptr<TrayIcon>(SettingsStore&, UpdateSession*)> makeTray;
    std::function<std::unique_ptr<WindowHost>(SettingsStore&, UpdateSession*)> makeWindows;
    // Offered every message before it is dispatched (the keyboard
    // navigation of modeless dialogs); true when it took the message.
    std::function<bool(MSG&)> preTranslate;
};

class Application {
public:
    explicit Application(ApplicationModules modules = ApplicationModules());
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The process's application, or null outside Run.
    static Application* Current();

    // Initialises, runs the message loop and terminates. Returns the final
    // WM_QUIT code, or -1 when initialisation fails.
    int Run(const std::string& commandLine);

private:
    bool Initialize();
    bool CheckSingleInstance();
    void RebootBookkeeping();
    int RunLoop();
    void Terminate();

    ApplicationModules modules_;
    CommandLine commandLine_;
    std::unique_ptr<SettingsStore> settings_;
    win::KernelHandle instanceMutex_;
    std::unique_ptr<SkinLoader> skin_;
    std::unique_ptr<UpdateSession> session_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<WindowHost> windows_;
    std::unique_ptr<BrightwickLauncher> launcher_;
    std::unique_ptr<ManagerWindow> managerWindow_;
};

}  // namespace zema
