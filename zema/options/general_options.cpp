#include "zema/options/general_options.h"

namespace zema {

bool StoredFlagChecked(int value) { return value == 1 || value == 2; }

GeneralOptions GeneralOptions::Load(const SettingsStore& settings) {
    GeneralOptions o;
    o.startup = settings.IsStartupEnabled();
    o.trayIcon = StoredFlagChecked(settings.TrayIcon());
    o.autoCheckNewVersion = StoredFlagChecked(settings.AutoCheckNewVersion());
    o.deleteInstalledUpdateFile = StoredFlagChecked(settings.DeleteInstalledUpdateFile());
    o.mainWindowToTray = settings.MainWindowToTray();
    o.vulnFoundAction = settings.VulnFoundAction();
    o.updateInstalledAction = settings.UpdateInstalledAction();
    o.newVersionCheckedAction = settings.NewVersionCheckedAction();
    return o;
}

void GeneralOptions::Save(SettingsStore& settings) const {
    if (startup)
        settings.EnableStartup();
    else
        settings.DisableStartup();
    // Started at logon with "-tray", the program would be unreachable
    // without its tray icon.
    settings.SetTrayIcon(startup || trayIcon ? 1 : 0);
    settings.SetDeleteInstalledUpdateFile(deleteInstalledUpdateFile ? 1 : 0);
    settings.SetMainWindowToTray(mainWindowToTray);
    settings.SetVulnFoundAction(vulnFoundAction);
    settings.SetUpdateInstalledAction(updateInstalledAction);
    settings.SetAutoCheckNewVersion(autoCheckNewVersion ? 1 : 0);
    settings.SetNewVersionCheckedAction(newVersionCheckedAction);
}

}  // namespace zema
