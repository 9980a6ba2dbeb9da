#pragma once
// The modal dialog that offers the restart the installed updates wait for.
// OK stays disabled until the user ticks the box.

#include "zema/core/app_services.h"
#include "zema/core/power.h"
#include "zema/ui/models/notification_content.h"
#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skin_icon_check.h"
#include "zema/ui/toolkit/skinned_dialog.h"

namespace zema {

constexpr int kIdRebootIcon = 1113;
constexpr int kIdRebootMessage = 1114;
constexpr int kIdRebootCheck = 1016;

class RebootDialog : public SkinnedDialog {
public:
    RebootDialog(const SkinResources& skin, const UpdateSession& session, PowerAction power);

    static DialogTemplate Layout(const SkinResources& skin);
    const RebootDialogContent& Content() const { return content_; }

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    // The icon at the dialog's scale.
    void OnDpiChanged(win::Dpi dpi) override;

private:
    const UpdateSession& session_;
    PowerAction power_;
    RebootDialogContent content_;
    SkinIconCheck check_;
    SkinButton ok_;
    SkinButton cancel_;
    win::Icon icon_;
};

}  // namespace zema
