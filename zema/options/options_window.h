#pragma once
// The Options window: the page list on the left, the shown page on the
// right, Apply, OK and Cancel below. Modal; pages live as long as it runs.

#include <windows.h>

#include <memory>
#include <vector>

#include "win/unique_handle.h"
#include "zema/options/options_page.h"
#include "zema/ui/toolkit/skin_control.h"
#include "zema/ui/toolkit/skinned_dialog.h"

namespace zema {

class OptionsWindow : public SkinnedDialog {
public:
    OptionsWindow(const SkinResources& skin, std::vector<std::unique_ptr<OptionsPage>> pages);
    ~OptionsWindow() override;

    // IDOK or IDCANCEL.
    INT_PTR Run(HWND owner);
    // Modeless, for the gallery.
    HWND Show(HWND owner);
    // Set once the pages were applied, by Apply or OK.
    bool Applied() const { return applied_; }
    // Shows the page at this place of the list, as a click on it does.
    void SelectPage(int index);

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnDestroy() override;
    // The page list's rows and the caption icon at the window's scale.
    void OnDpiChanged(win::Dpi dpi) override;

private:
    static DialogTemplate Layout();
    void OnPageSelected();
    void ShowPage(int index);
    bool ApplyPages(bool stopOnFailure);

    std::vector<std::unique_ptr<OptionsPage>> pages_;
    std::vector<std::unique_ptr<SkinControl>> controls_;
    win::Icon icon_;
    int shown_ = -1;
    bool applied_ = false;
};

}  // namespace zema
