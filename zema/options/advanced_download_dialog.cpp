#include "zema/options/advanced_download_dialog.h"

#include <commctrl.h>

#include "win/window_position.h"
#include "zema/options/download_options.h"
#include "zema/options/options_ids.h"
#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

const ControlText kTextMap[] = {
    {IDC_STATIC_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT, "rns_idc_static_option_download_advanced_jobcount"},
    {IDC_STATIC_OPTION_DOWNLOAD_ADVANCED_PORTIONCOUNT,
     "rns_idc_static_option_download_advanced_portioncount"},
    {IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH, "rns_idc_check_option_download_advanced_bandwidth"},
    {IDC_STATIC_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES,
     "rns_idc_static_option_download_advanced_retrytimes"},
    {IDC_STATIC_OPTION_DOWNLOAD_ADVANCED_RETRYINTERVAL,
     "rns_idc_static_option_download_advanced_retryinterval"},
    {IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_RESUME, "rns_idc_edit_option_download_advanced_resume"},
    {IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED_DEFAULT, "rns_idc_button_option_download_advanced_default"},
    {IDOK, "rns_idok"},
    {IDCANCEL, "rns_idcancel"},
    {-1, nullptr},
};

// The five numbers in the order they are read, with their spin boxes.
struct NumberField {
    int edit;
    int spin;
    int DownloadLimits::*value;
    DownloadLimitRules::Range range;
};
const NumberField kFields[] = {
    {IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT, IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT,
     &DownloadLimits::maxDownloadJobCount, DownloadLimitRules::kJobCount},
    {IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_PORTIONCOUNT, IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_PORTIONCOUNT,
     &DownloadLimits::maxPortionCountPerJob, DownloadLimitRules::kPortionCount},
    {IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH, IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH,
     &DownloadLimits::maxBandwidthPerJob, DownloadLimitRules::kBandwidth},
    {IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES, IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES,
     &DownloadLimits::maxRetryTimes, DownloadLimitRules::kRetryTimes},
    {IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYINTERVAL, IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_RETRYINTERVAL,
     &DownloadLimits::minRetryInterval, DownloadLimitRules::kRetryInterval},
};

}  // namespace

AdvancedDownloadDialog::AdvancedDownloadDialog(const SkinResources& skin, const DownloadLimits& limits)
    : SkinnedDialog(skin, FrameStyle::FromSkin(skin, "optionswindow", kCloseButton)),
      limits_(limits) {}

DialogTemplate AdvancedDownloadDialog::Layout() {
    constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    constexpr DWORD kSpin = UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS |
                            UDS_NOTHOUSANDS;
    DialogTemplate dialog(WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_CLIPCHILDREN, 0, 0, 314, 144,
                          "", "Tahoma", 8);
    dialog.Label(IDC_STATIC_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT, "", 22, 11, 203, 8)
        .Add(IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT, "EDIT", "", kEdit, 233, 9, 47, 14)
        .Add(IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT, UPDOWN_CLASSA, "", kSpin, 280, 9, 10, 14)
        .Label(IDC_STATIC_OPTION_DOWNLOAD_ADVANCED_PORTIONCOUNT, "", 22, 28, 203, 8)
        .Add(IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_PORTIONCOUNT, "EDIT", "", kEdit, 233, 26, 47, 14)
        .Add(IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_PORTIONCOUNT, UPDOWN_CLASSA, "", kSpin, 280, 26, 10, 14)
        .CheckBox(IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH, "", 22, 45, 203, 10)
        .Add(IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH, "EDIT", "", kEdit, 233, 43, 47, 14)
        .Add(IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH, UPDOWN_CLASSA, "", kSpin, 280, 43, 10, 14)
        .Label(IDC_STATIC_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES, "", 22, 64, 203, 8)
        .Add(IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES, "EDIT", "", kEdit, 233, 60, 47, 14)
        .Add(IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES, UPDOWN_CLASSA, "", kSpin, 280, 60, 10, 14)
        .Label(IDC_STATIC_OPTION_DOWNLOAD_ADVANCED_RETRYINTERVAL, "", 22, 81, 203, 8)
        .Add(IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYINTERVAL, "EDIT", "", kEdit, 233, 78, 47, 14)
        .Add(IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_RETRYINTERVAL, UPDOWN_CLASSA, "", kSpin, 280, 78, 10, 14)
        .CheckBox(IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_RESUME, "", 22, 98, 203, 10)
        .Label(IDC_STATIC, "", 8, 116, 299, 1, SS_ETCHEDHORZ)
        .PushButton(IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED_DEFAULT, "", 22, 123, 63, 14)
        .PushButton(IDOK, "", 171, 123, 63, 14, BS_DEFPUSHBUTTON | WS_TABSTOP)
        .PushButton(IDCANCEL, "", 237, 123, 63, 14);
    return dialog;
}

