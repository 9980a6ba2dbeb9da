#pragma once
// A list view's header painted as a gradient band with engraved column
// separators.

#include <windows.h>

#include "zema/ui/toolkit/skin_control.h"

namespace zema {

class SkinResources;

class SkinHeader : public SkinControl {
public:
    bool Attach(HWND header, const SkinResources& skin);
    // Convenience: the header of a list view.
    bool AttachToList(HWND listView, const SkinResources& skin);
    void SetGradient(bool gradient) { gradient_ = gradient; }
    void SetColors(COLORREF from, COLORREF to, COLORREF text, COLORREF edge);

    // The separator's dark and light lines for a background colour: each
    // channel lowered by 10 and raised by 80, wrapping modulo 256.
    static COLORREF SeparatorDark(COLORREF background);
    static COLORREF SeparatorLight(COLORREF background);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Paint(HDC dc);

    bool gradient_ = true;
    COLORREF from_ = 0;
    COLORREF to_ = 0;
    COLORREF text_ = 0;
    COLORREF edge_ = 0;
};

}  // namespace zema
