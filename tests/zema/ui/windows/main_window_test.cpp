// The main window and its summary band on real windows.

#include "zema/ui/windows/main_window.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/test_support.h"
#include "tests/zema/core/private_settings.h"
#include "tests/zema/ui/models/result_fakes.h"
#include "tests/zema/ui/windows/keyboard.h"
#include "tests/zema/ui/windows/test_skin.h"

namespace zema {
namespace {

using namespace testing_ui;

// Stands in for the manager window: counts the close requests.
class ManagerProbe {
public:
    ManagerProbe() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &ManagerProbe::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ZgManagerProbe";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, "ZgManagerProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ManagerProbe() { DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }
    int closes = 0;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ManagerProbe*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && message == WM_CLOSE) {
            ++self->closes;
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    HWND hwnd_ = nullptr;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(skin_.Loaded());
        ASSERT_TRUE(settings_.Loaded());
    }
    void TearDown() override { window_.reset(); }

    void Open() {
        MainWindowParts parts;
        parts.session = &session_;
        parts.source = &source_;
        parts.skin = &skin_.Get();
        parts.settings = &settings_.Store();
        parts.manager = manager_.hwnd();
        window_ = std::make_unique<MainWindow>(parts);
        ASSERT_TRUE(window_->Create());
        window_->Show();
        ASSERT_TRUE(IsWindowVisible(window_->hwnd()));
    }

