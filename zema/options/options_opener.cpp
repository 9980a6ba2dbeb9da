#include "zema/options/options_opener.h"

#include "zema/options/download_page.h"
#include "zema/options/general_page.h"
#include "zema/options/network_page.h"
#include "zema/options/options_window.h"

namespace zema {

OptionsOpener::OptionsOpener(const SkinResources& skin, SettingsStore& settings)
    : skin_(skin), settings_(settings) {}

HWND OptionsOpener::Window() const { return open_ ? open_->hwnd() : nullptr; }

bool OptionsOpener::Open(HWND owner) {
    if (open_) {
        // The Advanced dialog, when it is open, is what the user works in.
        if (HWND window = open_->hwnd()) ::SetForegroundWindow(::GetLastActivePopup(window));
        return false;
    }
    std::vector<std::unique_ptr<OptionsPage>> pages;
    pages.push_back(std::make_unique<GeneralPage>(skin_, settings_));
    pages.push_back(std::make_unique<DownloadPage>(skin_, settings_));
    pages.push_back(std::make_unique<NetworkPage>(skin_, settings_));
    OptionsWindow window(skin_, std::move(pages));
    HWND focus = ::GetFocus();
    open_ = &window;
    window.Run(owner);
    open_ = nullptr;
    if (focus && ::IsWindow(focus)) ::SetFocus(focus);
    return window.Applied();
}

}  // namespace zema
