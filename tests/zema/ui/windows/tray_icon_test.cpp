#include "zema/ui/windows/tray_icon.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include "tests/support/test_support.h"
#include "tests/zema/core/private_settings.h"
#include "tests/zema/ui/windows/tray_fakes.h"
#include "tests/zema/ui/windows/tray_test_skin.h"
#include "zema/core/brightwick_launcher.h"
#include "zema/core/manager_window.h"
#include "zema/core/tray_animation.h"

namespace zema {
namespace {

using namespace tray_testing;

class NoLauncher : public BrightwickLauncher {
public:
    bool Start(const std::string&) override { return true; }
};

// The real icon and the real manager window; only the session is a stand-in.
class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(skin.Loaded());
        ASSERT_TRUE(settings.Loaded());
        ManagerWindowParts parts;
        parts.settings = &settings.Store();
        parts.launcher = &launcher;
        parts.session = &session;
        parts.tray = &icon;
        parts.traySwitch = true;
        parts.updatedSwitch = true;
        manager = std::make_unique<ManagerWindow>(parts);
        ASSERT_TRUE(manager->Create());
    }

    // The shell answers a change only for an icon it shows.
    bool ShellShowsIcon() const {
        NOTIFYICONDATAA data = {};
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data.hWnd = manager->hwnd();
        data.uID = kTrayIconId;
        return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
    }

    void Change(UpdateStatus status) {
        UpdateRecord record;
        record.status = status;
        manager->OnUpdateChanged(&record);
    }

    void Tick() { ::SendMessageA(manager->hwnd(), WM_TIMER, kTimerTrayAnimation, 0); }

    bool AnimationTimerArmed() const {
        // KillTimer succeeds only for an armed timer; re-arm what it stopped.
        if (!::KillTimer(manager->hwnd(), kTimerTrayAnimation)) return false;
        ::SetTimer(manager->hwnd(), kTimerTrayAnimation, kTrayAnimationMs, nullptr);
        return true;
    }

    TrayTestSkin skin;
    PrivateSettings settings;
    NoLauncher launcher;
    FakeSession session;
    NotifyAreaIcon icon{skin.Get()};
    std::unique_ptr<ManagerWindow> manager;
};

TEST_F(TrayIconTest, ComesBackWhenTheTaskbarIsCreatedAgain) {
    ASSERT_TRUE(icon.IsAdded());
    ASSERT_TRUE(ShellShowsIcon());
    // A restarted shell has forgotten every icon.
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = manager->hwnd();
    data.uID = kTrayIconId;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &data));
    ASSERT_FALSE(ShellShowsIcon());
    ::SendMessageA(manager->hwnd(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellShowsIcon());
    // A second announcement while the icon is shown keeps it and arms no retry.
    ::SendMessageA(manager->hwnd(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellShowsIcon());
    EXPECT_FALSE(::KillTimer(manager->hwnd(), kTimerTrayRetry));
}

TEST_F(TrayIconTest, AnimationStopsAtTheNormalImageWhenTheLastWorkEndsNotOnProgress) {
    EXPECT_EQ(kTrayNormalFrame, icon.Frame());
    session.downloading = true;
    Change(UpdateStatus::DownloadStarted);
    ASSERT_TRUE(AnimationTimerArmed());
    Tick();
    int first = icon.Frame();
    EXPECT_GE(first, 1);
    Tick();
    EXPECT_EQ(first % 7 + 1, icon.Frame()) << "frames 1 to 7 in turn";

    // A progress event, even one that arrives after the last download left
    // the active states, changes nothing.
    session.downloading = false;
    Change(UpdateStatus::Downloading);
    EXPECT_TRUE(AnimationTimerArmed());
    EXPECT_NE(kTrayNormalFrame, icon.Frame());

    Change(UpdateStatus::DownloadCompleted);
    EXPECT_FALSE(AnimationTimerArmed());
    EXPECT_EQ(kTrayNormalFrame, icon.Frame());

    // The next animation goes on where this one stopped.
    session.installing = true;
    Change(UpdateStatus::Installing);
    Tick();
    EXPECT_EQ((first + 1) % 7 + 1, icon.Frame());
    session.installing = false;
    Change(UpdateStatus::InstalledNeedsReboot);
    EXPECT_EQ(kTrayNormalFrame, icon.Frame());
    EXPECT_TRUE(ShellShowsIcon());
}

TEST_F(TrayIconTest, MenuCarriesTheSkinTextsInItsOrder) {
    HMENU menu = icon.LoadMenuWithTexts();
    ASSERT_NE(nullptr, menu);
    const UINT ids[] = {kCmdAbout, kCmdShowMainWindow, 0, kCmdExit};
    const char* texts[] = {"About", "Show", "", "Exit"};
    ASSERT_EQ(4, ::GetMenuItemCount(menu));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ids[i], ::GetMenuItemID(menu, i)) << i;
        char text[64] = {};
        ::GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        EXPECT_STREQ(texts[i], text) << i;
    }
    ::DestroyMenu(menu);
}

}  // namespace
}  // namespace zema