    TestSkin skin_;
    PrivateSettings settings_;
    FakeSession session_;
    FakeSource source_{session_};
    ManagerProbe manager_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, EscapeGoesToTheTrayUnlessThereIsNoTrayIcon) {
    settings_.Store().SetMainWindowToTray(1);
    Open();
    SendMessageA(window_->hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindowVisible(window_->hwnd())) << "hidden to the tray";
    EXPECT_EQ(0, manager_.closes);
    window_->Show();
    SendMessageA(window_->hwnd(), WM_COMMAND, IDCANCEL, 0);  // Escape through the dialog manager
    EXPECT_FALSE(IsWindowVisible(window_->hwnd()));

    settings_.Store().SetTrayIcon(0);
    window_->Show();
    SendMessageA(window_->hwnd(), WM_CLOSE, 0, 0);
    testing_support::PumpUntil([&] { return manager_.closes > 0; }, 5000);
    EXPECT_EQ(1, manager_.closes) << "without a tray icon closing ends the program";
}

// The first item of every menu that the window opens, read when the menu
// waits for input (WM_ENTERIDLE to its owner); the menu is closed at once.
class MenuWatch {
public:
    explicit MenuWatch(HWND owner) : owner_(owner) {
        SetWindowSubclass(owner_, &MenuWatch::Proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~MenuWatch() { RemoveWindowSubclass(owner_, &MenuWatch::Proc, 1); }
    std::vector<UINT> firstItems;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR, DWORD_PTR data) {
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
            HMENU menu = reinterpret_cast<HMENU>(
                SendMessageA(reinterpret_cast<HWND>(lParam), MN_GETHMENU, 0, 0));
            reinterpret_cast<MenuWatch*>(data)->firstItems.push_back(
                menu ? GetMenuItemID(menu, 0) : 0);
            EndMenu();
        }
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    HWND owner_;
};

TEST_F(MainWindowTest, TabWalksEveryControlAndF10OpensTheToolsMenu) {
    session_.Add(1, UpdateStatus::NotDownloaded);
    session_.Add(2, UpdateStatus::NotDownloaded);
    Open();
    ResultView& view = window_->View();
    ASSERT_EQ(view.UpdateList().hwnd(), GetFocus()) << "the list starts with the focus";
    const std::vector<int> order = {kIdSelectAll, kIdScan,      kIdRepair,    kIdOperations,
                                    kIdHelp,      kIdResultTab, kIdShowBy,    kIdUpdateList};
    for (int expected : order) {
        PressKey(VK_TAB);
        EXPECT_EQ(expected, GetDlgCtrlID(GetFocus())) << "after " << expected;
    }
    SetFocus(view.Item(kIdResultTab));
    PressKey(VK_RIGHT);
    EXPECT_EQ(1, SendMessageA(view.Item(kIdResultTab), TCM_GETCURSEL, 0, 0))
        << "arrows switch the tabs";
    EXPECT_TRUE(IsWindowVisible(view.VulnerabilityList().hwnd()));

    {
        KeysDown control({VK_CONTROL});
        SetFocus(view.VulnerabilityList().hwnd());
        PressKey(VK_TAB);
        EXPECT_EQ(0, SendMessageA(view.Item(kIdResultTab), TCM_GETCURSEL, 0, 0))
            << "Ctrl+Tab turns to the other tab";
        EXPECT_EQ(view.UpdateList().hwnd(), GetFocus()) << "with the focus on its list";
        PressKey(VK_TAB);
        EXPECT_EQ(view.VulnerabilityList().hwnd(), GetFocus());
    }

    MenuWatch menus(window_->hwnd());
    SendMessageA(window_->hwnd(), WM_SYSCOMMAND, SC_KEYMENU, 0);  // what F10 and Alt send
    ASSERT_EQ(1u, menus.firstItems.size());
    EXPECT_EQ(static_cast<UINT>(kCmdMainOptions), menus.firstItems[0]);

    UpdateRecord* opened = nullptr;
    view.SetDetailsHook([&](UpdateRecord* record, bool toggle) {
        if (toggle) opened = record;
    });
    SetFocus(view.Item(kIdResultTab));
    PressKey(VK_LEFT);
    SetFocus(view.UpdateList().hwnd());
    view.UpdateList().SelectRow(1);
    PressKey(VK_RETURN);
    EXPECT_EQ(session_.records[1].get(), opened) << "Enter opens the row's details";
    EXPECT_TRUE(IsWindowVisible(window_->hwnd())) << "and does not close the window";
}

TEST_F(MainWindowTest, SummaryCountsAndRepaintsOnlyForRealChanges) {
    session_.Add(1, UpdateStatus::Installed);
    session_.Add(2, UpdateStatus::InstalledNeedsReboot);
    session_.Add(3, UpdateStatus::InstallFailed);
    session_.Add(4, UpdateStatus::NotDownloaded);
    UpdateRecord& downloading = session_.Add(5, UpdateStatus::Downloading);
    Open();
    ResultSummaryPanel& summary = window_->Summary();
    UpdateWindow(summary.hwnd());
    EXPECT_EQ((std::array<std::string, 4>{"Total: 5", "Installed: 2", "Not installed: 3",
                                          "Failed: 1"}),
              summary.TotalsTexts());

    int before = summary.RepaintRequests();
    session_.Changed(downloading, UpdateStatus::Downloading, 0.3f);
    EXPECT_EQ(before, summary.RepaintRequests()) << "progress alone does not repaint";
    session_.Changed(downloading, UpdateStatus::DownloadCompleted, 1.0f);
    EXPECT_EQ(before + 1, summary.RepaintRequests());

    session_.records.clear();
    InvalidateRect(summary.hwnd(), nullptr, FALSE);
    UpdateWindow(summary.hwnd());
    EXPECT_EQ((std::array<std::string, 4>{"Total: 0", "Installed: 0", "Not installed: 0",
                                          "Failed: 0"}),
              summary.TotalsTexts());
}

TEST_F(MainWindowTest, ScanPacesTheBandAndStopsFull) {
    Open();
    session_.scanning = true;
    for (SessionListener* listener : session_.listeners) listener->OnScanStarted(nullptr);
    EXPECT_FLOAT_EQ(0.0f, window_->Summary().Progress());
    ASSERT_TRUE(testing_support::PumpUntil([&] { return window_->Summary().Progress() > 0.1f; },
                                           5000));
    session_.scanning = false;
    for (SessionListener* listener : session_.listeners) listener->OnScanCompleted(nullptr, 0);
    EXPECT_FLOAT_EQ(1.0f, window_->Summary().Progress());
}

}  // namespace
}  // namespace zema
