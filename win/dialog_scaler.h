#pragma once
// A dialog's pixel geometry at its display scale. The dialog manager sizes
// a template by the dialog font's average character, which does not grow in
// step with the DPI (hinting rounds it); the scaler moves the controls to
// the 96-DPI layout times dpi / 96, so every scale shows the same picture,
// and moves them again, with a font for the new scale, when the window
// changes screens.

#include <windows.h>

#include "win/dpi.h"
#include "win/unique_handle.h"

namespace win {

// One axis of a change of scale: measures become measure * num / den.
struct ScaleRatio {
    int num = 1;
    int den = 1;
    int Apply(int measure) const { return ::MulDiv(measure, num, den); }
    bool IsIdentity() const { return num == den; }
};

class DialogScaler {
public:
    // In WM_INITDIALOG, before anything else is placed: takes the window's
    // DPI and, away from 96, brings the template's controls and the client
    // size to the 96-DPI layout scaled. `templateUnits` is the template's
    // size in dialog units when known: a window the system cut to the
    // screen as it was made still knows the size its controls were placed
    // for.
    void Init(HWND dialog, SIZE templateUnits = {});
    // The window's controls for `dpi` (from the one it had): their places
    // scaled, the dialog font made for the new scale. The window's own size
    // is its caller's.
    void Rescale(HWND dialog, Dpi dpi);
    Dpi dpi() const { return dpi_; }
    // The client size Init placed the template's controls for.
    SIZE DesignedClient() const { return designed_; }

    // The scale a control inside a dialog draws at: its dialog's.
    static Dpi ForControl(HWND control);
    // Before the dialog is destroyed.
    static void Forget(HWND dialog);

    // Each direct child's rectangle (a combo box's with its list) scaled.
    static void ScaleChildren(HWND parent, ScaleRatio x, ScaleRatio y);

private:
    Dpi dpi_;
    // The dialog font as the template asked for it, at 96 DPI.
    LOGFONTA font96_ = {};
    SIZE designed_ = {};
    bool hasFont_ = false;
    HFONT worn_ = nullptr;  // what the controls wear: the template's, or font_
    Font font_;
};

}  // namespace win
