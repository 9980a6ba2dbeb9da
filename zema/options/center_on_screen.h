#pragma once

#include <windows.h>

namespace zema {

// Centres a top-level window on its monitor, kept inside the work area.
void CenterOnScreen(HWND window);

}  // namespace zema
