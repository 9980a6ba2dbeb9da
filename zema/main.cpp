// Process entry of Zema.

#include <windows.h>
#include <commctrl.h>

#include "win/com.h"
#include "zema/core/application.h"
#include "zema/core/engine_session.h"
#include "zema/ui/skin_resources.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    win::ComInit com(COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES |
                                                           ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    zema::ApplicationModules modules;
    modules.makeSkin = []() -> std::unique_ptr<zema::SkinLoader> {
        return std::make_unique<zema::SkinResources>();
    };
    modules.makeSession = [](zema::SettingsStore& settings) -> std::unique_ptr<zema::UpdateSession> {
        return std::make_unique<zema::EngineSession>(settings);
    };
    zema::Application application(std::move(modules));
    return application.Run(commandLine ? commandLine : "");
}
