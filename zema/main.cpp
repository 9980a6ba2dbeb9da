// Process entry of Zema.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "win/com.h"
#include "zema/core/application.h"
#include "zema/core/engine_session.h"
#include "zema/core/power.h"
#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/skin_resources.h"
#include "zema/ui/windows/tray_icon.h"
#include "zema/ui/windows/window_host.h"

namespace {

// The application loads and releases the skin; the windows read it.
class SkinFile : public zema::SkinLoader {
public:
    bool Load(const std::string& resXmlPath) override { return skin_.Load(resXmlPath); }
    void Release() override { skin_.Release(); }

private:
    zema::SkinResources skin_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    win::ComInit com(COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES |
                                                           ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    zema::ApplicationModules modules;
    modules.makeSkin = []() -> std::unique_ptr<zema::SkinLoader> {
        return std::make_unique<SkinFile>();
    };
    zema::EngineSession* engineSession = nullptr;
    modules.makeSession = [&engineSession](
                              zema::SettingsStore& settings) -> std::unique_ptr<zema::UpdateSession> {
        auto session = std::make_unique<zema::EngineSession>(settings);
        engineSession = session.get();
        return session;
    };
    modules.makeWindows = [&engineSession](zema::SettingsStore& settings, zema::UpdateSession*)
        -> std::unique_ptr<zema::WindowHost> {
        zema::SkinResources* skin = zema::SkinResources::Current();
        if (!engineSession || !skin) return nullptr;
        return std::make_unique<zema::ZemaWindowHost>(
            settings, *engineSession, *skin,
            [](UINT exitFlags) { zema::ExitWindowsWithPrivilege(exitFlags); });
    };
    modules.makeTray = [](zema::SettingsStore&, zema::UpdateSession*)
        -> std::unique_ptr<zema::TrayIcon> {
        zema::SkinResources* skin = zema::SkinResources::Current();
        if (!skin) return nullptr;
        return std::make_unique<zema::NotifyAreaIcon>(*skin);
    };
    modules.preTranslate = &zema::Dialog::TranslateModelessMessage;
    zema::Application application(std::move(modules));
    return application.Run(commandLine ? commandLine : "");
}
