#pragma once
// Base of the Options window's pages: a child dialog placed inside the
// window, painted in the skin's window colours, that takes its controls into
// the settings on Apply.

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "win/unique_handle.h"
#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/skin_control.h"

namespace zema {

class SettingsStore;
class SkinResources;

// One item of a drop-down list: its skin string and the value it stands for.
struct ListItem {
    const char* text;
    int value;
};

class OptionsPage : public Dialog {
public:
    OptionsPage(const SkinResources& skin, SettingsStore& settings, const char* titleName);
    ~OptionsPage() override;

    // Makes the page, hidden, as a child of the window.
    bool Create(HWND window);
    // Skin string naming the page in the window's list.
    const char* TitleName() const { return titleName_; }

    // Takes the controls into the settings and writes them.
    virtual bool Apply() = 0;
    // Asked before another page is shown.
    virtual bool Leave() { return true; }

protected:
    // The page's controls, in dialog units, in tab order.
    virtual DialogTemplate Layout() const = 0;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    const SkinResources& skin() const { return skin_; }
    SettingsStore& settings() { return settings_; }
    // A page template: a child control dialog of the given size.
    static DialogTemplate PageTemplate(int cx, int cy);

    // Skins the page's push buttons and drop-down lists.
    void SkinControls(std::initializer_list<int> buttons, std::initializer_list<int> lists);
    bool Checked(int id) const;
    void SetChecked(int id, bool checked);
    std::string Text(int id) const;
    void SetText(int id, const std::string& text);
    void LimitText(int id, int chars);
    void EnableItems(std::initializer_list<int> ids, bool enable);
    // Fills a drop-down list with skin strings, each item carrying its value.
    void FillList(int id, const ListItem* items, size_t count);
    // Selects the item whose value equals `value` masked; no selection when
    // none does.
    void SelectValue(int id, int value, int mask = -1);
    // False when nothing is selected.
    bool SelectedValue(int id, int& value) const;

private:
    const SkinResources& skin_;
    SettingsStore& settings_;
    const char* titleName_;
    COLORREF textColor_ = 0;
    win::Brush background_;
    std::vector<std::unique_ptr<SkinControl>> controls_;
};

}  // namespace zema
