#pragma once
// MessageWindow: the one place that ties an object to its window, for window
// procedures and dialog procedures alike. The object is bound from the
// creation parameter at the first message that can carry it and unbound when
// the window goes, or earlier when the object says so, so that no message
// reaches an object that is gone.
//
// Owner derives from MessageWindow<Owner> and answers, for a window made with
// CreateBoundWindow (its class registered with WindowProc):
//     bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
// (false sends the message on to the default procedure), and for a dialog
// made with DialogProc and `this` as its parameter:
//     INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
// (answered as a dialog procedure answers).

#include <windows.h>

namespace win {

template <typename Owner>
class MessageWindow {
public:
    HWND hwnd() const { return hwnd_; }

protected:
    MessageWindow() = default;
    // An owner that goes before its window leaves it to the default procedure.
    ~MessageWindow() { Unbind(); }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // Registers a class whose windows run WindowProc, unless the module has
    // it already.
    static bool RegisterWindowClass(HINSTANCE module, const char* className) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        if (::GetClassInfoExA(module, className, &wc)) return true;
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &MessageWindow::WindowProc;
        wc.hInstance = module;
        wc.lpszClassName = className;
        return ::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }

    // A window of such a class, bound to this object from its first message;
    // null when it cannot be made.
    HWND CreateBoundWindow(HINSTANCE module, const char* className, DWORD style,
                           HWND parent = nullptr) {
        return ::CreateWindowExA(0, className, "", style, 0, 0, 0, 0, parent, nullptr, module,
                                 static_cast<Owner*>(this));
    }

    // From now on the window's messages go to the default procedure. The
    // window stays, and stays the caller's to destroy: it is returned.
    HWND Unbind() {
        HWND window = hwnd_;
        if (window && Bound(window, slot_) == static_cast<Owner*>(this))
            ::SetWindowLongPtrA(window, slot_, 0);
        hwnd_ = nullptr;
        return window;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            Bind(window, GWLP_USERDATA,
                 static_cast<Owner*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        Owner* self = Bound(window, GWLP_USERDATA);
        LRESULT result = 0;
        if (!self || !self->OnMessage(message, wParam, lParam, result))
            result = ::DefWindowProcA(window, message, wParam, lParam);
        if (message == WM_NCDESTROY && self) self->Unbind();
        return result;
    }

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) Bind(window, DWLP_USER, reinterpret_cast<Owner*>(lParam));
        Owner* self = Bound(window, DWLP_USER);
        if (!self) return FALSE;
        INT_PTR answer = self->OnDialogMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY) self->Unbind();
        return answer;
    }

private:
    static void Bind(HWND window, int slot, Owner* self) {
        if (!self) return;
        MessageWindow* base = self;
        base->hwnd_ = window;
        base->slot_ = slot;
        ::SetWindowLongPtrA(window, slot, reinterpret_cast<LONG_PTR>(self));
    }

    static Owner* Bound(HWND window, int slot) {
        return reinterpret_cast<Owner*>(::GetWindowLongPtrA(window, slot));
    }

    HWND hwnd_ = nullptr;
    int slot_ = GWLP_USERDATA;
};

}  // namespace win
