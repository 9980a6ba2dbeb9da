#include "zema/options/general_page.h"

#include <iterator>

#include "zema/options/options_ids.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr ListItem kCloseItems[] = {
    {"rns_option_exit", 0},
    {"rns_option_mintotray", 1},
};
constexpr ListItem kFoundItems[] = {
    {"rns_option_found_nothandle", FOUND_ACTION_DO_NOTHING},
    {"rns_option_found_notify", FOUND_ACTION_NOTIFY},
    {"rns_option_found_download_notify", FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD},
    {"rns_option_found_repair", FOUND_ACTION_REPAIR},
};
constexpr ListItem kInstalledItems[] = {
    {"rns_option_installed_nothandle", INSTALLED_ACTION_DO_NOTHING},
    {"rns_option_installed_notify", INSTALLED_ACTION_NOTIFY},
    {"rns_option_installed_notifywhenreboot", INSTALLED_ACTION_NOTIFY_WHEN_REBOOT},
    {"rns_option_installed_rebootwhenneed", INSTALLED_ACTION_REBOOT_WHEN_NEED},
    {"rns_option_installed_rebootforce", INSTALLED_ACTION_REBOOT_FORCE},
    {"rns_option_installed_shutdown", INSTALLED_ACTION_SHUTDOWN},
};
constexpr ListItem kNewVersionItems[] = {
    {"rns_option_newversion_notify", 0},
    {"rns_option_newversion_update", 1},
};
// The three actions are stored as their low 16 bits.
constexpr int kLowWord = 0xFFFF;

const ControlText kTextMap[] = {
    {IDC_CHECK_OPTION_GENERAL_STARTUP, "rns_idc_check_option_general_startup"},
    {IDC_CHECK_OPTION_GENERAL_SHOW_TRAYICON, "rns_idc_check_option_general_show_trayicon"},
    {IDC_STATIC_OPTION_GENERAL_VULNFOUND_ACTION, "rns_idc_static_option_general_vulnfound_action"},
    {IDC_STATIC_OPTION_GENERAL_UPDATEINSTALLED_ACTION,
     "rns_idc_static_option_general_updateinstalled_action"},
    {IDC_CHECK_OPTION_GENERAL_DELINSTALLEDUPDATEFILE,
     "rns_idc_check_optiion_gerneal_delinstalledupdatefile"},
    {IDC_STATIC_OPTION_GENERAL_CLOSEMAINWINDOW, "rns_idc_static_option_general_closemainwindow"},
    {IDC_CHECK_OPTION_GENERAL_AUTOCHECKNEWVERSION, "rns_idc_check_option_general_autochecknewversion"},
    {IDC_STATIC_OPTION_GENERAL_CHECKNEWVERSION, "rns_idc_static_option_general_checknewversiion"},
    {-1, nullptr},
};

}  // namespace

GeneralPage::GeneralPage(const SkinResources& skin, SettingsStore& settings)
    : OptionsPage(skin, settings, "rns_option_general") {}

DialogTemplate GeneralPage::Layout() const {
    constexpr DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    DialogTemplate page = PageTemplate(280, 215);
    page.CheckBox(IDC_CHECK_OPTION_GENERAL_STARTUP, "", 12, 5, 253, 11)
        .CheckBox(IDC_CHECK_OPTION_GENERAL_SHOW_TRAYICON, "", 12, 19, 253, 11)
        .Label(IDC_STATIC_OPTION_GENERAL_CLOSEMAINWINDOW, "", 12, 28, 220, 11)
        .Add(IDC_COMBO_OPTION_GENERAL_CLOSEMAINWINDOW, "COMBOBOX", "", kList, 12, 39, 220, 106)
        .Label(IDC_STATIC_OPTION_GENERAL_VULNFOUND_ACTION, "", 12, 57, 220, 11)
        .Add(IDC_COMBO_OPTION_GENERAL_VULNFOUND_ACTION, "COMBOBOX", "", kList, 12, 68, 220, 106)
        .Label(IDC_STATIC_OPTION_GENERAL_UPDATEINSTALLED_ACTION, "", 12, 86, 220, 11)
        .Add(IDC_COMBO_OPTION_GENERAL_UPDATEINSTALLED_ACTION, "COMBOBOX", "", kList, 12, 97, 220, 106)
        .CheckBox(IDC_CHECK_OPTION_GENERAL_DELINSTALLEDUPDATEFILE, "", 12, 115, 220, 11)
        .CheckBox(IDC_CHECK_OPTION_GENERAL_AUTOCHECKNEWVERSION, "", 12, 138, 255, 10)
        .Label(IDC_STATIC_OPTION_GENERAL_CHECKNEWVERSION, "", 23, 151, 220, 11)
        .Add(IDC_COMBO_OPTION_GENERAL_CHECKNEWVERSION, "COMBOBOX", "", kList, 23, 162, 209, 106);
    return page;
}

