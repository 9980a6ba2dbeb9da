#pragma once
// A tab control painted with gradient tabs: the selected one raised, the
// others lowered and framed, an optional hover look.

#include <windows.h>

#include <string>

#include "zema/ui/toolkit/accessible.h"
#include "zema/ui/toolkit/skin_control.h"

namespace zema {

class SkinResources;

class SkinTab : public SkinControl, private AccessibleSource {
public:
    SkinTab() : accessible_(*this) {}
    bool Attach(HWND tab, const SkinResources& skin);
    void SetBackground(COLORREF background, COLORREF edge, COLORREF gap);
    // Off by default: no tab shows the hover look unless a window asks.
    void SetHoverTracking(bool on) { hoverTracking_ = on; }
    void SetGradient(bool gradient) { gradient_ = gradient; }
    int HoveredTab() const { return hovered_; }
    // Shows tab `index` hovered without a mouse (-1: none).
    void SetHoveredTab(int index);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnHoverChanged() override;

private:
    struct TabColors {
        COLORREF from;
        COLORREF to;
        COLORREF text;
    };
    AccessibleItem Self() const override;
    int ItemCount() const override;
    AccessibleItem Item(int index) const override;
    bool DoDefaultAction(int item) override;
    void Paint(HDC dc);
    int TabAt(LPARAM lParam) const;
    std::string TabText(int index) const;

    TabColors select_ = {};
    TabColors hover_ = {};
    TabColors normal_ = {};
    COLORREF background_ = 0;
    COLORREF edge_ = 0;
    COLORREF gap_ = 0;
    bool gradient_ = true;
    bool hoverTracking_ = false;
    int hovered_ = -1;
    AccessibleHost accessible_;
};

}  // namespace zema
