#pragma once
// Resizing as data: each control says which of its edges follow the
// parent's right and bottom edges, and one function applies the table.

#include <windows.h>

#include <vector>

namespace zema {

enum LayoutAnchor : unsigned {
    kFollowLeft = 1,    // left edge moves with the right side
    kFollowTop = 2,     // top edge moves with the bottom
    kFollowRight = 4,   // right edge moves with the right side
    kFollowBottom = 8,  // bottom edge moves with the bottom
    kMoveX = kFollowLeft | kFollowRight,
    kMoveY = kFollowTop | kFollowBottom,
    kStretchX = kFollowRight,
    kStretchY = kFollowBottom,
};

struct LayoutRule {
    int id;
    unsigned anchors;
};

class Layout {
public:
    // Records the parent's client size and each listed control's place as
    // they are now (in the dialog's initialisation). `designed` is the client
    // size the controls were placed for, where the system made the window
    // smaller (to fit the screen); the controls then move in at once.
    void Capture(HWND parent, const LayoutRule* rules, size_t count, SIZE designed = {});
    // Moves the controls for the parent's current client size.
    void Apply(HWND parent) const;
    // The recorded places and size at a new display scale.
    void Rescale(int num, int den);
    bool Empty() const { return items_.empty(); }

private:
    struct Item {
        int id;
        unsigned anchors;
        RECT place;
    };
    std::vector<Item> items_;
    SIZE original_ = {};
};

}  // namespace zema
