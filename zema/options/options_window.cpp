#include "zema/options/options_window.h"

#include "win/window_position.h"
#include "zema/options/options_ids.h"
#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skin_list_box.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr int kPageItemHeight = 26;

const ControlText kTextMap[] = {
    {IDAPPLY, "rns_idapply"},
    {IDOK, "rns_idok"},
    {IDCANCEL, "rns_idcancel"},
    {-1, nullptr},
};

}  // namespace

OptionsWindow::OptionsWindow(const SkinResources& skin, std::vector<std::unique_ptr<OptionsPage>> pages)
    : SkinnedDialog(skin, FrameStyle::FromSkin(skin, "optionswindow", kCloseButton)),
      pages_(std::move(pages)) {}

OptionsWindow::~OptionsWindow() = default;

DialogTemplate OptionsWindow::Layout() {
    DialogTemplate window(WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_CLIPCHILDREN, 0, 0, 380, 239,
                          "", "Tahoma", 8);
    window
        .Add(IDC_LIST_OPTION_PAGES, "LISTBOX", "",
             LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
                 WS_TABSTOP,
             11, 11, 80, 189, WS_EX_CLIENTEDGE)
        .Label(IDC_STATIC_OPTION_PAGE_PLACE, "", 95, 11, 272, 189)
        .Label(IDC_STATIC, "", 11, 206, 357, 1, SS_ETCHEDHORZ)
        .PushButton(IDAPPLY, "", 167, 213, 64, 14)
        .PushButton(IDOK, "", 236, 213, 64, 14, BS_DEFPUSHBUTTON | WS_TABSTOP)
        .PushButton(IDCANCEL, "", 304, 213, 64, 14);
    return window;
}

INT_PTR OptionsWindow::Run(HWND owner) { return RunModal(owner, Layout()); }

HWND OptionsWindow::Show(HWND owner) {
    HWND window = Create(owner, Layout());
    if (window) ::ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

bool OptionsWindow::OnInit() {
    win::CenterWindow(hwnd());
    HWND list = Item(IDC_LIST_OPTION_PAGES);
    auto pageList = std::make_unique<SkinListBox>();
    if (pageList->Attach(list, skin())) controls_.push_back(std::move(pageList));
    for (int id : {IDAPPLY, IDOK, IDCANCEL}) {
        auto button = std::make_unique<SkinButton>();
        if (button->Attach(Item(id), skin())) controls_.push_back(std::move(button));
    }
    icon_.Reset(skin().GetIcon("rni_operation", dpi().Value()));
    if (icon_) ::SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));

    HWND place = Item(IDC_STATIC_OPTION_PAGE_PLACE);
    ::ShowWindow(place, SW_HIDE);
    RECT area;
    ::GetWindowRect(place, &area);
    ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&area), 2);
    for (size_t i = 0; i < pages_.size(); ++i) {
        OptionsPage& page = *pages_[i];
        if (!page.Create(hwnd())) continue;
        std::string title = skin().GetString(page.TitleName());
        LRESULT item = ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
        if (item >= 0)
            ::SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
        // Right after the list in the tab order: list, page, buttons.
        ::SetWindowPos(page.hwnd(), list, area.left, area.top, area.right - area.left,
                       area.bottom - area.top, SWP_NOACTIVATE);
        ::SendMessageA(list, LB_SETITEMHEIGHT, 0, Px(kPageItemHeight));
    }
    ::SendMessageA(list, LB_SETCURSEL, 0, 0);
    OnPageSelected();
    skin().ApplyControlTexts(hwnd(), kTextMap);
    ::SetWindowTextA(hwnd(), skin().GetString("rns_option").c_str());
    return true;
}

void OptionsWindow::OnDpiChanged(win::Dpi dpi) {
    icon_.Reset(skin().GetIcon("rni_operation", dpi.Value()));
    if (icon_) ::SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));
    ::SendMessageA(Item(IDC_LIST_OPTION_PAGES), LB_SETITEMHEIGHT, 0, Px(kPageItemHeight));
}

void OptionsWindow::OnDestroy() {
    // The pages go while their windows still exist, so each leaves the
    // application's list of dialogs as it goes.
    pages_.clear();
    shown_ = -1;
}

bool OptionsWindow::OnCommand(WORD id, WORD code, HWND) {
    switch (id) {
    case IDC_LIST_OPTION_PAGES:
        if (code == LBN_SELCHANGE) OnPageSelected();
        // A cancelled selection leaves the shown page where it is: the page
        // is asked, and its answer changes nothing.
        if (code == LBN_SELCANCEL && shown_ >= 0) pages_[shown_]->Leave();
        return true;
    case IDAPPLY:
        ApplyPages(false);
        applied_ = true;
        return true;
    case IDOK:
        if (ApplyPages(true)) {
            applied_ = true;
            Close(IDOK);
        }
        return true;
    case IDCANCEL:
        Close(IDCANCEL);
        return true;
    }
    return false;
}

void OptionsWindow::SelectPage(int index) {
    ::SendMessageA(Item(IDC_LIST_OPTION_PAGES), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    OnPageSelected();
}

void OptionsWindow::OnPageSelected() {
    HWND list = Item(IDC_LIST_OPTION_PAGES);
    LRESULT item = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (item == LB_ERR) return;
    auto index = static_cast<int>(::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(item), 0));
    if (index == shown_ || index < 0 || index >= static_cast<int>(pages_.size())) return;
    if (shown_ >= 0 && !pages_[shown_]->Leave()) {
        for (LRESULT i = 0, n = ::SendMessageA(list, LB_GETCOUNT, 0, 0); i < n; ++i)
            if (::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0) == shown_)
                ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        return;
    }
    ShowPage(index);
}

void OptionsWindow::ShowPage(int index) {
    OptionsPage& page = *pages_[index];
    ::ShowWindow(page.hwnd(), SW_SHOW);
    ::SetWindowTextA(page.hwnd(), skin().GetString(page.TitleName()).c_str());
    int previous = shown_;
    shown_ = index;
    if (previous >= 0) ::ShowWindow(pages_[previous]->hwnd(), SW_HIDE);
}

bool OptionsWindow::ApplyPages(bool stopOnFailure) {
    for (auto& page : pages_) {
        if (!page->hwnd()) continue;
        if (!page->Apply() && stopOnFailure) return false;
    }
    return true;
}

}  // namespace zema
