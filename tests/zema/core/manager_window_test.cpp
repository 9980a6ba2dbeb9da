#include "zema/core/manager_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/zema/core/private_settings.h"
#include "zema/core/brightwick_launcher.h"
#include "zema/core/messages.h"
#include "zema/core/settings_store.h"

namespace zema {
namespace {

using namespace testing_support;

class FakeSession : public UpdateSession {
public:
    bool Connect() override { return true; }
    void Shutdown() override {}
    bool StartScan(HWND requester) override {
        scanRequests.push_back(requester);
        return true;
    }
    bool IsScanning() const override { return scanning; }
    bool DownloadsActive() const override { return downloading; }
    bool InstallationsActive() const override { return installing; }
    const UpdateList& Updates() const override { return records; }
    StartResult StartDownload(UpdateRecord& record, bool) override {
        downloads.push_back(record.id);
        return StartResult::Started;
    }
    int CancelDownload(UpdateRecord&) override { return 1; }
    StartResult StartInstallation(UpdateRecord&) override { return StartResult::NoJob; }
    int CancelInstallation(UpdateRecord&) override { return 1; }
    size_t VulnerabilityCount() const override { return 0; }
    RepairedCount CountRepairedVulnerabilities() const override { return {}; }
    void ApplyDownloaderSettings() override { ++settingsApplied; }
    void SetHasUpdates(bool has) {
        records.clear();
        if (!has) return;
        records.push_back(std::make_unique<UpdateRecord>());
        records.back()->id = 77;
        records.back()->status = UpdateStatus::NotDownloaded;
    }
    void AddListener(SessionListener* listener, bool atFront) override {
        listeners.push_back(listener);
        addedAtFront = atFront;
    }
    void RemoveListener(SessionListener* listener) override {
        listeners.erase(std::remove(listeners.begin(), listeners.end(), listener),
                        listeners.end());
    }

    std::vector<HWND> scanRequests;
    std::vector<SessionListener*> listeners;
    bool addedAtFront = true;
    bool scanning = false;
    bool downloading = false;
    bool installing = false;
    UpdateList records;
    std::vector<int32_t> downloads;
    int settingsApplied = 0;
};

class FakeTray : public TrayIcon {
public:
    bool Add(HWND owner) override {
        ++adds;
        this->owner = owner;
        return addSucceeds;
    }
    void Remove() override { ++removes; }
    bool IsAdded() const override { return adds > 0 && addSucceeds; }
    void NextFrame() override { ++frames; }
    void ShowNormalFrame() override { ++normalFrames; }
    void ShowMenu(HWND) override { ++menus; }

    bool addSucceeds = true;
    HWND owner = nullptr;
    int adds = 0;
    int removes = 0;
    int frames = 0;
    int normalFrames = 0;
    int menus = 0;
};

class FakeWindows : public WindowHost {
public:
    void ShowMainWindow() override { ++shown; }
    HWND MainWindow() const override { return main; }
    void DestroyWindows() override { ++destroyed; }
    bool OpenOptions(HWND owner) override {
        optionsOwner = owner;
        return confirmOptions;
    }
    void ShowNotification(NotificationKind kind) override { notifications.push_back(kind); }
    void HideNotification() override { ++hidden; }
    void OpenRebootDialog() override {}
    void ShowAbout(HWND) override {}
    int hidden = 0;
    std::vector<NotificationKind> notifications;

    HWND main = nullptr;
    int shown = 0;
    int destroyed = 0;
    HWND optionsOwner = nullptr;
    bool confirmOptions = true;
};

class FakeLauncher : public BrightwickLauncher {
public:
    bool Start(const std::string& switchText) override {
        switches.push_back(switchText);
        return true;
    }
    std::vector<std::string> switches;
};

class ManagerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(private_.Loaded());
        settings_ = &private_.Store();
    }

