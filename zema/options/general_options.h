#pragma once
// The choices of the General options page, read from and written to the
// settings store. No window code: the page moves these to and from controls.

#include "zema/core/settings_store.h"

namespace zema {

struct GeneralOptions {
    bool startup = false;   // the Windows start-up entry
    bool trayIcon = true;
    bool autoCheckNewVersion = true;
    bool deleteInstalledUpdateFile = false;
    int mainWindowToTray = 1;
    int vulnFoundAction = FOUND_ACTION_NOTIFY;
    int updateInstalledAction = INSTALLED_ACTION_NOTIFY;
    int newVersionCheckedAction = 0;

    static GeneralOptions Load(const SettingsStore& settings);
    // Enables or removes the start-up entry, then writes every key at once.
    // With the start-up entry on, the tray icon is always written as shown.
    void Save(SettingsStore& settings) const;
};

// A stored 0/1 flag as its check box shows it: 1 and 2 count as checked,
// anything else as unchecked.
bool StoredFlagChecked(int value);

}  // namespace zema
