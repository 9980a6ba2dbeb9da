// The main window moved to a screen at 150 %: what Windows sends then
// (WM_DPICHANGED with the rectangle it suggests) rescales every part.

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/test_support.h"
#include "tests/zema/core/private_settings.h"
#include "tests/zema/ui/models/result_fakes.h"
#include "win/com.h"
#include "zema/ui/toolkit/skin_resources.h"
#include "zema/ui/windows/main_window.h"
#include "zema/ui/windows/result_view.h"

namespace zema {
namespace {

using namespace testing_ui;

constexpr UINT kDpiChanged = 0x02E0;

RECT ClientPlace(HWND control) {
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int ClientWidth(HWND window) {
    RECT r = {};
    GetClientRect(window, &r);
    return r.right;
}

LONG FontHeight(HWND control) {
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return font.lfHeight;
}

// What a window measures that a change of scale must carry along.
struct Measures {
    RECT window;
    int caption;         // the skinned frame's caption band
    RECT summary;        // stretches with the window
    int helpFromRight;   // the Help button keeps to the right edge
    int helpWidth;
    LONG listFont;       // the dialog font the list wears
    int rowHeight;       // the update list's rows
    int bulletinColumn;  // a column of fixed width
    RECT viewInClient;   // the result view: pixels placed by code
    int viewRightGap;
};

Measures Measure(MainWindow& window) {
    Measures m = {};
    HWND hwnd = window.hwnd();
    GetWindowRect(hwnd, &m.window);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    m.caption = origin.y - m.window.top;
    m.summary = ClientPlace(window.Item(kIdSummaryPanel));
    RECT help = ClientPlace(window.Item(kIdHelp));
    m.helpFromRight = ClientWidth(hwnd) - help.right;
    m.helpWidth = help.right - help.left;
    HWND list = window.View().UpdateList().hwnd();
    m.listFont = FontHeight(list);
    int spacerWidth = 0;
    ImageList_GetIconSize(ListView_GetImageList(list, LVSIL_SMALL), &spacerWidth, &m.rowHeight);
    m.rowHeight += 1;  // the list adds a pixel to its small images
    m.bulletinColumn = ListView_GetColumnWidth(list, 1);
    m.viewInClient = ClientPlace(window.View().hwnd());
    m.viewRightGap = ClientWidth(hwnd) - m.viewInClient.right;
    return m;
}

void ExpectScaled(int at96, int now, const char* what) {
    EXPECT_LE(std::abs(now - at96 * 3 / 2), 2) << what << ": " << at96 << " became " << now;
}

class DpiChangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(skin_.Load(testing_support::BinaryFolder() + "\\..\\skin\\res.xml"));
        ASSERT_TRUE(settings_.Loaded());
        MainWindowParts parts;
        parts.session = &session_;
        parts.source = &source_;
        parts.skin = &skin_;
        parts.settings = &settings_.Store();
        window_ = std::make_unique<MainWindow>(parts);
        ASSERT_TRUE(window_->Create());
        window_->Show();
    }
    void TearDown() override { window_.reset(); }

    // The rectangle Windows suggests: the window grown by the ratio of the
    // scales about its top-left corner.
    void MoveToScreenAt(UINT dpi, const RECT& from, UINT fromDpi) {
        RECT suggested = {from.left, from.top,
                          from.left + MulDiv(from.right - from.left, dpi, fromDpi),
                          from.top + MulDiv(from.bottom - from.top, dpi, fromDpi)};
        SendMessageA(window_->hwnd(), kDpiChanged, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
    }

    win::ComInit com_;
    SkinResources skin_;
    PrivateSettings settings_;
    FakeSession session_;
    FakeSource source_{session_};
    std::unique_ptr<MainWindow> window_;
};

TEST_F(DpiChangeTest, MainWindowTakesTheSuggestedPlaceAndScalesLayoutFontsAndImages) {
    ASSERT_EQ(96u, window_->dpi().Value()) << "the test display runs at 96 DPI";
    Measures before = Measure(*window_);
    EXPECT_EQ(36, before.caption);
    EXPECT_EQ(-11, before.listFont);  // 8 points
    EXPECT_EQ(23, before.rowHeight);

    MoveToScreenAt(144, before.window, 96);
    Measures after = Measure(*window_);
    EXPECT_EQ(144u, window_->dpi().Value());
    EXPECT_EQ(144u, window_->View().dpi().Value()) << "the pane inside follows its window";

    // Larger than the screen's work area, the suggestion is cut to it.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromWindow(window_->hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
    int suggestedWidth = (before.window.right - before.window.left) * 3 / 2;
    int workWidth = monitor.rcWork.right - monitor.rcWork.left;
    EXPECT_EQ(std::min(suggestedWidth, workWidth), after.window.right - after.window.left);
    ExpectScaled(before.window.bottom - before.window.top, after.window.bottom - after.window.top,
                 "window height");
    EXPECT_GE(after.window.left, monitor.rcWork.left);
    EXPECT_LE(after.window.right, monitor.rcWork.right);

    EXPECT_EQ(54, after.caption);
    ExpectScaled(before.summary.left, after.summary.left, "band left");
    ExpectScaled(before.summary.bottom - before.summary.top,
                 after.summary.bottom - after.summary.top, "band height");
    ExpectScaled(before.helpFromRight, after.helpFromRight, "Help from the right edge");
    ExpectScaled(before.helpWidth, after.helpWidth, "Help width");
    ExpectScaled(before.viewInClient.top, after.viewInClient.top, "view top");
    ExpectScaled(before.viewRightGap, after.viewRightGap, "view right gap");
    EXPECT_EQ(-17, after.listFont);
    EXPECT_EQ(35, after.rowHeight);
    EXPECT_EQ(117, after.bulletinColumn);

    // And back: what the cut to the work area did not touch is as before,
    // to the pixel.
    MoveToScreenAt(96, after.window, 144);
    Measures back = Measure(*window_);
    EXPECT_EQ(before.caption, back.caption);
    EXPECT_EQ(before.listFont, back.listFont);
    EXPECT_EQ(before.rowHeight, back.rowHeight);
    EXPECT_EQ(before.bulletinColumn, back.bulletinColumn);
    EXPECT_EQ(before.summary.left, back.summary.left);
    EXPECT_EQ(before.helpWidth, back.helpWidth);
}

}  // namespace
}  // namespace zema
