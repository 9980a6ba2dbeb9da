#pragma once
// The General page: start-up, tray, the after-scan and after-installation
// actions, the new-version check and the clean-up of installed packages.

#include "zema/options/general_options.h"
#include "zema/options/options_page.h"

namespace zema {

class GeneralPage : public OptionsPage {
public:
    GeneralPage(const SkinResources& skin, SettingsStore& settings);
    bool Apply() override;

protected:
    DialogTemplate Layout() const override;
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void UpdateTrayCheck();
    void UpdateNewVersionList();

    GeneralOptions options_;
};

}  // namespace zema
