#pragma once
// A drop-down list that paints itself and then gets a flat two-line frame.

#include <windows.h>

#include "zema/ui/toolkit/skin_control.h"

namespace zema {

class SkinCombo : public SkinControl {
public:
    bool Attach(HWND combo);
    bool IsPressed() const { return pressed_; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void PaintFrame();

    bool pressed_ = false;
};

}  // namespace zema
