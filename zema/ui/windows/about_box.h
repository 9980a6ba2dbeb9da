#pragma once
// The modal About box: the product's title, its version, the date it was
// installed and the date it last updated itself.

#include <string>

#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skinned_dialog.h"

namespace zema {

class SettingsStore;

struct AboutFacts {
    std::string version;
    std::string installDate;
    std::string updated;  // empty when the product never updated itself

    static AboutFacts FromSettings(const SettingsStore& settings);
};

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
    AboutBox(const SkinResources& skin, AboutFacts facts);
    static DialogTemplate Layout(const SkinResources& skin);

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDpiChanged(win::Dpi dpi) override;

private:
    // The icon and the title font at the box's scale.
    void LoadScaledLook();

    AboutFacts facts_;
    SkinButton ok_;
    win::Icon icon_;
    win::Font titleFont_;
};

}  // namespace zema
