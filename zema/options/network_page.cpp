#include "zema/options/network_page.h"

#include <iterator>

#include "zema/options/options_ids.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr ListItem kProtocolItems[] = {
    {"rns_connect_type_http", kProtocolHttp},
    {"rns_connect_type_ftp", kProtocolFtp},
};

const ControlText kTextMap[] = {
    {IDC_STATIC_OPTION_NETWORK_PROTOCOL, "rns_idc_static_option_network_protocol"},
    {IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_DIRECT, "rns_idc_radio_option_network_connect_mode_direct"},
    {IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_USEIE, "rns_idc_radio_option_network_connect_mode_useie"},
    {IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_PROXY, "rns_idc_radio_option_network_connect_mode_proxy"},
    {IDC_STATIC_OPTION_NETWORK_PROXY_ADDRESS, "rns_idc_static_option_network_proxy_address"},
    {IDC_STATIC_OPTION_NETWORK_PROXY_PORT, "rns_idc_static_option_network_proxy_port"},
    {IDC_STATIC_OPTION_NETWORK_PROXY, "rns_idc_static_option_network_proxy"},
    {IDC_BUTTON_OPTION_NETWORK_PROXY_PORT_DEFAULT, "rns_idc_button_option_network_proxy_port_default"},
    {IDC_CHECK_OPTION_NETWORK_PROXY_AUTH, "rns_idc_check_option_network_proxy_auth"},
    {IDC_STATIC_OPTION_NETWORK_PROXY_USERNAME, "rns_idc_static_option_network_proxy_username"},
    {IDC_STATIC_OPTION_NETWORK_PROXY_PASSWORD, "rns_idc_static_option_network_proxy_password"},
    {-1, nullptr},
};

// The radio buttons in ConnectMode order.
constexpr int kModeButtons[] = {
    IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_DIRECT,
    IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_USEIE,
    IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_PROXY,
};

constexpr int kShortTextChars = 31;  // what the settings store keeps
constexpr int kPasswordChars = 63;
constexpr int kPortDigits = 10;

}  // namespace

NetworkPage::NetworkPage(const SkinResources& skin, SettingsStore& settings)
    : OptionsPage(skin, settings, "rns_option_network") {}

DialogTemplate NetworkPage::Layout() const {
    constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    constexpr DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    DialogTemplate page = PageTemplate(265, 191);
    page.Label(IDC_STATIC_OPTION_NETWORK_PROTOCOL, "", 12, 6, 57, 10)
        .Add(IDC_COMBO_OPTION_NETWORK_PROTOCOL, "COMBOBOX", "", kList, 75, 5, 172, 88)
        .Add(IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_DIRECT, "BUTTON", "",
             BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 12, 25, 233, 11)
        .Add(IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_USEIE, "BUTTON", "", BS_AUTORADIOBUTTON, 12, 37, 212, 12)
        .Add(IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_PROXY, "BUTTON", "", BS_AUTORADIOBUTTON, 12, 51, 94, 11)
        .Add(IDC_COMBO_OPTION_NETWORK_PROXY_TYPE, "COMBOBOX", "", kList | WS_GROUP, 108, 51, 139, 93)
        .Add(IDC_STATIC_OPTION_NETWORK_PROXY, "BUTTON", "", BS_GROUPBOX, 13, 67, 235, 99)
        .Label(IDC_STATIC_OPTION_NETWORK_PROXY_ADDRESS, "", 33, 81, 46, 10)
        .Add(IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS, "EDIT", "", kEdit, 83, 79, 128, 14)
        .Label(IDC_STATIC_OPTION_NETWORK_PROXY_PORT, "", 33, 99, 46, 10)
        .Add(IDC_EDIT_OPTION_NETWORK_PROXY_PORT, "EDIT", "", kEdit, 83, 97, 66, 14)
        .PushButton(IDC_BUTTON_OPTION_NETWORK_PROXY_PORT_DEFAULT, "", 159, 97, 52, 14)
        .CheckBox(IDC_CHECK_OPTION_NETWORK_PROXY_AUTH, "", 33, 114, 200, 10)
        .Label(IDC_STATIC_OPTION_NETWORK_PROXY_USERNAME, "", 53, 129, 52, 10)
        .Add(IDC_EDIT_OPTION_NETWORK_PROXY_USERNAME, "EDIT", "", kEdit, 109, 127, 102, 14)
        .Label(IDC_STATIC_OPTION_NETWORK_PROXY_PASSWORD, "", 53, 147, 52, 10)
        .Add(IDC_EDIT_OPTION_NETWORK_PROXY_PASSWORD, "EDIT", "", kEdit | ES_PASSWORD, 109, 145, 102, 14);
    return page;
}

bool NetworkPage::OnInit() {
    SkinControls({IDC_BUTTON_OPTION_NETWORK_PROXY_PORT_DEFAULT},
                 {IDC_COMBO_OPTION_NETWORK_PROTOCOL, IDC_COMBO_OPTION_NETWORK_PROXY_TYPE});
    FillList(IDC_COMBO_OPTION_NETWORK_PROTOCOL, kProtocolItems, std::size(kProtocolItems));
    LimitText(IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS, kShortTextChars);
    LimitText(IDC_EDIT_OPTION_NETWORK_PROXY_PORT, kPortDigits);
    LimitText(IDC_EDIT_OPTION_NETWORK_PROXY_USERNAME, kShortTextChars);
    LimitText(IDC_EDIT_OPTION_NETWORK_PROXY_PASSWORD, kPasswordChars);
    options_ = NetworkOptions::Load(settings());
    SelectValue(IDC_COMBO_OPTION_NETWORK_PROTOCOL, kProtocolHttp);
    ShowRecord(kProtocolHttp);
    skin().ApplyControlTexts(hwnd(), kTextMap);
    return false;
}

