#pragma once
// Keys as the program's message loop handles them: the dialog manager first,
// with modifier keys held in this thread's keyboard state.

#include <windows.h>

#include <initializer_list>

#include "zema/ui/toolkit/dialog.h"

namespace zema {
namespace testing_ui {

inline void PressKey(UINT key) {
    MSG msg = {};
    msg.hwnd = ::GetFocus();
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    if (!Dialog::TranslateModelessMessage(msg)) ::DispatchMessageA(&msg);
}

// Holds Ctrl, Shift... down for what the thread reads with GetKeyState.
class KeysDown {
public:
    explicit KeysDown(std::initializer_list<BYTE> keys) {
        ::GetKeyboardState(saved_);
        BYTE state[256];
        ::GetKeyboardState(state);
        for (BYTE key : keys) state[key] |= 0x80;
        ::SetKeyboardState(state);
    }
    ~KeysDown() { ::SetKeyboardState(saved_); }
    KeysDown(const KeysDown&) = delete;
    KeysDown& operator=(const KeysDown&) = delete;

private:
    BYTE saved_[256] = {};
};

}  // namespace testing_ui
}  // namespace zema
