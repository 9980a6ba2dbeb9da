#pragma once
// Opens the Options window from the menus: one window at a time, its pages
// made for the run and gone after it.

#include <windows.h>

namespace zema {

class OptionsWindow;
class SettingsStore;
class SkinResources;

class OptionsOpener {
public:
    OptionsOpener(const SkinResources& skin, SettingsStore& settings);

    // Modal. True when settings were applied (by Apply or OK), so the
    // caller applies the downloader settings again. While a window is open,
    // it is brought forward and false is returned.
    bool Open(HWND owner);
    // The open window, or null.
    HWND Window() const;

private:
    const SkinResources& skin_;
    SettingsStore& settings_;
    OptionsWindow* open_ = nullptr;
};

}  // namespace zema
