#pragma once
// Where the tray notification goes: the corner of the screen next to the
// taskbar. Plain data in, a position out; the window asks the shell.

#include <windows.h>
#include <shellapi.h>

#include <functional>

namespace zema {

struct TaskbarPosition {
    bool found = false;     // false when the shell has no taskbar to report
    UINT edge = ABE_BOTTOM;  // ABE_LEFT, ABE_TOP, ABE_RIGHT or ABE_BOTTOM
    RECT rect = {};
    UINT state = 0;          // ABS_AUTOHIDE and ABS_ALWAYSONTOP bits
};

struct ScreenArea {
    RECT screen = {};
    RECT workArea = {};
    SIZE border = {1, 1};
};

using TaskbarQuery = std::function<TaskbarPosition()>;

// The shell's answer for the primary taskbar.
TaskbarPosition ReadTaskbarPosition();
// The primary screen, its work area and the system's border size.
ScreenArea ReadScreenArea();

// Top-left corner of a window of `size`: against an always-on-top taskbar,
// else against the screen edge one border in; without a taskbar, the work
// area's bottom-right corner.
POINT PlaceNotification(const TaskbarPosition& taskbar, const ScreenArea& area, SIZE size);

}  // namespace zema
