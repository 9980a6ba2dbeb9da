#pragma once
// Drives modal dialogs from inside their own message loops: a thread timer
// finds the dialog that an action brought up and runs a script on it. If the
// script leaves the dialog open, it is cancelled, so no test can hang on it.

#include <windows.h>

#include <functional>
#include <set>

namespace zema {

class ModalScript {
public:
    // Calls `open` (which runs a modal loop) and, once a new dialog of this
    // thread is shown, `script` with it. False when no dialog came.
    static bool Run(const std::function<void()>& open, const std::function<void(HWND)>& script);

    // Top-level dialogs of this thread that are visible.
    static std::set<HWND> ThreadDialogs();
};

}  // namespace zema
