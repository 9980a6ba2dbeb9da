#include <gtest/gtest.h>

#include <string>

#include "zema/core/notification_placement.h"

namespace zema {
namespace {

constexpr SIZE kFrame = {300, 160};

struct EdgeCase {
    const char* name;
    UINT edge;
    RECT bar;
    POINT againstBar;   // always-on-top taskbar
    POINT againstEdge;  // auto-hide taskbar: the screen edge one border in
};

class NotificationPlacement : public ::testing::TestWithParam<EdgeCase> {
protected:
    ScreenArea Area() const {
        ScreenArea area;
        area.screen = {0, 0, 1280, 1024};
        area.workArea = {0, 0, 1280, 994};
        area.border = {1, 1};
        return area;
    }
};

TEST_P(NotificationPlacement, SitsInTheCornerByTheTaskbar) {
    const EdgeCase& c = GetParam();
    TaskbarPosition bar;
    bar.found = true;
    bar.edge = c.edge;
    bar.rect = c.bar;
    bar.state = ABS_ALWAYSONTOP;
    POINT at = PlaceNotification(bar, Area(), kFrame);
    EXPECT_EQ(c.againstBar.x, at.x);
    EXPECT_EQ(c.againstBar.y, at.y);

    bar.state = ABS_AUTOHIDE | ABS_ALWAYSONTOP;
    at = PlaceNotification(bar, Area(), kFrame);
    EXPECT_EQ(c.againstEdge.x, at.x);
    EXPECT_EQ(c.againstEdge.y, at.y);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, NotificationPlacement,
    ::testing::Values(
        EdgeCase{"Bottom", ABE_BOTTOM, {0, 994, 1280, 1024}, {979, 834}, {979, 863}},
        EdgeCase{"Top", ABE_TOP, {0, 0, 1280, 30}, {979, 30}, {979, 1}},
        EdgeCase{"Right", ABE_RIGHT, {1200, 0, 1280, 1024}, {900, 863}, {979, 863}},
        EdgeCase{"Left", ABE_LEFT, {0, 0, 80, 1024}, {80, 863}, {1, 863}}),
    [](const ::testing::TestParamInfo<EdgeCase>& info) { return std::string(info.param.name); });

TEST(NotificationPlacementWithoutTaskbar, UsesTheWorkAreasBottomRight) {
    ScreenArea area;
    area.screen = {0, 0, 1024, 768};
    area.workArea = {0, 40, 1000, 700};
    POINT at = PlaceNotification(TaskbarPosition(), area, kFrame);
    EXPECT_EQ(700, at.x);
    EXPECT_EQ(540, at.y);
}

}  // namespace
}  // namespace zema
