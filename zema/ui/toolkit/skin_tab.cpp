#include "zema/ui/toolkit/skin_tab.h"

#include <commctrl.h>
#include <windowsx.h>

#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr int kMaxText = 255;

}  // namespace

bool SkinTab::Attach(HWND tab, const SkinResources& skin) {
    if (!Subclass(tab)) return false;
    select_ = {skin.GetColor("rnc_tabitem_select_from"), skin.GetColor("rnc_tabitem_select_to"),
               skin.GetColor("rnc_tabitem_select_text")};
    hover_ = {skin.GetColor("rnc_tabitem_hover_from"), skin.GetColor("rnc_tabitem_hover_to"),
              skin.GetColor("rnc_tabitem_hover_text")};
    normal_ = {skin.GetColor("rnc_tabitem_normal_from"), skin.GetColor("rnc_tabitem_normal_to"),
               skin.GetColor("rnc_tabitem_normal_text")};
    SetBackground(skin.GetColor("rnc_tab_background"), skin.GetColor("rnc_tabitem_edge"),
                  skin.GetColor("rnc_tab_gap"));
    return true;
}

void SkinTab::SetBackground(COLORREF background, COLORREF edge, COLORREF gap) {
    background_ = background;
    edge_ = edge;
    gap_ = gap;
    Repaint();
}

void SkinTab::SetHoveredTab(int index) {
    if (hovered_ == index) return;
    hovered_ = index;
    Repaint();
}

void SkinTab::OnHoverChanged() {
    if (!IsHovered()) hovered_ = -1;
    Repaint();
}

int SkinTab::TabAt(LPARAM lParam) const {
    TCHITTESTINFO hit = {{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, 0};
    return static_cast<int>(::SendMessageA(hwnd(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

// Controls placed on the tab strip (the show-by list and its label) draw
// themselves; a repaint of the tabs, on focus or hover, must not cover them.
static void ExcludeSiblingsOnTop(HWND control, HDC dc) {
    for (HWND sibling = ::GetWindow(control, GW_HWNDFIRST); sibling;
         sibling = ::GetWindow(sibling, GW_HWNDNEXT)) {
        if (sibling == control || !::IsWindowVisible(sibling)) continue;
        RECT place;
        ::GetWindowRect(sibling, &place);
        ::MapWindowPoints(nullptr, control, reinterpret_cast<POINT*>(&place), 2);
        ::ExcludeClipRect(dc, place.left, place.top, place.right, place.bottom);
    }
}

void SkinTab::Paint(HDC target) {
    RECT client;
    ::GetClientRect(hwnd(), &client);
    // Declared before the canvas: the clip goes back after the canvas is copied.
    struct ClipScope {
        HDC dc;
        int saved;
        ~ClipScope() { ::RestoreDC(dc, saved); }
    } clip = {target, ::SaveDC(target)};
    ExcludeSiblingsOnTop(hwnd(), target);
    MemoryCanvas canvas(target, client);
    HDC dc = canvas.dc();
    FillRectColor(dc, client, background_);

    int count = TabCtrl_GetItemCount(hwnd());
    int selected = TabCtrl_GetCurSel(hwnd());
    int tabsBottom = client.top;
    bool focused = ::GetFocus() == hwnd() &&
                   !(::SendMessageA(hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    SelectScope font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(hwnd(), WM_GETFONT, 0, 0)));
    for (int i = 0; i < count; ++i) {
        RECT r;
        if (!TabCtrl_GetItemRect(hwnd(), i, &r)) continue;
        if (r.bottom > tabsBottom) tabsBottom = r.bottom;
        if (i == 0) r.left -= dpi().Scale(2);
        const TabColors* colors = &normal_;
        if (i == selected) {
            colors = &select_;
            r.top -= dpi().Scale(1);
        } else {
            r.top += dpi().Scale(2);
            if (hoverTracking_ && i == hovered_) colors = &hover_;
        }
        if (gradient_)
            FillGradientFromBottom(dc, r, {colors->from, colors->to});
        else
            FillRectColor(dc, r, colors->from);
        if (i != selected) FrameRectColor(dc, r, edge_);

        std::string text = TabText(i);
        RECT used = DrawTextInBox(dc, text.c_str(), r,
                                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS,
                                  colors->text, 0, true);
        if (focused && i == TabCtrl_GetCurFocus(hwnd()) && used.right > used.left) {
            ::InflateRect(&used, dpi().Scale(2), dpi().Scale(1));
            ::SetTextColor(dc, RGB(0, 0, 0));
            ::SetBkColor(dc, RGB(255, 255, 255));
            ::DrawFocusRect(dc, &used);
        }
    }
    RECT band = client;
    band.top = tabsBottom;
    FillRectColor(dc, band, gap_);
}

std::string SkinTab::TabText(int index) const {
    char text[kMaxText + 1] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    if (!TabCtrl_GetItem(hwnd(), index, &item)) return {};
    return text;
}

AccessibleItem SkinTab::Self() const {
    return WindowItem(hwnd(), ROLE_SYSTEM_PAGETABLIST);
}

int SkinTab::ItemCount() const { return TabCtrl_GetItemCount(hwnd()); }

AccessibleItem SkinTab::Item(int index) const {
    AccessibleItem tab;
    tab.role = ROLE_SYSTEM_PAGETAB;
    tab.name = TabText(index);
    tab.state = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (index == TabCtrl_GetCurSel(hwnd())) tab.state |= STATE_SYSTEM_SELECTED;
    if (::GetFocus() == hwnd() && index == TabCtrl_GetCurFocus(hwnd()))
        tab.state |= STATE_SYSTEM_FOCUSED;
    TabCtrl_GetItemRect(hwnd(), index, &tab.bounds);
    tab.defaultAction = "Switch";
    return tab;
}

bool SkinTab::DoDefaultAction(int item) {
    if (item < 0 || !::IsWindowEnabled(hwnd())) return false;
    // As a click would: the parent hears TCN_SELCHANGING and TCN_SELCHANGE.
    TabCtrl_SetCurFocus(hwnd(), item);
    return true;
}

bool SkinTab::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (accessible_.HandleMessage(hwnd(), message, wParam, lParam, result)) return true;
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        result = CallDefault(message, wParam, lParam);
        Repaint();
        return true;
    case WM_MOUSEMOVE:
        TrackHover(2);
        if (hoverTracking_ && IsHovered()) SetHoveredTab(TabAt(lParam));
        return false;
    case WM_MOUSEHOVER:
        if (hoverTracking_) hovered_ = TabAt(lParam);
        HandleHoverMessages(message);
        result = 0;
        return true;
    case WM_MOUSELEAVE:
        HandleHoverMessages(message);
        result = 0;
        return true;
    case WM_ERASEBKGND:
    case WM_PAINT:
        return HandlePaintMessages(message, wParam, result, [this](HDC dc) { Paint(dc); });
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        result = 0;
        return true;
    }
    return false;
}

}  // namespace zema