bool GeneralPage::OnInit() {
    // Kept for the settings it carries; the start-up choice decides it.
    ::ShowWindow(Item(IDC_CHECK_OPTION_GENERAL_SHOW_TRAYICON), SW_HIDE);
    SkinControls({}, {IDC_COMBO_OPTION_GENERAL_CLOSEMAINWINDOW, IDC_COMBO_OPTION_GENERAL_VULNFOUND_ACTION,
                      IDC_COMBO_OPTION_GENERAL_UPDATEINSTALLED_ACTION,
                      IDC_COMBO_OPTION_GENERAL_CHECKNEWVERSION});
    FillList(IDC_COMBO_OPTION_GENERAL_CLOSEMAINWINDOW, kCloseItems, std::size(kCloseItems));
    FillList(IDC_COMBO_OPTION_GENERAL_VULNFOUND_ACTION, kFoundItems, std::size(kFoundItems));
    FillList(IDC_COMBO_OPTION_GENERAL_UPDATEINSTALLED_ACTION, kInstalledItems,
             std::size(kInstalledItems));
    FillList(IDC_COMBO_OPTION_GENERAL_CHECKNEWVERSION, kNewVersionItems, std::size(kNewVersionItems));

    options_ = GeneralOptions::Load(settings());
    SelectValue(IDC_COMBO_OPTION_GENERAL_CLOSEMAINWINDOW, options_.mainWindowToTray);
    SelectValue(IDC_COMBO_OPTION_GENERAL_VULNFOUND_ACTION, options_.vulnFoundAction, kLowWord);
    SelectValue(IDC_COMBO_OPTION_GENERAL_UPDATEINSTALLED_ACTION, options_.updateInstalledAction,
                kLowWord);
    SelectValue(IDC_COMBO_OPTION_GENERAL_CHECKNEWVERSION, options_.newVersionCheckedAction,
                kLowWord);
    SetChecked(IDC_CHECK_OPTION_GENERAL_STARTUP, options_.startup);
    SetChecked(IDC_CHECK_OPTION_GENERAL_SHOW_TRAYICON, options_.trayIcon);
    SetChecked(IDC_CHECK_OPTION_GENERAL_AUTOCHECKNEWVERSION, options_.autoCheckNewVersion);
    SetChecked(IDC_CHECK_OPTION_GENERAL_DELINSTALLEDUPDATEFILE, options_.deleteInstalledUpdateFile);

    UpdateTrayCheck();
    UpdateNewVersionList();
    skin().ApplyControlTexts(hwnd(), kTextMap);
    return false;
}

bool GeneralPage::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_CHECK_OPTION_GENERAL_STARTUP) UpdateTrayCheck();
    if (id == IDC_CHECK_OPTION_GENERAL_AUTOCHECKNEWVERSION) UpdateNewVersionList();
    return true;
}

void GeneralPage::UpdateTrayCheck() {
    // A program started at logon lives in the tray: the icon is not optional then.
    bool startup = Checked(IDC_CHECK_OPTION_GENERAL_STARTUP);
    if (startup) SetChecked(IDC_CHECK_OPTION_GENERAL_SHOW_TRAYICON, true);
    EnableItems({IDC_CHECK_OPTION_GENERAL_SHOW_TRAYICON}, !startup);
}

void GeneralPage::UpdateNewVersionList() {
    EnableItems({IDC_COMBO_OPTION_GENERAL_CHECKNEWVERSION, IDC_STATIC_OPTION_GENERAL_CHECKNEWVERSION},
                Checked(IDC_CHECK_OPTION_GENERAL_AUTOCHECKNEWVERSION));
}

bool GeneralPage::Apply() {
    options_.startup = Checked(IDC_CHECK_OPTION_GENERAL_STARTUP);
    options_.trayIcon = Checked(IDC_CHECK_OPTION_GENERAL_SHOW_TRAYICON);
    options_.autoCheckNewVersion = Checked(IDC_CHECK_OPTION_GENERAL_AUTOCHECKNEWVERSION);
    options_.deleteInstalledUpdateFile = Checked(IDC_CHECK_OPTION_GENERAL_DELINSTALLEDUPDATEFILE);
    // A list without a selection (a stored value no item stands for) keeps
    // the stored value rather than writing the list's "no item".
    SelectedValue(IDC_COMBO_OPTION_GENERAL_CLOSEMAINWINDOW, options_.mainWindowToTray);
    SelectedValue(IDC_COMBO_OPTION_GENERAL_VULNFOUND_ACTION, options_.vulnFoundAction);
    SelectedValue(IDC_COMBO_OPTION_GENERAL_UPDATEINSTALLED_ACTION, options_.updateInstalledAction);
    SelectedValue(IDC_COMBO_OPTION_GENERAL_CHECKNEWVERSION, options_.newVersionCheckedAction);
    options_.Save(settings());
    return true;
}

}  // namespace zema
