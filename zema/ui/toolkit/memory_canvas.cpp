#include "zema/ui/toolkit/memory_canvas.h"

namespace zema {

MemoryCanvas::MemoryCanvas(HDC target, const RECT& area) : target_(target), area_(area) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    HDC memory = ::CreateCompatibleDC(target);
    if (!memory) return;
    bitmap_.Reset(::CreateCompatibleBitmap(target, width, height));
    if (!bitmap_) {
        ::DeleteDC(memory);
        return;
    }
    memory_ = memory;
    oldBitmap_ = ::SelectObject(memory_, bitmap_.Get());
    ::SetWindowOrgEx(memory_, area.left, area.top, &oldOrigin_);
    // Start from the target's current font, so text drawn without a font of
    // its own looks as it would on the target.
    ::SelectObject(memory_, ::GetCurrentObject(target, OBJ_FONT));
}

MemoryCanvas::~MemoryCanvas() {
    if (!memory_) return;
    ::BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top,
             memory_, area_.left, area_.top, SRCCOPY);
    ::SelectObject(memory_, ::GetStockObject(SYSTEM_FONT));
    ::SelectObject(memory_, oldBitmap_);
    ::DeleteDC(memory_);
}

void PaintParentBackground(HWND control, HDC dc) {
    HWND parent = ::GetParent(control);
    if (!parent) return;
    POINT origin = {0, 0};
    ::MapWindowPoints(control, parent, &origin, 1);
    POINT old;
    ::OffsetWindowOrgEx(dc, origin.x, origin.y, &old);
    ::SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::SetWindowOrgEx(dc, old.x, old.y, nullptr);
}

void FrameRectColor(HDC dc, const RECT& rect, COLORREF color) {
    win::Brush brush(::CreateSolidBrush(color));
    if (brush) ::FrameRect(dc, &rect, brush.Get());
}

void FillRectColor(HDC dc, const RECT& rect, COLORREF color) {
    win::Brush brush(::CreateSolidBrush(color));
    if (brush) ::FillRect(dc, &rect, brush.Get());
}

}  // namespace zema
