#include "zema/ui/windows/main_window.h"

#include <shellapi.h>

#include <iterator>

#include "win/window_position.h"
#include "zema/core/settings_store.h"
#include "zema/core/system_utils.h"
#include "zema/resource.h"
#include "zema/ui/toolkit/dialog_template.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skin_label.h"
#include "zema/ui/toolkit/skin_resources.h"
#include "zema/ui/toolkit/skinned_frame.h"

namespace zema {
namespace {

// The maker's web server: its support and home pages, and the address the
// frame writes into its bottom band.
constexpr char kMakerServer[] = "http://www.tolvane.com";
constexpr char kMakerFooter[] = "www.tolvane.com";
constexpr char kPageQuery[] = "?lang=en-us&pro=zema";

constexpr int kViewLeft = 12;
constexpr int kViewTop = 132;
constexpr int kViewRight = 12;
constexpr int kViewBottom = 16;
constexpr int kMenuOffset = 4;

// The caption's flight between the window and the tray.
constexpr RECT kTrayRect = {800, 700, 1000, 720};
constexpr RECT kCaptionRect = {0, 0, 200, 20};

const ControlText kControlTexts[] = {
    {kIdResultsTitle, "rns_idc_static_mainwindow_results"},
    {kIdOperations, "rns_idc_button_mainwindow_operations"},
    {kIdHelp, "rns_idc_button_mainwindow_help"},
    {-1, nullptr},
};

const LayoutRule kLayout[] = {
    {kIdOperations, kMoveX},
    {kIdHelp, kMoveX},
    {kIdSummaryPanel, kStretchX},
};

const std::pair<WORD, const char*> kOperationsMenu[] = {
    {kCmdMainOptions, "rns_menu_options"},
    {kCmdMainUpgrade, "rns_menu_update"},
};
const std::pair<WORD, const char*> kHelpMenu[] = {
    {kCmdMainAbout, "rns_menu_help_about"},
    {kCmdMainSupport, "rns_menu_help_supports"},
    {kCmdMainHomePage, "rns_menu_help_homepage"},
};

void AnimateCaption(HWND window, const RECT& from, const RECT& to) {
    if (IsWindowAnimationEnabled()) ::DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
}

}  // namespace

class MainWindowControls {
public:
    SkinLabel title;
    SkinButton operations;
    SkinButton help;
};

MainWindow::MainWindow(const MainWindowParts& parts)
    : parts_(parts),
      summary_(*parts.session, *parts.source, *parts.skin),
      view_(*parts.session, *parts.source, *parts.skin) {}

MainWindow::~MainWindow() {
    Close(0);  // while the overrides still hear WM_DESTROY
    if (listening_) parts_.session->RemoveListener(this);
}

bool MainWindow::Create() {
    FrameStyle style = FrameStyle::FromSkin(*parts_.skin, "mainwindow",
                                            kCloseButton | kMaximizeButton | kMinimizeButton);
    style.corner = 6;
    style.largeIcon = true;
    style.footer = kMakerFooter;
    frame_ = std::make_unique<SkinnedFrame>(*parts_.skin, style);
    SetFrame(frame_.get());
    DialogTemplate layout(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN |
                              WS_CLIPSIBLINGS | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                          0, 0, 525, 304, "", "MS Sans Serif", 8, WS_EX_APPWINDOW);
    layout.Label(kIdResultsTitle, "", 3, 5, 155, 11, SS_LEFT | SS_CENTERIMAGE)
        .Label(kIdSummaryPanel, "", 7, 18, 501, 56, SS_LEFT)
        .PushButton(kIdOperations, "", 415, 3, 60, 14)
        .PushButton(kIdHelp, "", 475, 3, 43, 14);
    return Dialog::Create(nullptr, layout) != nullptr;
}

bool MainWindow::OnInit() {
    const SkinResources& skin = *parts_.skin;
    background_.Reset(::CreateSolidBrush(skin.GetColor("rnc_window_background")));
    controls_ = std::make_unique<MainWindowControls>();
    COLORREF face = skin.GetColor("rnc_window_background");
    controls_->title.Attach(Item(kIdResultsTitle));
    controls_->title.SetFill(kFillSolid, face, face);
    controls_->title.SetTextColor(skin.GetColor("rnc_window_text"));
    summary_.Attach(Item(kIdSummaryPanel));
    controls_->operations.Attach(Item(kIdOperations), skin);
    controls_->help.Attach(Item(kIdHelp), skin);
    LoadScaledLook();

    win::CenterWindow(hwnd(), ::GetWindow(hwnd(), GW_OWNER));

    if (view_.Create(hwnd())) {
        // First in the Tab order: the view's controls, then the menu buttons.
        ::SetWindowPos(view_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::ShowWindow(view_.hwnd(), SW_SHOW);
    }
    SetLayout(kLayout, sizeof(kLayout) / sizeof(kLayout[0]));
    parts_.session->AddListener(this, true);
    listening_ = true;
    skin.ApplyControlTexts(hwnd(), kControlTexts);
    ::SetWindowTextA(hwnd(), skin.GetString("rns_main_title").c_str());
    PlaceView();
    // The list, not the first menu button, starts with the focus.
    if (view_.hwnd()) {
        ::SetFocus(view_.UpdateList().hwnd());
        return false;
    }
    return true;
}

void MainWindow::LoadScaledLook() {
    const SkinResources& skin = *parts_.skin;
    UINT scale = dpi().Value();
    controls_->title.SetFont(skin.GetFont("rnf_result_title", scale));
    controls_->operations.SetIcon(skin.GetIcon("rni_operation", scale));
    controls_->help.SetIcon(skin.GetIcon("rni_help", scale));
    // The frame draws the large icon at 32 pixels scaled; the system asks
    // for the small one at its size for this scale.
    HINSTANCE module = ::GetModuleHandleA(nullptr);
    int big = Px(32);
    int small = dpi().SystemMetric(SM_CXSMICON);
    bigIcon_.Reset(static_cast<HICON>(
        ::LoadImageA(module, MAKEINTRESOURCEA(IDI_ZEMA), IMAGE_ICON, big, big, 0)));
    smallIcon_.Reset(static_cast<HICON>(
        ::LoadImageA(module, MAKEINTRESOURCEA(IDI_ZEMA), IMAGE_ICON, small, small, 0)));
    if (bigIcon_)
        ::SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    if (smallIcon_)
        ::SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

void MainWindow::OnDpiChanged(win::Dpi) { LoadScaledLook(); }

void MainWindow::Show() {
    if (!hwnd()) return;
    if (!::IsWindowVisible(hwnd())) AnimateCaption(hwnd(), kTrayRect, kCaptionRect);
    if (::IsIconic(hwnd()))
        ::ShowWindow(hwnd(), SW_RESTORE);
    else if (::IsZoomed(hwnd()))
        ::ShowWindow(hwnd(), SW_SHOW);
    else
        ::ShowWindow(hwnd(), SW_SHOWNORMAL);
    ::SetForegroundWindow(hwnd());
}

void MainWindow::CloseToTrayOrExit() {
    const SettingsStore* settings = parts_.settings;
    if (settings && settings->MainWindowToTray() != 0 && settings->TrayIcon() != 0) {
        AnimateCaption(hwnd(), kCaptionRect, kTrayRect);
        if (hideDetails_) hideDetails_();
        ::ShowWindow(hwnd(), SW_HIDE);
        return;
    }
    if (parts_.manager) ::PostMessageA(parts_.manager, WM_CLOSE, 0, 0);
}

void MainWindow::PlaceView() {
    if (!view_.hwnd()) return;
    RECT client;
    ::GetClientRect(hwnd(), &client);
    ::MoveWindow(view_.hwnd(), client.left + Px(kViewLeft), client.top + Px(kViewTop),
                 std::max<int>(0, client.right - client.left - Px(kViewLeft) - Px(kViewRight)),
                 std::max<int>(0, client.bottom - client.top - Px(kViewTop) - Px(kViewBottom)),
                 TRUE);
}

void MainWindow::OnSize(UINT type, int cx, int cy) {
    if (type != SIZE_MINIMIZED) Dialog::OnSize(type, cx, cy);
    PlaceView();
    if (type == SIZE_MAXIMIZED)
        view_.SetMaximized(true);
    else if (type == SIZE_RESTORED)
        view_.SetMaximized(false);
}

void MainWindow::OpenMenu(int buttonId, const std::pair<WORD, const char*>* items, size_t count,
                          bool byKeyboard) {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return;
    for (size_t i = 0; i < count; ++i)
        ::AppendMenuA(menu, MF_STRING, items[i].first,
                      parts_.skin->GetString(items[i].second).c_str());
    RECT button;
    ::GetWindowRect(Item(buttonId), &button);
    // Opened from the keyboard, the menu starts on its first item.
    if (byKeyboard) ::PostMessageA(hwnd(), WM_KEYDOWN, VK_DOWN, 0);
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, button.left + Px(kMenuOffset),
                     button.bottom, 0, hwnd(), nullptr);
    ::DestroyMenu(menu);
}

void MainWindow::OpenSystemMenu() {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return;
    const SkinResources& skin = *parts_.skin;
    ::AppendMenuA(menu, MF_STRING, kCmdSysMinimize, skin.GetString("rns_menu_sys_min").c_str());
    ::AppendMenuA(menu, MF_STRING, kCmdSysMaximize, skin.GetString("rns_menu_sys_max").c_str());
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, kCmdSysClose, skin.GetString("rns_menu_sys_close").c_str());
    POINT at;
    ::GetCursorPos(&at);
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
    ::DestroyMenu(menu);
}

void MainWindow::OpenPage(const char* path) {
    std::string address = std::string(kMakerServer) + path + kPageQuery;
    ::ShellExecuteA(hwnd(), "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool MainWindow::OnCommand(WORD id, WORD, HWND) {
    switch (id) {
    case IDOK:
    case IDCLOSE:
    case IDCANCEL:  // Escape through the dialog manager
    case kCmdSysClose:
        ::SendMessageA(hwnd(), WM_CLOSE, 0, 0);
        return true;
    case kIdOperations:
        OpenMenu(kIdOperations, kOperationsMenu, std::size(kOperationsMenu), false);
        return true;
    case kIdHelp:
        OpenMenu(kIdHelp, kHelpMenu, std::size(kHelpMenu), false);
        return true;
    case kCmdMainOptions:
    case kCmdMainAbout:
    case kCmdMainUpgrade:
        if (parts_.manager) ::SendMessageA(parts_.manager, WM_COMMAND, id, 0);
        return true;
    case kCmdMainSupport:
        OpenPage("/support.asp");
        return true;
    case kCmdMainHomePage:
        OpenPage("/home.asp");
        return true;
    case kCmdSysMinimize:
        ::ShowWindow(hwnd(), SW_SHOWMINIMIZED);
        return true;
    case kCmdSysMaximize:
        ::ShowWindow(hwnd(), SW_SHOWMAXIMIZED);
        return true;
    default:
        return false;
    }
}

bool MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    constexpr UINT kSystemMenuRequest = 0x0313;  // a right click on the caption
    switch (message) {
    case WM_CLOSE:
        CloseToTrayOrExit();
        result = 0;
        return true;
    case WM_KEYDOWN:
        if (wParam != VK_ESCAPE) return false;
        ::SendMessageA(hwnd(), WM_CLOSE, 0, 0);
        result = 0;
        return true;
    case kSystemMenuRequest:
        OpenSystemMenu();
        result = 0;
        return true;
    case WM_SYSCOMMAND:
        // Alt alone or F10: the window has no menu bar, its menus are Tools and Help.
        if ((wParam & 0xFFF0) != SC_KEYMENU || lParam != 0) return false;
        OpenMenu(kIdOperations, kOperationsMenu, std::size(kOperationsMenu), true);
        result = 0;
        return true;
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(hwnd(), &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, background_.Get());
        result = 1;
        return true;
    }
    case WM_CTLCOLORSTATIC:
        ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(background_.Get());
        return true;
    default:
        return false;
    }
}

void MainWindow::OnDestroy() {
    if (listening_) parts_.session->RemoveListener(this);
    listening_ = false;
    if (view_.hwnd()) ::DestroyWindow(view_.hwnd());
}

}  // namespace zema
