// Scenes of the skinned frame and controls: every control in each state, and
// the frame normal, with a hovered caption button, maximised and inactive.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/gallery/gallery.h"
#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skin_combo.h"
#include "zema/ui/toolkit/skin_header.h"
#include "zema/ui/toolkit/skin_icon_check.h"
#include "zema/ui/toolkit/skin_label.h"
#include "zema/ui/toolkit/skin_list_box.h"
#include "zema/ui/toolkit/skin_tab.h"
#include "zema/ui/toolkit/skinned_dialog.h"

namespace {

using namespace zema;

enum ControlState { kNormal, kHover, kPressed, kFocused, kDisabled, kStateCount };
const char* const kStateTitles[] = {"Normal", "Hover", "Pressed", "Focused", "Disabled"};

enum Row { kRowButton, kRowRepair, kRowStop, kRowCheck, kRowChecked, kRowExpand, kRowCount };
const char* const kRowTitles[] = {"Button", "Repair button", "Stop button", "Icon check",
                                  "Checked", "Expand check"};

constexpr int kFirstCellId = 2000;
constexpr int kTabId = 1901;
constexpr int kListId = 1902;
constexpr int kComboId = 1903;
constexpr int kListBoxId = 1904;
constexpr int kLabelSolidId = 1905;
constexpr int kLabelHorizontalId = 1906;
constexpr int kLabelVerticalId = 1907;
constexpr int kLabelIconId = 1908;

int CellId(int row, int state) { return kFirstCellId + row * kStateCount + state; }

// Dialog units of the grid.
constexpr int kTitleWidth = 58;
constexpr int kCellLeft = 70;
constexpr int kCellStep = 66;
constexpr int kCellWidth = 58;
constexpr int kRowTop = 20;
constexpr int kRowStep = 19;

class ControlsDialog : public SkinnedDialog {
public:
    ControlsDialog(const SkinResources& skin, int focusRow)
        : SkinnedDialog(skin, Style(skin)), focusRow_(focusRow) {}

    static DialogTemplate Layout() {
        DialogTemplate layout(WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN, 10, 10, 404, 300,
                              "Skinned controls");
        for (int state = 0; state < kStateCount; ++state)
            layout.Label(-1, kStateTitles[state], kCellLeft + state * kCellStep, 6, kCellWidth, 9,
                         SS_CENTER);
        for (int row = 0; row < kRowCount; ++row) {
            int y = kRowTop + row * kRowStep;
            layout.Label(-1, kRowTitles[row], 8, y + 3, kTitleWidth, 9);
            for (int state = 0; state < kStateCount; ++state) {
                int x = kCellLeft + state * kCellStep;
                if (row <= kRowStop) {
                    const char* text = row == kRowButton ? "&Scan" : row == kRowRepair ? "&Repair" : "S&top";
                    layout.PushButton(CellId(row, state), text, x, y, kCellWidth, 15);
                } else {
                    const char* text = row == kRowExpand ? "&Expand all" : "Select &all";
                    layout.CheckBox(CellId(row, state), text, x, y + 1, kCellWidth, 13);
                }
            }
        }
        int y = kRowTop + kRowCount * kRowStep + 6;
        layout.Add(kTabId, WC_TABCONTROLA, "", WS_CLIPSIBLINGS, 8, y, 190, 70);
        layout.Add(kListId, WC_LISTVIEWA, "", LVS_REPORT | LVS_NOSORTHEADER | WS_BORDER, 206, y,
                   190, 70);
        y += 78;
        layout.Label(kLabelSolidId, "Solid label", 8, y, 92, 14);
        layout.Label(kLabelHorizontalId, "Horizontal gradient", 104, y, 92, 14);
        layout.Label(kLabelVerticalId, "Vertical gradient", 200, y, 92, 14);
        layout.Label(kLabelIconId, "", 300, y - 2, 20, 20);
        y += 22;
        layout.Add(kComboId, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 8, y, 110,
                   80);
        layout.Add(kListBoxId, "LISTBOX", "",
                   LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | WS_TABSTOP | WS_BORDER, 206,
                   y, 92, 52);
        return layout;
    }

private:
    static FrameStyle Style(const SkinResources& skin) {
        return FrameStyle::FromSkin(skin, "optionswindow", kCloseButton);
    }

