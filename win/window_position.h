#pragma once

#include <windows.h>

namespace win {

// Centres a top-level window over `over` when that is shown and not
// minimised, else over the work area of the window's monitor, and keeps it
// inside that work area. Size, z-order and activation stay as they are.
void CenterWindow(HWND window, HWND over = nullptr);

// `place` no larger than `work` and inside it.
RECT FitInside(const RECT& place, const RECT& work);
// `place` fitted inside the work area of the monitor it is nearest to.
RECT FittedToWorkArea(const RECT& place);
// A top-level window, neither maximised nor minimised, no larger than the
// work area of its monitor, and inside it.
void FitToWorkArea(HWND window);

}  // namespace win