void NetworkPage::ShowRecord(NetworkProtocol protocol) {
    shown_ = protocol;
    const NetworkGroup& record = options_.Record(protocol);
    const std::vector<ProxyTypeItem>& types = NetworkOptions::ProxyTypes(protocol);
    std::vector<ListItem> items;
    for (const ProxyTypeItem& type : types) items.push_back({type.text, type.type});
    FillList(IDC_COMBO_OPTION_NETWORK_PROXY_TYPE, items.data(), items.size());

    for (int mode = 0; mode < static_cast<int>(std::size(kModeButtons)); ++mode)
        SetChecked(kModeButtons[mode], record.connectMode == mode);
    ::SendMessageA(Item(IDC_COMBO_OPTION_NETWORK_PROXY_TYPE), CB_SETCURSEL,
                   static_cast<WPARAM>(NetworkOptions::ProxyTypeIndex(protocol, record.proxyServerType)), 0);
    SetText(IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS, record.proxyServerIP);
    ::SetDlgItemInt(hwnd(), IDC_EDIT_OPTION_NETWORK_PROXY_PORT,
                    static_cast<UINT>(NetworkOptions::ShownPort(protocol, record)), FALSE);
    SetChecked(IDC_CHECK_OPTION_NETWORK_PROXY_AUTH, record.proxyServerAuth == 1);
    SetText(IDC_EDIT_OPTION_NETWORK_PROXY_USERNAME, record.proxyServerAuthUserName);
    SetText(IDC_EDIT_OPTION_NETWORK_PROXY_PASSWORD, record.proxyServerAuthPassword);
    UpdateEnabling();
}

void NetworkPage::TakeControls() {
    NetworkGroup& record = options_.Record(shown_);
    for (int mode = 0; mode < static_cast<int>(std::size(kModeButtons)); ++mode)
        if (Checked(kModeButtons[mode])) record.connectMode = mode;
    SelectedValue(IDC_COMBO_OPTION_NETWORK_PROXY_TYPE, record.proxyServerType);
    record.proxyServerIP = Text(IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS);
    BOOL number = FALSE;
    UINT port = ::GetDlgItemInt(hwnd(), IDC_EDIT_OPTION_NETWORK_PROXY_PORT, &number, FALSE);
    // An empty or unreadable port is stored as 0, which shows as the proxy
    // type's default port next time; the credentials are taken all the same.
    if (!number && !Text(IDC_EDIT_OPTION_NETWORK_PROXY_PORT).empty()) ::MessageBeep(MB_ICONWARNING);
    record.proxyServerPort = number ? NetworkOptions::StoredPort(port) : 0;
    record.proxyServerAuth = Checked(IDC_CHECK_OPTION_NETWORK_PROXY_AUTH) ? 1 : 0;
    record.proxyServerAuthUserName = Text(IDC_EDIT_OPTION_NETWORK_PROXY_USERNAME);
    record.proxyServerAuthPassword = Text(IDC_EDIT_OPTION_NETWORK_PROXY_PASSWORD);
}

void NetworkPage::UpdateEnabling() {
    bool proxy = Checked(IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_PROXY);
    bool credentials = proxy && Checked(IDC_CHECK_OPTION_NETWORK_PROXY_AUTH);
    EnableItems({IDC_COMBO_OPTION_NETWORK_PROXY_TYPE, IDC_STATIC_OPTION_NETWORK_PROXY_ADDRESS,
                 IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS, IDC_STATIC_OPTION_NETWORK_PROXY_PORT,
                 IDC_EDIT_OPTION_NETWORK_PROXY_PORT, IDC_BUTTON_OPTION_NETWORK_PROXY_PORT_DEFAULT,
                 IDC_CHECK_OPTION_NETWORK_PROXY_AUTH},
                proxy);
    EnableItems({IDC_STATIC_OPTION_NETWORK_PROXY_USERNAME, IDC_EDIT_OPTION_NETWORK_PROXY_USERNAME,
                 IDC_STATIC_OPTION_NETWORK_PROXY_PASSWORD, IDC_EDIT_OPTION_NETWORK_PROXY_PASSWORD},
                credentials);
}

void NetworkPage::PutDefaultPort() {
    int type = 0;
    if (!SelectedValue(IDC_COMBO_OPTION_NETWORK_PROXY_TYPE, type)) return;
    int port = NetworkOptions::DefaultPort(type);
    if (port) ::SetDlgItemInt(hwnd(), IDC_EDIT_OPTION_NETWORK_PROXY_PORT, static_cast<UINT>(port), FALSE);
}

bool NetworkPage::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDC_COMBO_OPTION_NETWORK_PROTOCOL && code == CBN_SELCHANGE) {
        int protocol = kProtocolHttp;
        if (SelectedValue(IDC_COMBO_OPTION_NETWORK_PROTOCOL, protocol) && protocol != shown_) {
            TakeControls();
            ShowRecord(static_cast<NetworkProtocol>(protocol));
        }
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_DIRECT:
    case IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_USEIE:
    case IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_PROXY:
    case IDC_CHECK_OPTION_NETWORK_PROXY_AUTH:
        UpdateEnabling();
        break;
    case IDC_BUTTON_OPTION_NETWORK_PROXY_PORT_DEFAULT:
        PutDefaultPort();
        break;
    default:
        return false;
    }
    return true;
}

bool NetworkPage::Apply() {
    TakeControls();
    options_.Save(settings());
    return true;
}

}  // namespace zema
