#pragma once
// A static control painted as a solid or gradient band with its text, or as
// an icon alone.

#include <windows.h>

#include "win/unique_handle.h"
#include "zema/ui/toolkit/skin_control.h"

namespace zema {

enum LabelFill { kFillSolid = 0, kFillHorizontal, kFillVertical };

class SkinLabel : public SkinControl {
public:
    bool Attach(HWND label);
    void SetFill(LabelFill mode, COLORREF first, COLORREF second);
    void SetTextColor(COLORREF color);
    // Owned from here on.
    void SetFont(HFONT font);
    void SetIcon(HICON icon);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Paint(HDC dc);

    LabelFill mode_ = kFillSolid;
    COLORREF first_ = RGB(26, 26, 26);
    COLORREF second_ = RGB(255, 255, 255);
    COLORREF text_ = RGB(255, 255, 255);
    win::Font font_;
    win::Icon icon_;
};

}  // namespace zema