    bool OnInit() override {
        ::SendMessageA(hwnd(), WM_SETICON, ICON_SMALL,
                       reinterpret_cast<LPARAM>(icon_ = skin().GetIcon("rni_operation")));
        for (int row = 0; row < kRowCount; ++row) {
            for (int state = 0; state < kStateCount; ++state) {
                HWND cell = Item(CellId(row, state));
                if (row <= kRowStop) {
                    auto button = std::make_unique<SkinButton>();
                    button->Attach(cell, skin());
                    if (row == kRowRepair) button->UseFamily(skin(), kRepairButton);
                    if (row == kRowStop) button->UseFamily(skin(), kStopButton);
                    SetState(*button, state);
                    if (state == kPressed) ::SendMessageA(cell, BM_SETSTATE, TRUE, 0);
                    controls_.push_back(std::move(button));
                } else {
                    auto check = std::make_unique<SkinIconCheck>();
                    check->Attach(cell, skin());
                    if (row == kRowExpand)
                        check->SetIcons(skin().GetIcon("rni_expand_on"),
                                        skin().GetIcon("rni_expand_off"));
                    check->SetChecked(row != kRowCheck);
                    SetState(*check, state);
                    if (state == kPressed) ::SendMessageA(cell, BM_SETSTATE, TRUE, 0);
                    controls_.push_back(std::move(check));
                }
            }
        }
        InitTab();
        InitList();
        InitLabels();
        HWND combo = Item(kComboId);
        for (const char* text : {"rns_showby_product", "rns_showby_severity", "rns_showby_impact"})
            ::SendMessageA(combo, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(skin().GetString(text).c_str()));
        ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
        auto skinCombo = std::make_unique<SkinCombo>();
        skinCombo->Attach(combo);
        controls_.push_back(std::move(skinCombo));
        auto list = std::make_unique<SkinListBox>();
        list->Attach(Item(kListBoxId), skin());
        for (const char* page : {"rns_option_general", "rns_option_download", "rns_option_network"})
            ::SendMessageA(Item(kListBoxId), LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(skin().GetString(page).c_str()));
        ::SendMessageA(Item(kListBoxId), LB_SETCURSEL, 1, 0);
        controls_.push_back(std::move(list));

        // Keyboard cues and the focus rectangle show as after a Tab press.
        ::SendMessageA(hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
        ::SetFocus(Item(CellId(focusRow_, kFocused)));
        return false;
    }

    void SetState(SkinControl& control, int state) {
        if (state == kHover) control.SetHover(true);
        if (state == kDisabled) control.Enable(false);
    }

    void InitTab() {
        HWND tab = Item(kTabId);
        const char* pages[] = {"rns_general", "rns_updatelist", "rns_vulns"};
        for (int i = 0; i < 3; ++i) {
            std::string text = skin().GetString(pages[i]);
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>(text.c_str());
            TabCtrl_InsertItem(tab, i, &item);
        }
        TabCtrl_SetCurSel(tab, 0);
        auto skinTab = std::make_unique<SkinTab>();
        skinTab->Attach(tab, skin());
        skinTab->SetHoverTracking(true);
        skinTab->SetHoveredTab(2);
        controls_.push_back(std::move(skinTab));
    }

    void InitList() {
        HWND list = Item(kListId);
        const char* columns[] = {"rns_property", "rns_value", "rns_listcol_status"};
        const int widths[] = {110, 110, 90};
        const int formats[] = {LVCFMT_LEFT, LVCFMT_CENTER, LVCFMT_RIGHT};
        for (int i = 0; i < 3; ++i) {
            std::string text = skin().GetString(columns[i]);
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.fmt = formats[i];
            column.cx = widths[i];
            column.pszText = const_cast<char*>(text.c_str());
            ListView_InsertColumn(list, i, &column);
        }
        auto header = std::make_unique<SkinHeader>();
        header->AttachToList(list, skin());
        controls_.push_back(std::move(header));
    }

    void InitLabels() {
        auto solid = std::make_unique<SkinLabel>();
        solid->Attach(Item(kLabelSolidId));
        auto horizontal = std::make_unique<SkinLabel>();
        horizontal->Attach(Item(kLabelHorizontalId));
        horizontal->SetFill(kFillHorizontal, skin().GetColor("rnc_rprbtnface_normal_to"),
                            skin().GetColor("rnc_rprbtnface_hover_from"));
        auto vertical = std::make_unique<SkinLabel>();
        vertical->Attach(Item(kLabelVerticalId));
        vertical->SetFill(kFillVertical, skin().GetColor("rnc_head_bk_from"),
                          skin().GetColor("rnc_head_bk_to"));
        vertical->SetTextColor(skin().GetColor("rnc_window_text"));
        auto icon = std::make_unique<SkinLabel>();
        icon->Attach(Item(kLabelIconId));
        icon->SetIcon(skin().GetIcon("rni_warning"));
        for (auto* label : {&solid, &horizontal, &vertical, &icon}) controls_.push_back(std::move(*label));
    }

    int focusRow_;
    HICON icon_ = nullptr;
    std::vector<std::unique_ptr<SkinControl>> controls_;
};

HWND ShowControls(gallery::SceneContext& context, int focusRow) {
    auto& dialog = context.Keep(std::make_unique<ControlsDialog>(context.skin(), focusRow));
    HWND window = dialog.Create(nullptr, ControlsDialog::Layout());
    if (!window) return nullptr;
    ::ShowWindow(window, SW_SHOW);
    ::SetForegroundWindow(window);
    ::SetFocus(dialog.Item(CellId(focusRow, kFocused)));
    return window;
}

// A resizable window with all three caption buttons, as the main window
// uses the frame.
class FrameWindow : public SkinnedDialog {
public:
    explicit FrameWindow(const SkinResources& skin) : SkinnedDialog(skin, Style(skin)) {}

