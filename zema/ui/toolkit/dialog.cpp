#include "zema/ui/toolkit/dialog.h"

#include <algorithm>
#include <vector>

#include "zema/ui/toolkit/skinned_frame.h"

namespace zema {
namespace {

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

// Messages whose answer a dialog procedure returns directly rather than
// through DWLP_MSGRESULT.
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
    layout_.Capture(hwnd(), rules, count);
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
        if (frame_) frame_->Attach(hwnd());
        result = OnInit() ? TRUE : FALSE;
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
        return false;
    case kSwitchPageMessage:
        result = OnSwitchPage(wParam != 0) ? TRUE : FALSE;
        return true;
    }
    return false;
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
