#pragma once

#include <windows.h>

namespace win {

// Centres a top-level window over `over` when that is shown and not
// minimised, else over the work area of the window's monitor, and keeps it
// inside that work area. Size, z-order and activation stay as they are.
void CenterWindow(HWND window, HWND over = nullptr);

}  // namespace win
