#include "zema/ui/windows/notification_window.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/test_support.h"
#include "tests/zema/ui/windows/keyboard.h"
#include "tests/zema/ui/windows/tray_fakes.h"
#include "tests/zema/ui/windows/tray_test_skin.h"
#include "zema/core/messages.h"

namespace zema {
namespace {

using testing_support::PumpUntil;
using namespace tray_testing;
using testing_ui::PressKey;

constexpr RECT kScreen = {0, 0, 1024, 768};

class NotificationWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(skin.Loaded()); }

    NotificationParts Parts() {
        NotificationParts parts;
        parts.skin = &skin.Get();
        parts.manager = recorder.hwnd;
        parts.session = &session;
        parts.power = [this](UINT flags) { powerCalls.push_back(flags); };
        parts.taskbar = [this] { return taskbar; };
        parts.screen = [] {
            ScreenArea area;
            area.screen = kScreen;
            area.workArea = {0, 0, 1024, 738};
            return area;
        };
        return parts;
    }

    // A real click on a link: the static tells its parent.
    void Click(HWND control) {
        ::SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    TrayTestSkin skin;
    Recorder recorder;
    FakeSession session;
    TaskbarPosition taskbar;
    std::vector<UINT> powerCalls;
};

TEST_F(NotificationWindowTest, EachTaskbarEdgePutsItInTheMatchingCorner) {
    struct Case {
        UINT edge;
        RECT bar;
        bool right;
        bool bottom;
    } cases[] = {{ABE_BOTTOM, {0, 738, 1024, 768}, true, true},
                 {ABE_TOP, {0, 0, 1024, 30}, true, false},
                 {ABE_RIGHT, {964, 0, 1024, 768}, true, true},
                 {ABE_LEFT, {0, 0, 60, 768}, false, true}};
    NotificationWindow window(Parts());
    for (const Case& c : cases) {
        taskbar.found = true;
        taskbar.edge = c.edge;
        taskbar.rect = c.bar;
        taskbar.state = ABS_ALWAYSONTOP;
        window.Show(kNotifyScanned);
        ASSERT_TRUE(::IsWindowVisible(window.Frame()));
        RECT at;
        ::GetWindowRect(window.Frame(), &at);
        // Against the taskbar, never under it.
        RECT overlap;
        EXPECT_FALSE(::IntersectRect(&overlap, &at, &c.bar)) << c.edge;
        if (c.right)
            EXPECT_EQ(c.edge == ABE_RIGHT ? c.bar.left : kScreen.right - 1, at.right) << c.edge;
        else
            EXPECT_EQ(c.bar.right, at.left) << c.edge;
        if (c.bottom)
            EXPECT_EQ(kScreen.bottom - (c.edge == ABE_BOTTOM ? 30 : 1), at.bottom) << c.edge;
        else
            EXPECT_EQ(c.bar.bottom, at.top) << c.edge;
    }
    // The user's window keeps the focus.
    HWND user = ::CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                nullptr, nullptr, nullptr);
    ::SetForegroundWindow(user);
    HWND active = ::GetForegroundWindow();
    taskbar = TaskbarPosition();
    window.Show(kNotifyScanned);
    RECT at;
    ::GetWindowRect(window.Frame(), &at);
    EXPECT_EQ(1024, at.right);
    EXPECT_EQ(738, at.bottom);
    EXPECT_EQ(active, ::GetForegroundWindow());
    ::DestroyWindow(user);
}

TEST_F(NotificationWindowTest, RepairAndDetailsLinksTellTheManagerAndClose) {
    NotificationWindow window(Parts());
    window.Show(kNotifyScanned);
    EXPECT_EQ("Found 4 vulnerabilities.", window.Shown().message);
    HWND repair = ::GetDlgItem(window.Content(), kIdRepairLink);
    ASSERT_TRUE(::IsWindowVisible(repair));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window.Content(), kIdOkLink)));
    Click(repair);
    ASSERT_EQ(1u, recorder.messages.size());
    EXPECT_EQ(kMsgRepairNow, recorder.messages[0].id);
    EXPECT_TRUE(PumpUntil([&] { return window.Frame() == nullptr; }, 5000));

    window.Show(kNotifyDownloaded);
    ASSERT_NE(nullptr, window.Frame());
    Click(::GetDlgItem(window.Content(), kIdDetailsLink));
    ASSERT_EQ(2u, recorder.messages.size());
    EXPECT_EQ(kMsgShowMainWindow, recorder.messages[1].id);
    EXPECT_EQ(0u, recorder.messages[1].wParam);
    EXPECT_EQ(0, recorder.messages[1].lParam);
    EXPECT_TRUE(PumpUntil([&] { return window.Frame() == nullptr; }, 5000));
    EXPECT_TRUE(powerCalls.empty());
}

