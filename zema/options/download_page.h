#pragma once
// The Download page: where packages are saved and where they come from (the
// official location or the user's own server), and the Advanced limits.

#include "zema/options/download_options.h"
#include "zema/options/options_page.h"

namespace zema {

class DownloadPage : public OptionsPage {
public:
    DownloadPage(const SkinResources& skin, SettingsStore& settings);
    bool Apply() override;

protected:
    DialogTemplate Layout() const override;
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void ShowOptions();
    void TakeControls();
    void UpdateEnabling();
    void Browse();
    void OpenAdvanced();
    void ResetToDefault();

    DownloadOptions options_;
};

}  // namespace zema
