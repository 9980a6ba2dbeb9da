#include "zema/ui/toolkit/skin_control.h"

#include <commctrl.h>

#include "win/dialog_scaler.h"

namespace zema {
namespace {

constexpr UINT_PTR kSubclassId = 0x5A4B;

}  // namespace

SkinControl::~SkinControl() { Detach(); }

win::Dpi SkinControl::dpi() const { return win::DialogScaler::ForControl(hwnd_); }

bool SkinControl::Subclass(HWND control) {
    Detach();
    if (!control || !::SetWindowSubclass(control, Proc, kSubclassId,
                                         reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = control;
    return true;
}

void SkinControl::Detach() {
    if (hwnd_) ::RemoveWindowSubclass(hwnd_, Proc, kSubclassId);
    hwnd_ = nullptr;
}

void SkinControl::Enable(bool enable) {
    if (!hwnd_) return;
    ::SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    ::EnableWindow(hwnd_, enable);
    ::SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void SkinControl::SetHover(bool hover) {
    if (hover_ == hover) return;
    hover_ = hover;
    OnHoverChanged();
}

LRESULT SkinControl::CallDefault(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(hwnd_, message, wParam, lParam);
}

void SkinControl::TrackHover(DWORD hoverMilliseconds) {
    if (tracking_) return;
    TRACKMOUSEEVENT track = {sizeof(track), TME_HOVER | TME_LEAVE, hwnd_, hoverMilliseconds};
    tracking_ = ::TrackMouseEvent(&track) != FALSE;
}

bool SkinControl::HandleHoverMessages(UINT message) {
    if (message == WM_MOUSEHOVER) {
        SetHover(true);
        return true;
    }
    if (message == WM_MOUSELEAVE) {
        tracking_ = false;
        SetHover(false);
        return true;
    }
    return false;
}

void SkinControl::Repaint() const {
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT CALLBACK SkinControl::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<SkinControl*>(data);
    LRESULT result = 0;
    if (message == WM_NCDESTROY) {
        // The control dies with its dialog; nothing to restore.
        result = ::DefSubclassProc(window, message, wParam, lParam);
        self->Detach();
        return result;
    }
    if (self->OnMessage(message, wParam, lParam, result)) return result;
    return ::DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace zema
