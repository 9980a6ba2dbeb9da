#include "zema/ui/windows/reboot_dialog.h"

namespace zema {
namespace {

constexpr ControlText kTexts[] = {
    {kIdRebootCheck, "rns_idc_check_reboot_dialog_reboot"},
    {IDOK, "rns_idok"},
    {IDCANCEL, "rns_idcancel"},
    {-1, nullptr},
};

FrameStyle RebootFrame() {
    FrameStyle style;
    style.caption = 28;
    style.left = style.right = style.bottom = 1;
    style.corner = 0;
    style.buttons = kCloseButton;
    return style;
}

}  // namespace

RebootDialog::RebootDialog(const SkinResources& skin, const UpdateSession& session,
                           PowerAction power)
    : SkinnedDialog(skin, RebootFrame()), session_(session), power_(std::move(power)) {}

DialogTemplate RebootDialog::Layout(const SkinResources& skin) {
    DialogTemplate layout(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                          250, 96, skin.GetString("rns_rboot_dialog_title"), "Tahoma", 8);
    layout.Add(kIdRebootIcon, "STATIC", "", SS_ICON | SS_REALSIZEIMAGE, 10, 12, 20, 20)
        .Label(kIdRebootMessage, "", 40, 12, 200, 40)
        .CheckBox(kIdRebootCheck, "", 40, 56, 200, 12)
        .PushButton(IDOK, "", 136, 76, 50, 14, WS_TABSTOP | WS_DISABLED)
        .PushButton(IDCANCEL, "", 190, 76, 50, 14);
    return layout;
}

bool RebootDialog::OnInit() {
    content_ = ComposeRebootDialog(CurrentFacts(session_), skin());
    skin().ApplyControlTexts(hwnd(), kTexts);
    ::SetWindowTextA(hwnd(), content_.title.c_str());
    ::SetDlgItemTextA(hwnd(), kIdRebootMessage, content_.message.c_str());
    OnDpiChanged(dpi());
    check_.Attach(Item(kIdRebootCheck), skin());
    ok_.Attach(Item(IDOK), skin());
    cancel_.Attach(Item(IDCANCEL), skin());
    if (!content_.rebootOffered) {
        // Nothing waits for a restart: the dialog only reports.
        check_.Enable(false);
        ::ShowWindow(Item(IDOK), SW_HIDE);
        ::SetDlgItemTextA(hwnd(), IDCANCEL, skin().GetString("rns_idclose").c_str());
    }
    ::SetFocus(Item(content_.rebootOffered ? kIdRebootCheck : IDCANCEL));
    return false;
}

void RebootDialog::OnDpiChanged(win::Dpi dpi) {
    icon_.Reset(skin().GetIconOr(content_.icon, kAlertIcon, dpi.Value()));
    if (icon_)
        ::SendMessageA(Item(kIdRebootIcon), STM_SETICON, reinterpret_cast<WPARAM>(icon_.Get()), 0);
}

bool RebootDialog::OnCommand(WORD id, WORD, HWND) {
    switch (id) {
    case kIdRebootCheck:
        ok_.Enable(check_.IsChecked());
        return true;
    case IDOK:
        // The button may be disabled by the time a queued IDOK arrives.
        if (!check_.IsChecked()) return true;
        if (power_) power_(EWX_REBOOT);
        Close(IDOK);
        return true;
    case IDCANCEL:
        Close(IDCANCEL);
        return true;
    }
    return false;
}

}  // namespace zema
