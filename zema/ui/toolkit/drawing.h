#pragma once
// Drawing routines of the skinned controls: gradients, boxed text, the check
// glyph and the progress bar.

#include <windows.h>

#include <string>

#include "win/dpi.h"

namespace zema {

struct Gradient {
    COLORREF first;
    COLORREF second;
};

// One-pixel vertical lines from the right edge leftwards; line i of n has
// each channel at second + (first - second) * i / n.
// A 32-bit image of the given size with every pixel zero (transparent):
// it keeps an image list's indexes where the skin lacks a picture.
HBITMAP CreateBlankImage(int width, int height);

// `source` (taken over) resized by percent / sourcePercent with halftone
// resampling, as a 32-bit DIB section; `source` itself when that fails.
HBITMAP ScaleBitmapSmoothly(HBITMAP source, int percent, int sourcePercent);

void FillGradientFromRight(HDC dc, const RECT& rect, Gradient colors);
// One-pixel horizontal lines from the bottom edge upwards, same blend.
void FillGradientFromBottom(HDC dc, const RECT& rect, Gradient colors);

// Draws text with DrawText `format` flags and returns the rectangle the text
// occupies; a rectangle without width draws nothing and returns it empty.
RECT DrawTextInBox(HDC dc, const std::string& text, const RECT& rect, UINT format,
                   COLORREF textColor, COLORREF backColor, bool transparent);

// A check glyph (16x16 at 96 DPI, `size` square) centred in the rectangle:
// the given icon when there is one, else the system's flat check box.
void DrawCheckMark(HDC dc, const RECT& rect, bool checked, HICON checkedIcon,
                   HICON uncheckedIcon, int size = 16);

// Rounded frame, then the done fraction (0.0 to 1.0) in one gradient and the
// rest in the other, clipped to the rectangle; the corner at `scale`.
void DrawProgressBar(HDC dc, const RECT& rect, double fraction, COLORREF frame,
                     Gradient done, Gradient rest, win::Dpi scale = {});

}  // namespace zema
