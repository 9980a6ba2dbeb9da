#pragma once
// A check box drawn as an icon and a text on its parent's background. It
// stays a check-box button: the button keeps the check state, so
// BM_GETCHECK, IsDlgButtonChecked and assistive technology read it as a
// check box, and only the painting is the skin's.

#include <windows.h>

#include "win/unique_handle.h"
#include "zema/ui/toolkit/accessible.h"
#include "zema/ui/toolkit/skin_control.h"

namespace zema {

class SkinResources;

class SkinIconCheck : public SkinControl, private AccessibleSource {
public:
    SkinIconCheck() : accessible_(*this) {}
    // Takes rni_checked and rni_unchecked from the skin; the control must be
    // a check box (BS_CHECKBOX or BS_AUTOCHECKBOX).
    bool Attach(HWND checkBox, const SkinResources& skin);
    // Owned from here on; null icons draw the flat system glyph.
    void SetIcons(HICON checked, HICON unchecked);
    void SetTextColors(COLORREF enabled, COLORREF disabled);
    bool IsChecked() const;
    void SetChecked(bool checked);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    AccessibleItem Self() const override;
    bool DoDefaultAction(int item) override;
    void Paint(HDC dc);
    // Runs a message that makes the button draw itself directly, with its
    // drawing held back, then paints the skin's look once.
    LRESULT WithOwnPainting(UINT message, WPARAM wParam, LPARAM lParam);

    win::Icon checkedIcon_;
    win::Icon uncheckedIcon_;
    COLORREF textColor_ = RGB(0, 0, 0);
    COLORREF disabledTextColor_ = ::GetSysColor(COLOR_GRAYTEXT);
    AccessibleHost accessible_;
};

}  // namespace zema
