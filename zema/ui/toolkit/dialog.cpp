#include "zema/ui/toolkit/dialog.h"

#include <algorithm>
#include <vector>

#include "win/window_position.h"
#include "zema/ui/toolkit/skinned_frame.h"

namespace zema {
namespace {

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

bool IsDialogWindow(HWND window) {
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof(name));
    return ::lstrcmpA(name, "#32770") == 0;
}

// The thread's modeless dialogs, whose keyboard messages its loop hands to
// the dialog manager.
std::vector<HWND>& ModelessDialogs() {
    static std::vector<HWND> dialogs;
    return dialogs;
}

void RememberModeless(HWND dialog) {
    std::vector<HWND>& dialogs = ModelessDialogs();
    if (std::find(dialogs.begin(), dialogs.end(), dialog) == dialogs.end())
        dialogs.push_back(dialog);
}

void ForgetModeless(HWND dialog) {
    std::vector<HWND>& dialogs = ModelessDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
}

// 1 for Ctrl+Tab or Ctrl+Page Down, 0 for their reverse, -1 for any other message.
int PageKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || ::GetKeyState(VK_CONTROL) >= 0) return -1;
    bool shift = ::GetKeyState(VK_SHIFT) < 0;
    switch (msg.wParam) {
    case VK_TAB: return shift ? 0 : 1;
    case VK_NEXT: return 1;
    case VK_PRIOR: return 0;
    default: return -1;
    }
}

// Messages whose answer a dialog procedure returns directly rather than
// through DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    }
    return false;
}

}  // namespace

Dialog::~Dialog() {
    if (hwnd() && !modal_) {
        // Unbound first: the overrides have already gone.
        HWND window = Unbind();
        ForgetModeless(window);
        ::DestroyWindow(window);
    }
}

INT_PTR Dialog::RunModal(HWND owner, const DialogTemplate& layout) {
    modal_ = true;
    templateUnits_ = {layout.Get()->cx, layout.Get()->cy};
    return ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), layout.Get(), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::RunModal(HWND owner, HINSTANCE module, int resourceId) {
    modal_ = true;
    return ::DialogBoxParamA(module, MAKEINTRESOURCEA(resourceId), owner, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

HWND Dialog::Create(HWND owner, const DialogTemplate& layout) {
    modal_ = false;
    templateUnits_ = {layout.Get()->cx, layout.Get()->cy};
    HWND window = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), layout.Get(), owner,
                                               DialogProc, reinterpret_cast<LPARAM>(this));
    if (window) RememberModeless(window);
    return window;
}

HWND Dialog::Create(HWND owner, HINSTANCE module, int resourceId) {
    modal_ = false;
    HWND window = ::CreateDialogParamA(module, MAKEINTRESOURCEA(resourceId), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (window) RememberModeless(window);
    return window;
}

void Dialog::Close(INT_PTR result) {
    if (!hwnd()) return;
    if (modal_) {
        ::EndDialog(hwnd(), result);
    } else {
        ::DestroyWindow(hwnd());
    }
}

bool Dialog::OnCommand(WORD, WORD, HWND) { return false; }
bool Dialog::OnNotify(const NMHDR&, LRESULT&) { return false; }
bool Dialog::OnDrawItem(const DRAWITEMSTRUCT&) { return false; }
void Dialog::OnTimer(UINT_PTR) {}
void Dialog::OnSize(UINT, int, int) {}
bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void Dialog::SetLayout(const LayoutRule* rules, size_t count) {
    layout_.Capture(hwnd(), rules, count, scaler_.DesignedClient());
}

bool Dialog::TranslateModelessMessage(MSG& msg) {
    // Every dialog around the focus may turn pages before the dialog
    // manager takes Ctrl+Tab for Tab.
    int page = PageKey(msg);
    if (page >= 0) {
        for (HWND dialog : ModelessDialogs()) {
            if (::IsWindow(dialog) && (msg.hwnd == dialog || ::IsChild(dialog, msg.hwnd)) &&
                ::SendMessageA(dialog, kSwitchPageMessage, page, 0))
                return true;
        }
    }
    for (HWND dialog : ModelessDialogs()) {
        if (::IsWindow(dialog) && ::IsDialogMessageA(dialog, &msg)) return true;
    }
    return false;
}

INT_PTR Dialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY && !modal_) ForgetModeless(hwnd());
    LRESULT result = 0;
    bool handled = Dispatch(message, wParam, lParam, result);
    if (!handled && frame_) handled = frame_->HandleMessage(message, wParam, lParam, result);
    if (!handled) handled = Reflect(message, wParam, lParam, result);
    if (!handled && message == WM_COMMAND) handled = CloseOnStandardCommand(LOWORD(wParam));
    if (!handled) return FALSE;
    if (ReturnsDirectly(message)) return static_cast<INT_PTR>(result);
    // A modeless dialog that closed itself has no window left to answer for.
    if (hwnd()) ::SetWindowLongPtrA(hwnd(), DWLP_MSGRESULT, result);
    return TRUE;
}