    void TearDown() override {
        window_.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    HWND Create(bool traySwitch, bool updatedSwitch) {
        ManagerWindowParts parts;
        parts.settings = settings_;
        parts.launcher = &launcher_;
        parts.session = &session_;
        parts.tray = &tray_;
        parts.windows = &windows_;
        parts.traySwitch = traySwitch;
        parts.power = [this](UINT flags) { powerCalls.push_back(flags); };
        parts.updatedSwitch = updatedSwitch;
        window_ = std::make_unique<ManagerWindow>(parts);
        EXPECT_TRUE(window_->Create());
        return window_->hwnd();
    }

    // KillTimer succeeds only for a timer that is armed.
    static bool TimerArmed(HWND hwnd, UINT_PTR id) { return KillTimer(hwnd, id) != FALSE; }

    PrivateSettings private_;
    SettingsStore* settings_ = nullptr;
    FakeSession session_;
    FakeTray tray_;
    FakeWindows windows_;
    FakeLauncher launcher_;
    std::unique_ptr<ManagerWindow> window_;
    std::vector<UINT> powerCalls;
};

TEST_F(ManagerWindowTest, NormalStartShowsMainWindowScansAndArmsVersionCheck) {
    HWND hwnd = Create(false, false);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(hwnd, settings_->WindowHandle());
    EXPECT_EQ(1, windows_.shown);
    ASSERT_EQ(1u, session_.scanRequests.size());
    EXPECT_EQ(hwnd, session_.scanRequests[0]);
    ASSERT_EQ(1u, session_.listeners.size());
    EXPECT_FALSE(session_.addedAtFront) << "the manager listens after the main window";
    EXPECT_EQ(1, tray_.adds);
    EXPECT_EQ(hwnd, tray_.owner);
    EXPECT_TRUE(TimerArmed(hwnd, kTimerVersionCheck));
    EXPECT_FALSE(TimerArmed(hwnd, kTimerDelayedScan));
    EXPECT_FALSE(TimerArmed(hwnd, kTimerTrayRetry));
    EXPECT_TRUE(PathExists(settings_->TempWorkFolder()));
}

TEST_F(ManagerWindowTest, TrayAndUpdatedSwitchesDelayTheScanAndSkipTheVersionCheck) {
    HWND hwnd = Create(true, true);
    EXPECT_EQ(0, windows_.shown);
    EXPECT_TRUE(session_.scanRequests.empty());
    EXPECT_FALSE(TimerArmed(hwnd, kTimerVersionCheck));
    EXPECT_TRUE(TimerArmed(hwnd, kTimerDelayedScan));

    SetTimer(hwnd, kTimerDelayedScan, kDelayedScanMs, nullptr);
    SendMessageA(hwnd, WM_TIMER, kTimerDelayedScan, 0);
    EXPECT_EQ(1u, session_.scanRequests.size());
    EXPECT_FALSE(TimerArmed(hwnd, kTimerDelayedScan)) << "the delayed scan runs once";
}

TEST_F(ManagerWindowTest, ShowRequestScansOnlyWhenNothingWasFoundYetOrWhenAsked) {
    HWND hwnd = Create(true, true);
    session_.SetHasUpdates(true);
    SendMessageA(hwnd, kMsgShowMainWindow, 0, 0);
    EXPECT_EQ(1, windows_.shown);
    EXPECT_TRUE(session_.scanRequests.empty());
    EXPECT_TRUE(TimerArmed(hwnd, kTimerDelayedScan)) << "no scan, so the delayed one stays";

    SetTimer(hwnd, kTimerDelayedScan, kDelayedScanMs, nullptr);
    session_.SetHasUpdates(false);
    SendMessageA(hwnd, kMsgShowMainWindow, 0, 0);
    EXPECT_EQ(1u, session_.scanRequests.size());
    EXPECT_FALSE(TimerArmed(hwnd, kTimerDelayedScan));

    session_.SetHasUpdates(true);
    SendMessageA(hwnd, kMsgShowMainWindow, 0, 1);
    EXPECT_EQ(2u, session_.scanRequests.size()) << "a non-zero lParam always asks for a scan";
}

TEST_F(ManagerWindowTest, ShowRequestNeverScansWhileWorkIsActive) {
    HWND hwnd = Create(true, true);
    for (int busy = 0; busy < 3; ++busy) {
        session_.downloading = busy == 0;
        session_.installing = busy == 1;
        session_.scanning = busy == 2;
        SendMessageA(hwnd, kMsgShowMainWindow, 0, 1);
    }
    EXPECT_EQ(3, windows_.shown);
    EXPECT_TRUE(session_.scanRequests.empty());
}

TEST_F(ManagerWindowTest, TrayCallbackOpensOnDoubleClickAndMenuOnRightClick) {
    HWND hwnd = Create(true, true);
    session_.SetHasUpdates(true);
    EXPECT_EQ(1, SendMessageA(hwnd, kMsgTrayCallback, 0, WM_LBUTTONDBLCLK));
    EXPECT_EQ(1, windows_.shown);
    EXPECT_EQ(1, SendMessageA(hwnd, kMsgTrayCallback, 0, WM_RBUTTONUP));
    EXPECT_EQ(1, tray_.menus);
    EXPECT_EQ(1, SendMessageA(hwnd, kMsgTrayCallback, 0, WM_MOUSEMOVE));
    EXPECT_EQ(1, windows_.shown);
    EXPECT_EQ(1, tray_.menus);
}

TEST_F(ManagerWindowTest, TrayIconIsRetriedUntilTheShellTakesItAndAddedAgainAfterTaskbarRestart) {
    tray_.addSucceeds = false;
    HWND hwnd = Create(true, true);
    EXPECT_TRUE(TimerArmed(hwnd, kTimerTrayRetry));
    SetTimer(hwnd, kTimerTrayRetry, kTrayRetryMs, nullptr);
    SendMessageA(hwnd, WM_TIMER, kTimerTrayRetry, 0);
    EXPECT_TRUE(TimerArmed(hwnd, kTimerTrayRetry)) << "still failing: keep retrying";
    SetTimer(hwnd, kTimerTrayRetry, kTrayRetryMs, nullptr);
    tray_.addSucceeds = true;
    SendMessageA(hwnd, WM_TIMER, kTimerTrayRetry, 0);
    EXPECT_FALSE(TimerArmed(hwnd, kTimerTrayRetry));

    int adds = tray_.adds;
    SendMessageA(hwnd, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(adds + 1, tray_.adds);
}

TEST_F(ManagerWindowTest, VersionCheckTimerStartsTheUpdaterOnlyWhenAllowed) {
    HWND hwnd = Create(true, false);
    settings_->SetAutoCheckNewVersion(0);
    SendMessageA(hwnd, WM_TIMER, kTimerVersionCheck, 0);
    EXPECT_TRUE(launcher_.switches.empty());
    EXPECT_FALSE(TimerArmed(hwnd, kTimerVersionCheck)) << "the check is a one-shot";
    settings_->SetAutoCheckNewVersion(1);
    SendMessageA(hwnd, WM_TIMER, kTimerVersionCheck, 0);
    ASSERT_EQ(1u, launcher_.switches.size());
    EXPECT_EQ("-auto", launcher_.switches[0]);
}

TEST_F(ManagerWindowTest, MenuCommandsReachTheirTargets) {
    HWND hwnd = Create(true, true);
    SendMessageA(hwnd, WM_COMMAND, kCmdCheckNewVersion, 0);
    ASSERT_EQ(1u, launcher_.switches.size());
    EXPECT_EQ("-manual", launcher_.switches[0]);

    SendMessageA(hwnd, WM_COMMAND, kCmdOptions, 0);
    EXPECT_EQ(hwnd, windows_.optionsOwner) << "no main window: the manager owns the dialog";
    EXPECT_EQ(1, session_.settingsApplied);
    windows_.main = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4242));
    windows_.confirmOptions = false;
    SendMessageA(hwnd, WM_COMMAND, kCmdOptions, 0);
    EXPECT_EQ(windows_.main, windows_.optionsOwner);
    EXPECT_EQ(1, session_.settingsApplied) << "a cancelled dialog changes nothing";

