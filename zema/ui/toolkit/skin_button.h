#pragma once
// An owner-drawn push button with a two-colour gradient face per state, an
// optional 16x16 icon and hover tracking.

#include <windows.h>

#include <string>

#include "win/unique_handle.h"
#include "zema/ui/toolkit/skin_control.h"

namespace zema {

class SkinResources;

enum ButtonFamily { kStandardButton = 0, kRepairButton, kStopButton };

enum ButtonState { kButtonNormal = 0, kButtonSelect, kButtonHover, kButtonDisable };

struct ButtonColors {
    COLORREF faceTop;
    COLORREF faceBottom;
    COLORREF text;
    COLORREF edge;
};

// CLR_INVALID in SetColors keeps the current value.
constexpr COLORREF kKeepColor = CLR_INVALID;

class SkinButton : public SkinControl {
public:
    // Takes the skin's "btn" colours; makes the button owner-drawn.
    bool Attach(HWND button, const SkinResources& skin);
    // Another colour family: the repair button's, or the stop button's
    // (whose faces end in the standard bottom colours).
    void UseFamily(const SkinResources& skin, ButtonFamily family);
    void SetColors(ButtonState state, COLORREF faceTop, COLORREF faceBottom, COLORREF text,
                   COLORREF edge);
    const ButtonColors& Colors(ButtonState state) const { return colors_[state]; }
    void SetGradient(bool gradient) { gradient_ = gradient; }
    // Owned from here on.
    void SetIcon(HICON icon);

    // The colours a face is drawn with for these flags.
    struct Look {
        COLORREF faceTop;
        COLORREF faceBottom;
        COLORREF text;
        COLORREF edge;
    };
    Look LookFor(bool select, bool hover, bool disabled) const;

    void Paint(const DRAWITEMSTRUCT& item);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    ButtonColors colors_[4] = {};
    bool gradient_ = true;
    win::Icon icon_;
};

}  // namespace zema
