#pragma once
// A static text (SS_NOTIFY) that acts as a link: assistive technology hears
// a link, Tab reaches it when it has WS_TABSTOP, Enter and Space start it
// as a click does (STN_CLICKED to the parent), and focus shows as a dotted
// frame. Colour and font stay the parent's (WM_CTLCOLORSTATIC, WM_SETFONT).

#include <windows.h>

#include "zema/ui/toolkit/accessible.h"
#include "zema/ui/toolkit/skin_control.h"

namespace zema {

class SkinLink : public SkinControl, private AccessibleSource {
public:
    SkinLink() : accessible_(*this) {}
    bool Attach(HWND label);
    // What a click does: STN_CLICKED to the parent.
    void Click() const;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    AccessibleItem Self() const override;
    bool DoDefaultAction(int item) override;

    AccessibleHost accessible_;
};

}  // namespace zema