    SendMessageA(hwnd, WM_COMMAND, kCmdShowMainWindow, 0);
    EXPECT_EQ(1, windows_.shown);
    session_.SetHasUpdates(true);
    windows_.main = nullptr;
    SendMessageA(hwnd, kMsgRepairNow, 0, 0);
    EXPECT_EQ((std::vector<int32_t>{77}), session_.downloads) << "repair now downloads what is missing";
}

TEST_F(ManagerWindowTest, NotificationsAreDroppedWhileTheMainWindowIsVisible) {
    settings_->SetVulnFoundAction(FOUND_ACTION_NOTIFY);
    HWND hwnd = Create(true, true);
    session_.SetHasUpdates(true);
    HWND main = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                              nullptr, nullptr, nullptr);
    windows_.main = main;
    window_->OnScanCompleted(hwnd, 0);
    EXPECT_TRUE(windows_.notifications.empty()) << "not shown and not queued";
    ShowWindow(main, SW_HIDE);
    window_->OnScanCompleted(hwnd, 0);
    EXPECT_EQ((std::vector<NotificationKind>{kNotifyScanned}), windows_.notifications);
    DestroyWindow(main);
    window_->OnScanStarted(hwnd);
    EXPECT_EQ(1, windows_.hidden) << "a new scan hides the last notification";
}

TEST_F(ManagerWindowTest, ExitCommandTearsDownAndEndsTheLoop) {
    HWND hwnd = Create(true, true);
    SendMessageA(hwnd, WM_COMMAND, kCmdExit, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, window_->hwnd());
    EXPECT_EQ(1, tray_.removes);
    EXPECT_EQ(1, windows_.destroyed);
    EXPECT_TRUE(session_.listeners.empty());
    EXPECT_EQ(nullptr, settings_->WindowHandle());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, msg.wParam);
}

}  // namespace
}  // namespace zema