TEST_F(NotificationWindowTest, OkRebootsOnlyWithTheBoxChecked) {
    session.AddRecord(UpdateStatus::InstalledNeedsReboot);
    session.repaired = {3, 1};
    NotificationWindow window(Parts());
    window.Show(kNotifyInstalled);
    EXPECT_EQ("Repaired 3, 1 after a restart.", window.Shown().message);
    HWND check = ::GetDlgItem(window.Content(), kIdRebootNow);
    HWND ok = ::GetDlgItem(window.Content(), kIdOkLink);
    ASSERT_TRUE(::IsWindowVisible(check));
    ASSERT_TRUE(::IsWindowVisible(ok));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window.Content(), kIdRepairLink)));
    Click(ok);
    EXPECT_TRUE(PumpUntil([&] { return window.Frame() == nullptr; }, 5000));
    EXPECT_TRUE(powerCalls.empty());

    window.Show(kNotifyInstalledNeedsReboot);
    ::SendMessageA(::GetDlgItem(window.Content(), kIdRebootNow), BM_CLICK, 0, 0);
    Click(::GetDlgItem(window.Content(), kIdOkLink));
    ASSERT_EQ(1u, powerCalls.size());
    EXPECT_EQ(static_cast<UINT>(EWX_REBOOT), powerCalls[0]);
    EXPECT_TRUE(recorder.messages.empty());
}

// The links are links to a screen reader, Tab reaches them from the check
// box, Enter starts one, Escape closes the window.
TEST_F(NotificationWindowTest, KeyboardReachesTheLinksAndEscapeCloses) {
    NotificationWindow window(Parts());
    window.Show(kNotifyInstalledNeedsReboot);
    HWND check = ::GetDlgItem(window.Content(), kIdRebootNow);
    HWND ok = ::GetDlgItem(window.Content(), kIdOkLink);
    testing_support::AccessibleReading link = testing_support::ReadAccessibleFromOutside(ok);
    EXPECT_EQ(ROLE_SYSTEM_LINK, link.role);
    EXPECT_FALSE(link.name.empty());
    EXPECT_EQ(ROLE_SYSTEM_CHECKBUTTON, testing_support::ReadAccessibleFromOutside(check).role);

    ::SetFocus(check);
    ::SendMessageA(check, BM_CLICK, 0, 0);
    HWND details = ::GetDlgItem(window.Content(), kIdDetailsLink);
    ASSERT_TRUE(::IsWindowVisible(details));
    PressKey(VK_TAB);
    EXPECT_EQ(details, ::GetFocus());
    PressKey(VK_TAB);
    ASSERT_EQ(ok, ::GetFocus());
    PressKey(VK_RETURN);
    ASSERT_EQ(1u, powerCalls.size()) << "Enter on the link is its click, with the box checked";
    EXPECT_TRUE(PumpUntil([&] { return window.Frame() == nullptr; }, 5000));

    window.Show(kNotifyScanned);
    HWND repair = ::GetDlgItem(window.Content(), kIdRepairLink);
    ::SetFocus(repair);
    PressKey(VK_TAB);
    EXPECT_EQ(::GetDlgItem(window.Content(), kIdDetailsLink), ::GetFocus());
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return window.Frame() == nullptr; }, 5000));
    EXPECT_TRUE(recorder.messages.empty()) << "Escape starts nothing";
}

// A short message keeps the check box and the links right under it, in
// order, and the window ends just below them.
TEST_F(NotificationWindowTest, ControlsFollowTheMessage) {
    session.AddRecord(UpdateStatus::InstalledNeedsReboot);
    session.repaired = {3, 1};
    NotificationWindow window(Parts());
    window.Show(kNotifyInstalledNeedsReboot);
    auto place = [&](int id) {
        RECT rect;
        ::GetWindowRect(::GetDlgItem(window.Content(), id), &rect);
        ::MapWindowPoints(nullptr, window.Content(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    RECT check = place(kIdRebootNow), details = place(kIdDetailsLink), ok = place(kIdOkLink);
    RECT client;
    ::GetClientRect(window.Content(), &client);
    EXPECT_GE(check.top, 52) << "below the icon";
    EXPECT_LT(check.top, 90) << "a one-line message leaves no gap";
    EXPECT_LE(check.bottom, details.top);
    EXPECT_EQ(details.top, ok.top);
    EXPECT_LE(details.right, ok.left);
    EXPECT_LE(ok.bottom, client.bottom);
    EXPECT_LT(client.bottom - ok.bottom, 20);
}

TEST_F(NotificationWindowTest, InstalledWithoutPendingRebootOffersNoReboot) {
    session.repaired = {5, 0};
    NotificationWindow window(Parts());
    window.Show(kNotifyInstalled);
    EXPECT_EQ("Repaired 5.", window.Shown().message);
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window.Content(), kIdRebootNow)));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window.Content(), kIdOkLink)));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(window.Content(), kIdDetailsLink)));
}

}  // namespace
}  // namespace zema
