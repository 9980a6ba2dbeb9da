#pragma once
// A check box drawn as an icon and a text on its parent's background. It
// keeps its own check state and answers BM_GETCHECK and BM_SETCHECK, so
// IsDlgButtonChecked and CheckDlgButton work as on a standard check box.

#include <windows.h>

#include "win/unique_handle.h"
#include "zema/ui/toolkit/skin_control.h"

namespace zema {

class SkinResources;

class SkinIconCheck : public SkinControl {
public:
    // Takes rni_checked and rni_unchecked from the skin; makes the control
    // owner-drawn and keeps its current check state.
    bool Attach(HWND checkBox, const SkinResources& skin);
    // Owned from here on; null icons draw the flat system glyph.
    void SetIcons(HICON checked, HICON unchecked);
    void SetTextColors(COLORREF enabled, COLORREF disabled);
    bool IsChecked() const { return checked_; }
    void SetChecked(bool checked);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Paint(HDC dc);
    void Toggle();

    win::Icon checkedIcon_;
    win::Icon uncheckedIcon_;
    COLORREF textColor_ = RGB(0, 0, 0);
    COLORREF disabledTextColor_ = ::GetSysColor(COLOR_GRAYTEXT);
    bool checked_ = false;
};

}  // namespace zema
