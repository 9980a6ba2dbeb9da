#include "zema/options/download_page.h"

#include <shlobj.h>

#include <iterator>

#include "zema/options/advanced_download_dialog.h"
#include "zema/options/options_ids.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

// List positions are the stored DownloadDIRStruct values.
constexpr ListItem kLayoutItems[] = {
    {"rns_option_download_samefolder", 0},
    {"rns_option_download_sameasofficial", 1},
};

const ControlText kTextMap[] = {
    {IDC_STATIC_OPTION_DOWNLOAD_UPDATESAVE_PATH, "rns_idc_static_option_download_updatesave_path"},
    {IDC_BUTTON_OPTION_DOWNLOAD_BROWSE, "rns_idc_button_option_download_browse"},
    {IDC_STATIC_OPTION_DOWNLOAD_UPDATESLOCATION, "rns_idc_static_option_download_updateslocation"},
    {IDC_RADIO_OPTION_DOWNLOAD_OFFICIAL, "rns_idc_radio_option_download_official"},
    {IDC_RADIO_OPTION_DOWNLOAD_CUSTOMIZE, "rns_idc_radio_option_download_customize"},
    {IDC_CHECK_OPTION_DOWNLOAD_AUTH_NEED, "rns_idc_check_option_download_auth_need"},
    {IDC_STATIC_OPTION_DOWNLOAD_USERNAME, "rns_idc_static_option_download_username"},
    {IDC_STATIC_OPTION_DOWNLOAD_PASSWORD, "rns_idc_static_option_download_password"},
    {IDC_CHECK_OPTION_DOWNLOAD_FAILEDOFFICIAL, "rns_idc_check_option_download_failedofficial"},
    {IDC_BUTTON_OPTION_DOWNLOAD_DEFAULT, "rns_idc_button_option_download_default"},
    {IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED, "rns_idc_button_option_download_advanced"},
    {IDC_STATIC_OPTION_DOWNLOAD_DIRSTRUCT, "rns_idc_static_option_download_dirstruct"},
    {-1, nullptr},
};

// What the settings store keeps of each text (its buffers less the zero).
constexpr int kPathChars = 2046;
constexpr int kShortTextChars = 31;
constexpr int kPasswordChars = 63;

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    // Open the picker on the folder the field names, when it exists.
    if (message == BFFM_INITIALIZED && data)
        ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

DownloadPage::DownloadPage(const SkinResources& skin, SettingsStore& settings)
    : OptionsPage(skin, settings, "rns_option_download") {}

DialogTemplate DownloadPage::Layout() const {
    constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    constexpr DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    DialogTemplate page = PageTemplate(274, 193);
    page.Label(IDC_STATIC_OPTION_DOWNLOAD_UPDATESAVE_PATH, "", 12, 5, 255, 11)
        .Add(IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH, "EDIT", "", kEdit, 12, 17, 188, 14)
        .PushButton(IDC_BUTTON_OPTION_DOWNLOAD_BROWSE, "", 204, 17, 63, 14)
        .Add(IDC_STATIC_OPTION_DOWNLOAD_UPDATESLOCATION, "BUTTON", "", BS_GROUPBOX, 12, 37, 255, 132)
        .Add(IDC_RADIO_OPTION_DOWNLOAD_OFFICIAL, "BUTTON", "", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
             21, 49, 210, 11)
        .Add(IDC_RADIO_OPTION_DOWNLOAD_CUSTOMIZE, "BUTTON", "", BS_AUTORADIOBUTTON, 21, 61, 224, 11)
        .Add(IDC_EDIT_OPTION_DOWNLOAD_SERVER, "EDIT", "", kEdit | WS_GROUP, 33, 73, 219, 14)
        .CheckBox(IDC_CHECK_OPTION_DOWNLOAD_AUTH_NEED, "", 33, 92, 220, 10)
        .Label(IDC_STATIC_OPTION_DOWNLOAD_USERNAME, "", 47, 106, 41, 8)
        .Add(IDC_EDIT_OPTION_DOWNLOAD_USERNAME, "EDIT", "", kEdit, 90, 103, 99, 14)
        .Label(IDC_STATIC_OPTION_DOWNLOAD_PASSWORD, "", 47, 124, 41, 8)
        .Add(IDC_EDIT_OPTION_DOWNLOAD_PASSWORD, "EDIT", "", kEdit | ES_PASSWORD, 90, 121, 99, 14)
        .CheckBox(IDC_CHECK_OPTION_DOWNLOAD_FAILEDOFFICIAL, "", 33, 137, 232, 10)
        .Label(IDC_STATIC_OPTION_DOWNLOAD_DIRSTRUCT, "", 33, 152, 86, 8)
        .Add(IDC_COMBO_OPTION_DOWNLOAD_DIRSTRUCT, "COMBOBOX", "", kList, 122, 150, 132, 137)
        .PushButton(IDC_BUTTON_OPTION_DOWNLOAD_DEFAULT, "", 12, 173, 63, 14)
        .PushButton(IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED, "", 204, 173, 63, 14);
    return page;
}

bool DownloadPage::OnInit() {
    options_ = DownloadOptions::Load(settings());
    SkinControls({IDC_BUTTON_OPTION_DOWNLOAD_BROWSE, IDC_BUTTON_OPTION_DOWNLOAD_DEFAULT,
                  IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED},
                 {IDC_COMBO_OPTION_DOWNLOAD_DIRSTRUCT});
    LimitText(IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH, kPathChars);
    LimitText(IDC_EDIT_OPTION_DOWNLOAD_SERVER, kPathChars);
    LimitText(IDC_EDIT_OPTION_DOWNLOAD_USERNAME, kShortTextChars);
    LimitText(IDC_EDIT_OPTION_DOWNLOAD_PASSWORD, kPasswordChars);
    FillList(IDC_COMBO_OPTION_DOWNLOAD_DIRSTRUCT, kLayoutItems, std::size(kLayoutItems));
    ShowOptions();
    skin().ApplyControlTexts(hwnd(), kTextMap);
    return false;
}

