// Process entry of Zema.

#include <windows.h>
#include <commctrl.h>

#include "win/com.h"
#include "zema/core/application.h"
#include "zema/core/engine_session.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    win::ComInit com(COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    zema::ApplicationModules modules;
    modules.makeSession = [](zema::SettingsStore& settings) -> std::unique_ptr<zema::UpdateSession> {
        return std::make_unique<zema::EngineSession>(settings);
    };
    zema::Application application(std::move(modules));
    return application.Run(commandLine ? commandLine : "");
}
