#include "zema/ui/toolkit/drawing.h"

#include <algorithm>

#include "win/unique_handle.h"

namespace zema {
namespace {

constexpr int kFrameCorner = 4;

BYTE Blend(BYTE first, BYTE second, int i, int n) {
    return static_cast<BYTE>(second + (static_cast<int>(first) - second) * i / n);
}

COLORREF BlendColor(Gradient colors, int i, int n) {
    return RGB(Blend(GetRValue(colors.first), GetRValue(colors.second), i, n),
               Blend(GetGValue(colors.first), GetGValue(colors.second), i, n),
               Blend(GetBValue(colors.first), GetBValue(colors.second), i, n));
}

void DrawLine(HDC dc, COLORREF color, int x0, int y0, int x1, int y1) {
    win::Pen pen(::CreatePen(PS_SOLID, 1, color));
    if (!pen) return;
    HGDIOBJ old = ::SelectObject(dc, pen.Get());
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
    ::SelectObject(dc, old);
}

// Restores the DC's clip region on scope exit.
class ClipScope {
public:
    ClipScope(HDC dc, const RECT& rect) : dc_(dc), saved_(::SaveDC(dc)) {
        ::IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    }
    ~ClipScope() { ::RestoreDC(dc_, saved_); }
    ClipScope(const ClipScope&) = delete;
    ClipScope& operator=(const ClipScope&) = delete;

private:
    HDC dc_;
    int saved_;
};

}  // namespace

void FillGradientFromRight(HDC dc, const RECT& rect, Gradient colors) {
    int n = rect.right - rect.left;
    for (int i = 0; i < n; ++i) {
        int x = rect.right - 1 - i;
        DrawLine(dc, BlendColor(colors, i, n), x, rect.top, x, rect.bottom);
    }
}

void FillGradientFromBottom(HDC dc, const RECT& rect, Gradient colors) {
    int n = rect.bottom - rect.top;
    for (int i = 0; i < n; ++i) {
        int y = rect.bottom - 1 - i;
        DrawLine(dc, BlendColor(colors, i, n), rect.left, y, rect.right, y);
    }
}

RECT DrawTextInBox(HDC dc, const std::string& text, const RECT& rect, UINT format,
                   COLORREF textColor, COLORREF backColor, bool transparent) {
    RECT used = rect;
    if (rect.right <= rect.left) {
        used.right = used.left;
        return used;
    }
    COLORREF oldText = ::SetTextColor(dc, textColor);
    COLORREF oldBack = ::SetBkColor(dc, backColor);
    int oldMode = ::SetBkMode(dc, transparent ? TRANSPARENT : OPAQUE);
    // Measure first: DT_CALCRECT keeps the left/top and sizes the rest.
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &used, format | DT_CALCRECT);
    RECT box = rect;
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
    ::SetBkMode(dc, oldMode);
    ::SetBkColor(dc, oldBack);
    ::SetTextColor(dc, oldText);
    // Place the measured extent the way the alignment flags placed the text.
    int width = std::min(used.right - used.left, rect.right - rect.left);
    int height = std::min(used.bottom - used.top, rect.bottom - rect.top);
    used.left = rect.left;
    if (format & DT_CENTER) used.left = rect.left + (rect.right - rect.left - width) / 2;
    if (format & DT_RIGHT) used.left = rect.right - width;
    used.top = rect.top;
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER))
        used.top = rect.top + (rect.bottom - rect.top - height) / 2;
    if ((format & DT_SINGLELINE) && (format & DT_BOTTOM)) used.top = rect.bottom - height;
    used.right = used.left + width;
    used.bottom = used.top + height;
    return used;
}

void DrawCheckMark(HDC dc, const RECT& rect, bool checked, HICON checkedIcon,
                   HICON uncheckedIcon, int size) {
    RECT glyph;
    glyph.left = rect.left + (rect.right - rect.left - size) / 2;
    glyph.top = rect.top + (rect.bottom - rect.top - size) / 2;
    glyph.right = glyph.left + size;
    glyph.bottom = glyph.top + size;
    HICON icon = checked ? checkedIcon : uncheckedIcon;
    if (icon) {
        ::DrawIconEx(dc, glyph.left, glyph.top, icon, size, size, 0, nullptr, DI_NORMAL);
        return;
    }
    UINT state = DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0);
    ::DrawFrameControl(dc, &glyph, DFC_BUTTON, state);
}

void DrawProgressBar(HDC dc, const RECT& rect, double fraction, COLORREF frame,
                     Gradient done, Gradient rest, win::Dpi scale) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    ClipScope clip(dc, rect);

    win::Pen pen(::CreatePen(PS_SOLID, 1, frame));
    HGDIOBJ oldPen = ::SelectObject(dc, pen.Get());
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    int corner = scale.Scale(kFrameCorner);
    ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, corner, corner);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);

    RECT inner = rect;
    ::InflateRect(&inner, -1, -1);
    if (inner.right <= inner.left) return;
    int split = inner.left + static_cast<int>((inner.right - inner.left) * fraction + 0.5);
    RECT doneRect = inner;
    doneRect.right = split;
    RECT restRect = inner;
    restRect.left = split;
    FillGradientFromBottom(dc, doneRect, done);
    FillGradientFromBottom(dc, restRect, rest);
}

HBITMAP ScaleBitmapSmoothly(HBITMAP source, int percent, int sourcePercent) {
    BITMAP info = {};
    if (!source || sourcePercent <= 0 || !::GetObjectA(source, sizeof(info), &info))
        return source;
    int width = std::max(1, ::MulDiv(info.bmWidth, percent, sourcePercent));
    int height = std::max(1, ::MulDiv(info.bmHeight, percent, sourcePercent));
    win::Bitmap original(source);
    win::Bitmap scaled(CreateBlankImage(width, height));
    HDC from = ::CreateCompatibleDC(nullptr);
    HDC to = ::CreateCompatibleDC(nullptr);
    bool drawn = false;
    if (scaled && from && to) {
        HGDIOBJ oldFrom = ::SelectObject(from, original.Get());
        HGDIOBJ oldTo = ::SelectObject(to, scaled.Get());
        ::SetStretchBltMode(to, HALFTONE);
        ::SetBrushOrgEx(to, 0, 0, nullptr);
        drawn = ::StretchBlt(to, 0, 0, width, height, from, 0, 0, info.bmWidth, info.bmHeight,
                             SRCCOPY) != FALSE;
        ::SelectObject(to, oldTo);
        ::SelectObject(from, oldFrom);
    }
    if (to) ::DeleteDC(to);
    if (from) ::DeleteDC(from);
    return drawn ? scaled.Release() : original.Release();
}

HBITMAP CreateBlankImage(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace zema
