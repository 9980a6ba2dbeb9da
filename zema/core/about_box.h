#pragma once

#include <windows.h>

namespace zema {

class SettingsStore;

// The modal About box: the product title, the installed version, the
// installation date and the date of the last product update.
void ShowAboutBox(HWND owner, const SettingsStore& settings);

}  // namespace zema
