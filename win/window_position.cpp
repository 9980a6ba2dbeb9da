#include "win/window_position.h"

#include <algorithm>

namespace win {

void CenterWindow(HWND window, HWND over) {
    RECT rect;
    if (!::GetWindowRect(window, &rect)) return;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    RECT around = work;
    if (over && ::IsWindowVisible(over) && !::IsIconic(over)) ::GetWindowRect(over, &around);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = around.left + (around.right - around.left - width) / 2;
    int y = around.top + (around.bottom - around.top - height) / 2;
    RECT centred = FitInside({x, y, x + width, y + height}, work);
    ::SetWindowPos(window, nullptr, centred.left, centred.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT FitInside(const RECT& place, const RECT& work) {
    int width = std::min(place.right - place.left, work.right - work.left);
    int height = std::min(place.bottom - place.top, work.bottom - work.top);
    int left = std::clamp(static_cast<int>(place.left), static_cast<int>(work.left),
                          static_cast<int>(work.right) - width);
    int top = std::clamp(static_cast<int>(place.top), static_cast<int>(work.top),
                         static_cast<int>(work.bottom) - height);
    return {left, top, left + width, top + height};
}

RECT FittedToWorkArea(const RECT& place) {
    HMONITOR monitor = ::MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!monitor || !::GetMonitorInfoA(monitor, &info)) return place;
    return FitInside(place, info.rcWork);
}

void FitToWorkArea(HWND window) {
    if (::GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) return;
    if (::IsZoomed(window) || ::IsIconic(window)) return;
    RECT place = {};
    ::GetWindowRect(window, &place);
    RECT fitted = FittedToWorkArea(place);
    if (::EqualRect(&fitted, &place)) return;
    ::SetWindowPos(window, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                   fitted.bottom - fitted.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace win