bool Dialog::CloseOnStandardCommand(WORD id) {
    if (id != IDOK && id != IDCLOSE && id != IDCANCEL) return false;
    // A page or pane inside another window is not the one to close.
    if (!modal_ && (::GetWindowLongPtrA(hwnd(), GWL_STYLE) & WS_CHILD)) return false;
    Close(id == IDCANCEL ? 2 : 1);
    return true;
}

bool Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (OnMessage(message, wParam, lParam, result)) return true;
    switch (message) {
    case WM_INITDIALOG:
        scaler_.Init(hwnd(), templateUnits_);
        if (frame_) frame_->Attach(hwnd());
        result = OnInit() ? TRUE : FALSE;
        // The layout is recorded by now, so a window cut to its screen
        // moves its anchored controls in.
        win::FitToWorkArea(hwnd());
        return true;
    case WM_DPICHANGED:
        ChangeDpi(win::Dpi(HIWORD(wParam)), reinterpret_cast<const RECT*>(lParam));
        result = 0;
        return true;
    case WM_DPICHANGED_AFTERPARENT:
        // From a parent that changed screens (wParam: its DPI, or 0 from the
        // system, which has then already given this window its new DPI).
        ChangeDpi(wParam ? win::Dpi(static_cast<UINT>(wParam)) : win::Dpi::ForWindow(hwnd()),
                  nullptr);
        result = 0;
        return true;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) {
            // The control still hears of its own notification.
            if (lParam) ::SendMessageA(reinterpret_cast<HWND>(lParam), kReflectedCommand, wParam,
                                       lParam);
            return true;
        }
        return false;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    case WM_DRAWITEM:
        if (OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
            result = TRUE;
            return true;
        }
        return false;
    case WM_TIMER:
        OnTimer(wParam);
        return true;
    case WM_SIZE:
        layout_.Apply(hwnd());
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return false;  // the frame needs it too
    case WM_DESTROY:
        OnDestroy();
        win::DialogScaler::Forget(hwnd());
        return false;
    case kSwitchPageMessage:
        result = OnSwitchPage(wParam != 0) ? TRUE : FALSE;
        return true;
    }
    return false;
}

void Dialog::ChangeDpi(win::Dpi dpi, const RECT* suggested) {
    win::Dpi old = scaler_.dpi();
    if (dpi != old) {
        scaler_.Rescale(hwnd(), dpi);
        layout_.Rescale(static_cast<int>(dpi.Value()), static_cast<int>(old.Value()));
        if (frame_) frame_->SetDpi(dpi);
        OnDpiChanged(dpi);
        // Panes and pages inside are laid out for the new scale before this
        // window's new size places them.
        for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT))
            if (IsDialogWindow(child))
                ::SendMessageA(child, WM_DPICHANGED_AFTERPARENT, dpi.Value(), 0);
    }
    if (suggested) {
        RECT place = win::FittedToWorkArea(*suggested);
        ::SetWindowPos(hwnd(), nullptr, place.left, place.top, place.right - place.left,
                       place.bottom - place.top,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    if (dpi != old)
        ::RedrawWindow(hwnd(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

bool Dialog::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND control = nullptr;
    switch (message) {
    case WM_COMMAND:
        control = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        control = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_DRAWITEM:
        control = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_MEASUREITEM:
        control = ::GetDlgItem(hwnd(), static_cast<int>(
                                          reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID));
        break;
    default:
        return false;
    }
    if (!control || ::GetParent(control) != hwnd()) return false;
    result = ::SendMessageA(control, kReflectedBase + message, wParam, lParam);
    // A command is only heard: the standard ones (IDOK...) still close the
    // dialog when no hook took them.
    return message != WM_COMMAND && result != 0;
}

}  // namespace zema
