#pragma once
// Base of the skinned controls: subclasses an existing control, routes its
// messages to one virtual hook, and tracks mouse hover for those that show
// it.

#include <windows.h>

#include "win/dpi.h"

namespace zema {

class SkinControl {
public:
    SkinControl() = default;
    virtual ~SkinControl();
    SkinControl(const SkinControl&) = delete;
    SkinControl& operator=(const SkinControl&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Redraw off, enable or disable, redraw on, repaint.
    void Enable(bool enable);
    bool IsHovered() const { return hover_; }
    // Shows the hover look without a mouse (the gallery and tests); the
    // next real mouse leave clears it.
    void SetHover(bool hover);
    // The scale the control draws at (its dialog's).
    win::Dpi dpi() const;

protected:
    bool Subclass(HWND control);
    // True when the message was answered, with `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    LRESULT CallDefault(UINT message, WPARAM wParam, LPARAM lParam);
    // On a mouse move: asks for hover and leave notifications once.
    void TrackHover(DWORD hoverMilliseconds);
    // Handles WM_MOUSEHOVER and WM_MOUSELEAVE for the hover flag.
    bool HandleHoverMessages(UINT message);
    void Repaint() const;
    virtual void OnHoverChanged() { Repaint(); }
    // WM_ERASEBKGND (nothing to erase: `paint` covers the whole control) and
    // WM_PAINT, also into a device context passed in wParam.
    template <typename PaintFn>
    bool HandlePaintMessages(UINT message, WPARAM wParam, LRESULT& result, PaintFn paint) {
        if (message == WM_ERASEBKGND) {
            result = TRUE;
            return true;
        }
        if (message != WM_PAINT) return false;
        PAINTSTRUCT ps;
        HDC dc = wParam ? reinterpret_cast<HDC>(wParam) : ::BeginPaint(hwnd_, &ps);
        paint(dc);
        if (!wParam) ::EndPaint(hwnd_, &ps);
        result = 0;
        return true;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR id, DWORD_PTR data);
    void Detach();

    HWND hwnd_ = nullptr;
    bool hover_ = false;
    bool tracking_ = false;
};

}  // namespace zema
