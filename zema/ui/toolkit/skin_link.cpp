#include "zema/ui/toolkit/skin_link.h"

namespace zema {

bool SkinLink::Attach(HWND label) {
    if (!label || !(::GetWindowLongPtrA(label, GWL_STYLE) & SS_NOTIFY)) return false;
    return Subclass(label);
}

void SkinLink::Click() const {
    HWND parent = ::GetParent(hwnd());
    if (!parent || !::IsWindowEnabled(hwnd())) return;
    ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd()), STN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd()));
}

AccessibleItem SkinLink::Self() const {
    AccessibleItem self = WindowItem(hwnd(), ROLE_SYSTEM_LINK);
    self.state |= STATE_SYSTEM_LINKED;
    self.defaultAction = "Jump";
    return self;
}

bool SkinLink::DoDefaultAction(int item) {
    if (item != -1) return false;
    Click();
    return true;
}

bool SkinLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (accessible_.HandleMessage(hwnd(), message, wParam, lParam, result)) return true;
    switch (message) {
    case WM_GETDLGCODE:
        // Enter and Space belong to the link, not to the dialog's default button.
        result = CallDefault(message, wParam, lParam);
        if (lParam) {
            const MSG* msg = reinterpret_cast<const MSG*>(lParam);
            if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_SPACE))
                result |= DLGC_WANTMESSAGE;
        }
        return true;
    case WM_KEYDOWN:
        if (wParam != VK_RETURN && wParam != VK_SPACE) return false;
        Click();
        result = 0;
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        result = CallDefault(message, wParam, lParam);
        ::InvalidateRect(hwnd(), nullptr, TRUE);
        return true;
    case WM_PAINT: {
        if (wParam) return false;
        result = CallDefault(message, wParam, lParam);
        LRESULT cues = ::SendMessageA(hwnd(), WM_QUERYUISTATE, 0, 0);
        if (::GetFocus() == hwnd() && !(cues & UISF_HIDEFOCUS)) {
            HDC dc = ::GetDC(hwnd());
            if (dc) {
                RECT client;
                ::GetClientRect(hwnd(), &client);
                ::SetTextColor(dc, RGB(0, 0, 0));
                ::SetBkColor(dc, RGB(255, 255, 255));
                ::DrawFocusRect(dc, &client);
                ::ReleaseDC(hwnd(), dc);
            }
        }
        return true;
    }
    }
    return false;
}

}  // namespace zema
