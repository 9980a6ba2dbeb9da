#include "zema/options/options_page.h"

#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skin_combo.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

// The face the page layouts were measured in.
constexpr char kPageFont[] = "Tahoma";
constexpr WORD kPagePoints = 8;

}  // namespace

OptionsPage::OptionsPage(const SkinResources& skin, SettingsStore& settings, const char* titleName)
    : skin_(skin), settings_(settings), titleName_(titleName) {}

OptionsPage::~OptionsPage() = default;

DialogTemplate OptionsPage::PageTemplate(int cx, int cy) {
    return DialogTemplate(DS_CONTROL | WS_CHILD, 0, 0, cx, cy, "", kPageFont, kPagePoints);
}

bool OptionsPage::Create(HWND window) {
    textColor_ = skin_.GetColor("rnc_window_text");
    background_.Reset(::CreateSolidBrush(skin_.GetColor("rnc_window_background")));
    return Dialog::Create(window, Layout()) != nullptr;
}

bool OptionsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(hwnd(), &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, background_.Get());
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::IsWindowEnabled(reinterpret_cast<HWND>(lParam))
                               ? textColor_
                               : ::GetSysColor(COLOR_GRAYTEXT));
        result = reinterpret_cast<LRESULT>(background_.Get());
        return true;
    }
    }
    return false;
}

void OptionsPage::SkinControls(std::initializer_list<int> buttons, std::initializer_list<int> lists) {
    for (int id : buttons) {
        auto button = std::make_unique<SkinButton>();
        if (button->Attach(Item(id), skin_)) controls_.push_back(std::move(button));
    }
    for (int id : lists) {
        auto combo = std::make_unique<SkinCombo>();
        if (combo->Attach(Item(id))) controls_.push_back(std::move(combo));
    }
}

bool OptionsPage::Checked(int id) const {
    return ::IsDlgButtonChecked(hwnd(), id) == BST_CHECKED;
}

void OptionsPage::SetChecked(int id, bool checked) {
    ::CheckDlgButton(hwnd(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::string OptionsPage::Text(int id) const {
    HWND item = Item(id);
    int length = ::GetWindowTextLengthA(item);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    int got = ::GetWindowTextA(item, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void OptionsPage::SetText(int id, const std::string& text) {
    ::SetDlgItemTextA(hwnd(), id, text.c_str());
}

void OptionsPage::LimitText(int id, int chars) {
    ::SendDlgItemMessageA(hwnd(), id, EM_LIMITTEXT, static_cast<WPARAM>(chars), 0);
}

void OptionsPage::EnableItems(std::initializer_list<int> ids, bool enable) {
    for (int id : ids) ::EnableWindow(Item(id), enable ? TRUE : FALSE);
}

void OptionsPage::FillList(int id, const ListItem* items, size_t count) {
    HWND list = Item(id);
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < count; ++i) {
        std::string text = skin_.GetString(items[i].text);
        LRESULT index = ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index >= 0)
            ::SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(index), items[i].value);
    }
}

void OptionsPage::SelectValue(int id, int value, int mask) {
    HWND list = Item(id);
    LRESULT count = ::SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        auto data = static_cast<int>(::SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
        if (data == (value & mask)) {
            ::SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
    ::SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

bool OptionsPage::SelectedValue(int id, int& value) const {
    HWND list = Item(id);
    LRESULT index = ::SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return false;
    value = static_cast<int>(::SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
    return true;
}

}  // namespace zema