INT_PTR AdvancedDownloadDialog::Run(HWND owner) {
    // The spin boxes are common controls.
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&classes);
    return RunModal(owner, Layout());
}

HWND AdvancedDownloadDialog::Show(HWND owner) {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&classes);
    HWND window = Create(owner, Layout());
    if (window) ::ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

bool AdvancedDownloadDialog::OnCommand(WORD id, WORD, HWND) {
    switch (id) {
    case IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH:
        UpdateBandwidthField();
        return true;
    case IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED_DEFAULT:
        limits_ = DownloadLimitRules::Defaults();
        ShowLimits();
        return true;
    case IDOK:
        OnOk();
        return true;
    case IDCANCEL:
        Close(IDCANCEL);
        return true;
    }
    return false;
}

bool AdvancedDownloadDialog::OnInit() {
    ::SetWindowTextA(hwnd(), skin().GetString("rns_option_download_advaced_title").c_str());
    win::CenterWindow(hwnd());
    ShowLimits();
    for (int id : {IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED_DEFAULT, IDOK, IDCANCEL}) {
        auto button = std::make_unique<SkinButton>();
        if (button->Attach(Item(id), skin())) controls_.push_back(std::move(button));
    }
    skin().ApplyControlTexts(hwnd(), kTextMap);
    for (const NumberField& field : kFields) {
        HWND spin = Item(field.spin);
        if (field.range.high > UD_MAXVAL)
            ::SendMessageA(spin, UDM_SETRANGE32, static_cast<WPARAM>(field.range.low), field.range.high);
        else
            ::SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(field.range.high, field.range.low));
    }
    return true;
}

void AdvancedDownloadDialog::ShowLimits() {
    for (const NumberField& field : kFields)
        ::SetDlgItemInt(hwnd(), field.edit, static_cast<UINT>(limits_.*field.value), TRUE);
    ::CheckDlgButton(hwnd(), IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH,
                     limits_.limitBandwidth ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(hwnd(), IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_RESUME,
                     limits_.resumeDownload ? BST_CHECKED : BST_UNCHECKED);
    UpdateBandwidthField();
}

void AdvancedDownloadDialog::UpdateBandwidthField() {
    BOOL limit = ::IsDlgButtonChecked(hwnd(), IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH) == BST_CHECKED;
    ::EnableWindow(Item(IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH), limit);
    ::EnableWindow(Item(IDC_SPIN_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH), limit);
}

void AdvancedDownloadDialog::OnOk() {
    DownloadLimits edited = limits_;
    edited.limitBandwidth =
        ::IsDlgButtonChecked(hwnd(), IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH) == BST_CHECKED;
    edited.resumeDownload =
        ::IsDlgButtonChecked(hwnd(), IDC_CHECK_OPTION_DOWNLOAD_ADVANCED_RESUME) == BST_CHECKED;
    for (const NumberField& field : kFields) {
        BOOL number = FALSE;
        int value = static_cast<int>(::GetDlgItemInt(hwnd(), field.edit, &number, TRUE));
        if (!number) {
            // Stay open on the field to mend rather than store its lowest value.
            ::MessageBeep(MB_ICONWARNING);
            ::SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(field.edit)), TRUE);
            return;
        }
        edited.*field.value = value;
    }
    DownloadLimitRules::ClampAll(edited);
    limits_ = edited;
    Close(IDOK);
}

}  // namespace zema
