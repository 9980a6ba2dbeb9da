#include "zema/ui/toolkit/skin_combo.h"

#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/memory_canvas.h"

namespace zema {
namespace {

constexpr COLORREF kOuterFrame = RGB(126, 126, 126);
constexpr COLORREF kInnerFrame = RGB(255, 255, 255);

}  // namespace

bool SkinCombo::Attach(HWND combo) {
    if (!Subclass(combo)) return false;
    Repaint();
    return true;
}

void SkinCombo::PaintFrame() {
    HDC dc = ::GetDC(hwnd());
    if (!dc) return;
    RECT client;
    ::GetClientRect(hwnd(), &client);
    FrameRectColor(dc, client, kOuterFrame);
    ::InflateRect(&client, -1, -1);
    FrameRectColor(dc, client, kInnerFrame);
    ::ReleaseDC(hwnd(), dc);
}

bool SkinCombo::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_PAINT:
        result = CallDefault(message, wParam, lParam);
        PaintFrame();
        return true;
    case WM_MOUSEMOVE:
        TrackHover(1);
        return false;
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
        HandleHoverMessages(message);
        result = 0;
        return true;
    case WM_LBUTTONDOWN:
        pressed_ = true;
        return false;
    case WM_LBUTTONUP:
        pressed_ = false;
        return false;
    case kReflectedCommand:
        if (HIWORD(wParam) == CBN_SELCHANGE || HIWORD(wParam) == CBN_CLOSEUP) {
            pressed_ = false;
            Repaint();
        }
        result = 0;
        return true;
    }
    return false;
}

}  // namespace zema
