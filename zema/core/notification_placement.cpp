#include "zema/core/notification_placement.h"

#include "zema/core/system_utils.h"

namespace zema {

TaskbarPosition ReadTaskbarPosition() {
    TaskbarPosition position;
    APPBARDATA data = {};
    if (!QueryTaskbar(ABM_GETTASKBARPOS, &data)) return position;
    position.found = true;
    position.edge = data.uEdge;
    position.rect = data.rc;
    position.state = static_cast<UINT>(QueryTaskbar(ABM_GETSTATE));
    return position;
}

ScreenArea ReadScreenArea() {
    ScreenArea area;
    area.screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area.workArea, 0))
        area.workArea = area.screen;
    area.border = {::GetSystemMetrics(SM_CXBORDER), ::GetSystemMetrics(SM_CYBORDER)};
    return area;
}

POINT PlaceNotification(const TaskbarPosition& taskbar, const ScreenArea& area, SIZE size) {
    if (!taskbar.found) return {area.workArea.right - size.cx, area.workArea.bottom - size.cy};
    // An auto-hiding taskbar leaves the screen edge free most of the time.
    const bool againstTaskbar = taskbar.state == ABS_ALWAYSONTOP;
    const RECT& bar = taskbar.rect;
    const LONG right = area.screen.right - area.border.cx;
    const LONG bottom = area.screen.bottom - area.border.cy;
    const LONG left = area.screen.left + area.border.cx;
    const LONG top = area.screen.top + area.border.cy;
    switch (taskbar.edge) {
    case ABE_TOP:
        return {right - size.cx, againstTaskbar ? bar.bottom : top};
    case ABE_RIGHT:
        return {(againstTaskbar ? bar.left : right) - size.cx, bottom - size.cy};
    case ABE_LEFT:
        return {againstTaskbar ? bar.right : left, bottom - size.cy};
    case ABE_BOTTOM:
    default:
        return {right - size.cx, (againstTaskbar ? bar.top : bottom) - size.cy};
    }
}

}  // namespace zema
