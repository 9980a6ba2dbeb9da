#include "zema/ui/windows/about_box.h"

#include "zema/core/settings_store.h"
#include "zema/core/system_utils.h"
#include "zema/resource.h"

namespace zema {
namespace {

constexpr ControlText kTexts[] = {
    {kIdAboutTitle, "rns_idc_static_about_title"},
    {kIdAboutVersionLabel, "rns_idc_static_about_version"},
    {kIdAboutInstallDateLabel, "rns_idc_static_about_installdate"},
    {kIdAboutUpdatedLabel, "rns_idc_static_about_updatetime"},
    {kIdAboutWarning, "rns_idc_static_about_warning"},
    {IDOK, "rns_idok"},
    {-1, nullptr},
};

constexpr int kIconSize = 32;

FrameStyle AboutFrame() {
    FrameStyle style;
    style.caption = 28;
    style.left = style.right = style.bottom = 1;
    style.corner = 0;
    style.buttons = kCloseButton;
    return style;
}

}  // namespace

AboutFacts AboutFacts::FromSettings(const SettingsStore& settings) {
    AboutFacts facts;
    facts.version = settings.ProductVersion();
    facts.installDate = settings.InstallDate();
    uint32_t updated = settings.UpdateEndTime();
    if (updated) facts.updated = FormatTime(static_cast<int32_t>(updated));
    return facts;
}

AboutBox::AboutBox(const SkinResources& skin, AboutFacts facts)
    : SkinnedDialog(skin, AboutFrame()), facts_(std::move(facts)) {}

DialogTemplate AboutBox::Layout(const SkinResources& skin) {
    DialogTemplate layout(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                          230, 124, skin.GetString("rns_menu_tray_about"), "Tahoma", 8);
    layout.Add(kIdAboutIcon, "STATIC", "", SS_ICON | SS_REALSIZEIMAGE, 10, 10, 20, 20)
        .Label(kIdAboutTitle, "", 40, 10, 180, 12)
        .Label(kIdAboutVersionLabel, "", 40, 28, 62, 9)
        .Label(kIdAboutVersion, "", 104, 28, 116, 9)
        .Label(kIdAboutInstallDateLabel, "", 40, 40, 62, 9)
        .Label(kIdAboutInstallDate, "", 104, 40, 116, 9)
        .Label(kIdAboutUpdatedLabel, "", 40, 52, 62, 9)
        .Label(kIdAboutUpdated, "", 104, 52, 116, 9)
        .Label(kIdAboutWarning, "", 10, 70, 210, 28)
        .PushButton(IDOK, "", 170, 104, 50, 14, WS_TABSTOP | BS_DEFPUSHBUTTON);
    return layout;
}

bool AboutBox::OnInit() {
    skin().ApplyControlTexts(hwnd(), kTexts);
    ::SetDlgItemTextA(hwnd(), kIdAboutVersion, facts_.version.c_str());
    ::SetDlgItemTextA(hwnd(), kIdAboutInstallDate, facts_.installDate.c_str());
    ::SetDlgItemTextA(hwnd(), kIdAboutUpdated, facts_.updated.c_str());
    LoadScaledLook();
    ok_.Attach(Item(IDOK), skin());
    ::SetFocus(Item(IDOK));
    return false;
}

void AboutBox::OnDpiChanged(win::Dpi) { LoadScaledLook(); }

void AboutBox::LoadScaledLook() {
    icon_.Reset(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                MAKEINTRESOURCEA(IDI_ZEMA), IMAGE_ICON,
                                                Px(kIconSize), Px(kIconSize), 0)));
    if (!icon_) icon_.Reset(skin().GetIcon("rni_result_none", dpi().Value()));
    if (icon_)
        ::SendMessageA(Item(kIdAboutIcon), STM_SETICON, reinterpret_cast<WPARAM>(icon_.Get()), 0);
    titleFont_.Reset(skin().GetFont("rnf_tray_title", dpi().Value()));
    if (titleFont_)
        ::SendMessageA(Item(kIdAboutTitle), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.Get()),
                       FALSE);
}

bool AboutBox::OnCommand(WORD id, WORD, HWND) {
    if (id != IDOK && id != IDCANCEL) return false;
    Close(id);
    return true;
}

bool AboutBox::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_CTLCOLORSTATIC) return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, skin().GetColor("rnc_window_text"));
    result = reinterpret_cast<LRESULT>(frame().BackgroundBrush());
    return true;
}

}  // namespace zema
