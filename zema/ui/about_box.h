#pragma once
// The modal About box: the product's title, its version, the date it was
// installed and the date it last updated itself.

#include "zema/ui/skin_button.h"
#include "zema/ui/skinned_dialog.h"

namespace zema {

class SettingsStore;

constexpr int kIdAboutIcon = 1000;
constexpr int kIdAboutTitle = 1001;
constexpr int kIdAboutVersion = 1002;
constexpr int kIdAboutInstallDate = 1003;
constexpr int kIdAboutUpdated = 1004;
constexpr int kIdAboutWarning = 1005;
constexpr int kIdAboutVersionLabel = 1006;
constexpr int kIdAboutInstallDateLabel = 1007;
constexpr int kIdAboutUpdatedLabel = 1008;

class AboutBox : public SkinnedDialog {
public:
    AboutBox(const SkinResources& skin, const SettingsStore& settings);
    static DialogTemplate Layout(const SkinResources& skin);

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    const SettingsStore& settings_;
    SkinButton ok_;
    win::Icon icon_;
    win::GdiObject titleFont_;
};

}  // namespace zema
