#pragma once
// The options window's page list: an owner-drawn list box (the template
// gives it LBS_OWNERDRAWFIXED | LBS_HASSTRINGS) with a filled selection and
// framed items.

#include <windows.h>

#include <string>

#include "zema/ui/toolkit/accessible.h"
#include "zema/ui/toolkit/skin_control.h"

namespace zema {

class SkinResources;

class SkinListBox : public SkinControl, private AccessibleSource {
public:
    SkinListBox() : accessible_(*this) {}
    static constexpr int kDefaultItemHeight = 26;

    bool Attach(HWND listBox, const SkinResources& skin);
    void SetItemHeight(int height);
    void PaintItem(const DRAWITEMSTRUCT& item);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    AccessibleItem Self() const override;
    int ItemCount() const override;
    AccessibleItem Item(int index) const override;
    std::string ItemText(int index) const;

    int itemHeight_ = kDefaultItemHeight;
    COLORREF background_ = RGB(255, 255, 255);
    COLORREF text_ = RGB(0, 0, 0);
    AccessibleHost accessible_;
};

}  // namespace zema
