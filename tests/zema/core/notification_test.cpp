#include <gtest/gtest.h>

#include <map>
#include <string>

#include "zema/core/notification_content.h"
#include "zema/core/notification_placement.h"
#include "zema/core/text_format.h"

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

SkinText Texts() {
    static const std::map<std::string, std::string> texts = {
        {"rns_tray_scanned_notify", "Found %d vulnerabilities."},
        {"rns_tray_downloaded_notify", "Downloaded."},
        {"rns_tray_installed_notify", "Repaired %d."},
        {"rns_tray_installed_notify_reboot", "Repaired %d, %d after a restart."},
    };
    return [](const char* name) {
        auto found = texts.find(name);
        return found == texts.end() ? std::string() : found->second;
    };
}

TEST(NotificationContent, InstalledOffersTheRebootOnlyWhenOneIsPending) {
    NotificationFacts facts;
    facts.repaired = {5, 0};
    NotificationContent done = ComposeNotification(kNotifyInstalled, facts, Texts());
    EXPECT_EQ("Repaired 5.", done.message);
    EXPECT_FALSE(done.showRepair);
    EXPECT_FALSE(done.showRebootCheck);
    EXPECT_FALSE(done.showOk);

    facts.repaired = {5, 2};
    facts.rebootPending = true;
    NotificationContent pending = ComposeNotification(kNotifyInstalled, facts, Texts());
    EXPECT_EQ("Repaired 5, 2 after a restart.", pending.message);
    EXPECT_TRUE(pending.showRebootCheck);
    EXPECT_TRUE(pending.showOk);

    facts.vulnerabilitiesFound = 7;
    NotificationContent scanned = ComposeNotification(kNotifyScanned, facts, Texts());
    EXPECT_EQ("Found 7 vulnerabilities.", scanned.message);
    EXPECT_TRUE(scanned.showRepair);
    EXPECT_FALSE(scanned.showOk);
}

TEST(NotificationContent, RebootDialogWithoutPendingRebootOnlyCloses) {
    RebootDialogContent none = ComposeRebootDialog({3, 0}, false, Texts());
    EXPECT_EQ("Repaired 3.", none.message);
    EXPECT_FALSE(none.rebootOffered);
    RebootDialogContent pending = ComposeRebootDialog({4, 1}, true, Texts());
    EXPECT_EQ("Repaired 4, 1 after a restart.", pending.message);
    EXPECT_TRUE(pending.rebootOffered);
}

// A skin text is outside data: a directive that takes a pointer must stay text.
TEST(SkinTextFormat, FillsOnlyNumberDirectives) {
    EXPECT_EQ("%s has 3 of 4%", FormatNumbers("%s has %d of %d%%", {3, 4}));
    EXPECT_EQ("7 and %d", FormatNumbers("%d and %d", {7}));
    EXPECT_EQ("trailing %", FormatNumbers("trailing %", {1}));
}

}  // namespace
}  // namespace zema
