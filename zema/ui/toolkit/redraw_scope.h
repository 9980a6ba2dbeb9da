#pragma once
// Many changes to a list, one repaint: drawing is off while the scope lives,
// and the whole list is repainted when it ends.

#include <windows.h>

namespace zema {

class RedrawScope {
public:
    explicit RedrawScope(HWND window) : window_(window) {
        ::SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawScope() {
        ::SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(window_, nullptr, TRUE);
    }
    RedrawScope(const RedrawScope&) = delete;
    RedrawScope& operator=(const RedrawScope&) = delete;

private:
    HWND window_;
};

}  // namespace zema
