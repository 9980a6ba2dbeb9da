#include "zema/ui/toolkit/layout.h"

#include <algorithm>

namespace zema {

void Layout::Capture(HWND parent, const LayoutRule* rules, size_t count, SIZE designed) {
    items_.clear();
    RECT client;
    ::GetClientRect(parent, &client);
    original_ = {std::max(client.right, designed.cx), std::max(client.bottom, designed.cy)};
    for (size_t i = 0; i < count; ++i) {
        HWND control = ::GetDlgItem(parent, rules[i].id);
        if (!control) continue;
        RECT place;
        ::GetWindowRect(control, &place);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
        items_.push_back({rules[i].id, rules[i].anchors, place});
    }
    if (original_.cx != client.right || original_.cy != client.bottom) Apply(parent);
}

void Layout::Rescale(int num, int den) {
    auto scale = [num, den](LONG& measure) { measure = ::MulDiv(measure, num, den); };
    for (Item& item : items_) {
        scale(item.place.left);
        scale(item.place.top);
        scale(item.place.right);
        scale(item.place.bottom);
    }
    scale(original_.cx);
    scale(original_.cy);
}

void Layout::Apply(HWND parent) const {
    if (items_.empty()) return;
    RECT client;
    ::GetClientRect(parent, &client);
    int dx = client.right - original_.cx;
    int dy = client.bottom - original_.cy;
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(items_.size()));
    for (const Item& item : items_) {
        HWND control = ::GetDlgItem(parent, item.id);
        if (!control) continue;
        RECT r = item.place;
        if (item.anchors & kFollowLeft) r.left += dx;
        if (item.anchors & kFollowRight) r.right += dx;
        if (item.anchors & kFollowTop) r.top += dy;
        if (item.anchors & kFollowBottom) r.bottom += dy;
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (batch) {
            batch = ::DeferWindowPos(batch, control, nullptr, r.left, r.top, r.right - r.left,
                                     r.bottom - r.top, flags);
        } else {
            ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           flags);
        }
    }
    if (batch) ::EndDeferWindowPos(batch);
}

}  // namespace zema