void DownloadPage::ShowOptions() {
    const DownloadGroup& g = options_.group;
    SetText(IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH, g.updatesSavePath);
    ::CheckRadioButton(hwnd(), IDC_RADIO_OPTION_DOWNLOAD_OFFICIAL, IDC_RADIO_OPTION_DOWNLOAD_CUSTOMIZE,
                       g.updatesLocationType == 1 ? IDC_RADIO_OPTION_DOWNLOAD_CUSTOMIZE
                                                  : IDC_RADIO_OPTION_DOWNLOAD_OFFICIAL);
    SetText(IDC_EDIT_OPTION_DOWNLOAD_SERVER, g.updatesServer);
    SetChecked(IDC_CHECK_OPTION_DOWNLOAD_AUTH_NEED, g.updatesServerAuth == 1);
    SetText(IDC_EDIT_OPTION_DOWNLOAD_USERNAME, g.updatesServerUserName);
    SetText(IDC_EDIT_OPTION_DOWNLOAD_PASSWORD, g.updatesServerPassword);
    SetChecked(IDC_CHECK_OPTION_DOWNLOAD_FAILEDOFFICIAL, g.downloadFailFromOfficial == 1);
    SelectValue(IDC_COMBO_OPTION_DOWNLOAD_DIRSTRUCT, g.downloadDirStruct);
    UpdateEnabling();
}

void DownloadPage::TakeControls() {
    DownloadGroup& g = options_.group;
    g.updatesSavePath = Text(IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH);
    g.updatesLocationType = Checked(IDC_RADIO_OPTION_DOWNLOAD_CUSTOMIZE) ? 1 : 0;
    g.updatesServerAuth = Checked(IDC_CHECK_OPTION_DOWNLOAD_AUTH_NEED) ? 1 : 0;
    g.downloadFailFromOfficial = Checked(IDC_CHECK_OPTION_DOWNLOAD_FAILEDOFFICIAL) ? 1 : 0;
    g.updatesServerUserName = Text(IDC_EDIT_OPTION_DOWNLOAD_USERNAME);
    g.updatesServerPassword = Text(IDC_EDIT_OPTION_DOWNLOAD_PASSWORD);
    g.updatesServer = Text(IDC_EDIT_OPTION_DOWNLOAD_SERVER);
    SelectedValue(IDC_COMBO_OPTION_DOWNLOAD_DIRSTRUCT, g.downloadDirStruct);
}

void DownloadPage::UpdateEnabling() {
    bool custom = Checked(IDC_RADIO_OPTION_DOWNLOAD_CUSTOMIZE);
    bool credentials = custom && Checked(IDC_CHECK_OPTION_DOWNLOAD_AUTH_NEED);
    EnableItems({IDC_EDIT_OPTION_DOWNLOAD_SERVER, IDC_CHECK_OPTION_DOWNLOAD_AUTH_NEED,
                 IDC_CHECK_OPTION_DOWNLOAD_FAILEDOFFICIAL, IDC_STATIC_OPTION_DOWNLOAD_DIRSTRUCT,
                 IDC_COMBO_OPTION_DOWNLOAD_DIRSTRUCT},
                custom);
    EnableItems({IDC_EDIT_OPTION_DOWNLOAD_USERNAME, IDC_EDIT_OPTION_DOWNLOAD_PASSWORD,
                 IDC_STATIC_OPTION_DOWNLOAD_USERNAME, IDC_STATIC_OPTION_DOWNLOAD_PASSWORD},
                credentials);
}

bool DownloadPage::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_RADIO_OPTION_DOWNLOAD_OFFICIAL:
    case IDC_RADIO_OPTION_DOWNLOAD_CUSTOMIZE:
    case IDC_CHECK_OPTION_DOWNLOAD_AUTH_NEED:
        UpdateEnabling();
        break;
    case IDC_BUTTON_OPTION_DOWNLOAD_BROWSE:
        Browse();
        break;
    case IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED:
        OpenAdvanced();
        break;
    case IDC_BUTTON_OPTION_DOWNLOAD_DEFAULT:
        ResetToDefault();
        break;
    default:
        return false;
    }
    return true;
}

void DownloadPage::Browse() {
    std::string current = Text(IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH);
    BROWSEINFOA info = {};
    info.hwndOwner = ::GetActiveWindow();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(current.empty() ? nullptr : current.c_str());
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderA(&info);
    if (!chosen) return;
    char path[MAX_PATH] = {};
    bool ok = ::SHGetPathFromIDListA(chosen, path) != FALSE;
    ::CoTaskMemFree(chosen);
    if (!ok) return;
    SetText(IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH, path);
    ::SendMessageA(::GetAncestor(hwnd(), GA_ROOT), WM_NEXTDLGCTL,
                   reinterpret_cast<WPARAM>(Item(IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH)), TRUE);
}

void DownloadPage::OpenAdvanced() {
    AdvancedDownloadDialog dialog(skin(), options_.limits);
    if (dialog.Run(::GetActiveWindow()) == IDOK) options_.limits = dialog.Limits();
}

void DownloadPage::ResetToDefault() {
    TakeControls();
    options_.ResetLocation(settings().InstallFolder());
    ShowOptions();
}

bool DownloadPage::Apply() {
    TakeControls();
    options_.Save(settings());
    SetText(IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH, options_.group.updatesSavePath);
    return true;
}

}  // namespace zema