    static DialogTemplate Layout() {
        DialogTemplate layout(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN, 30, 30, 300,
                              150, "Zemaguard");
        layout.Label(-1, "The client area starts where the skinned frame ends.", 10, 10, 280, 10);
        layout.PushButton(IDCANCEL, "Close", 236, 128, 56, 15);
        return layout;
    }

private:
    static FrameStyle Style(const SkinResources& skin) {
        FrameStyle style = FrameStyle::FromSkin(skin, "mainwindow",
                                                kCloseButton | kMaximizeButton | kMinimizeButton);
        style.largeIcon = true;
        style.footer = "www.tolvane.com";
        return style;
    }

    bool OnInit() override {
        icon_.Reset(skin().GetIcon("rni_result_none"));
        ::SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
        frame().SetCaptionFont(skin().GetFont("rnf_result_title"));
        close_.Attach(Item(IDCANCEL), skin());
        static const LayoutRule rules[] = {{IDCANCEL, kMoveX | kMoveY}};
        SetLayout(rules, 1);
        return true;
    }

    win::Icon icon_;
    SkinButton close_;
};

FrameWindow& ShowFrame(gallery::SceneContext& context, int show) {
    auto& window = context.Keep(std::make_unique<FrameWindow>(context.skin()));
    HWND hwnd = window.Create(nullptr, FrameWindow::Layout());
    ::ShowWindow(hwnd, show);
    ::SetForegroundWindow(hwnd);
    return window;
}

}  // namespace

ZG_GALLERY_SCENE(SkinControls, "skin_controls") { return ShowControls(context, kRowButton); }

ZG_GALLERY_SCENE(SkinControlsCheckFocus, "skin_controls_check_focused") {
    return ShowControls(context, kRowChecked);
}

ZG_GALLERY_SCENE(SkinFrameNormal, "skin_frame_normal") {
    return ShowFrame(context, SW_SHOW).hwnd();
}

ZG_GALLERY_SCENE(SkinFrameHover, "skin_frame_close_hover") {
    FrameWindow& window = ShowFrame(context, SW_SHOW);
    context.Settle();
    RECT frame;
    ::GetWindowRect(window.hwnd(), &frame);
    RECT button = window.frame().ButtonRect(kCloseButton);
    POINT at = {frame.left + (button.left + button.right) / 2,
                frame.top + (button.top + button.bottom) / 2};
    ::SetCursorPos(at.x, at.y);
    ::SendMessageA(window.hwnd(), WM_NCMOUSEMOVE, HTSYSMENU, MAKELPARAM(at.x, at.y));
    return window.hwnd();
}

ZG_GALLERY_SCENE(SkinFrameMaximised, "skin_frame_maximised") {
    return ShowFrame(context, SW_SHOWMAXIMIZED).hwnd();
}

ZG_GALLERY_SCENE(SkinFrameInactive, "skin_frame_inactive") {
    FrameWindow& window = ShowFrame(context, SW_SHOW);
    // Another window takes the activation, well away from the frame.
    HWND other = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 1200, 980, 20, 20,
                                   nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    ::SetActiveWindow(other);
    return window.hwnd();
}
