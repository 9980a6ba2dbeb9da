#pragma once
// Flicker-free painting: draw into a memory bitmap, copy it out in one go.

#include <windows.h>

#include "win/unique_handle.h"

namespace zema {

// Selects a GDI object into a DC for one scope and puts the old one back.
// A null object selects nothing.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectScope() {
        if (old_) ::SelectObject(dc_, old_);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A memory DC with a bitmap as large as `area` (in the target's coordinates;
// the canvas uses the same coordinates). The destructor copies the canvas to
// the target. When the bitmap cannot be made, drawing goes straight to the
// target instead.
class MemoryCanvas {
public:
    MemoryCanvas(HDC target, const RECT& area);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    HDC dc() const { return memory_ ? memory_ : target_; }
    const RECT& area() const { return area_; }

private:
    HDC target_;
    RECT area_;
    HDC memory_ = nullptr;
    win::Bitmap bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    POINT oldOrigin_ = {};
};

// Paints the parent's background under a control into `dc` (in the
// control's client coordinates), for controls that have none of their own.
void PaintParentBackground(HWND control, HDC dc);

// A 1-pixel rectangle outline in one colour.
void FrameRectColor(HDC dc, const RECT& rect, COLORREF color);
void FillRectColor(HDC dc, const RECT& rect, COLORREF color);

}  // namespace zema
