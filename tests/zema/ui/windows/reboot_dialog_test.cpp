#include "zema/ui/windows/reboot_dialog.h"

#include <gtest/gtest.h>

#include "tests/zema/ui/windows/tray_fakes.h"
#include "tests/zema/ui/windows/tray_test_skin.h"

namespace zema {
namespace {

using namespace tray_testing;

class RebootDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(skin.Loaded()); }

    // Modeless for the test: the same window without a nested loop.
    HWND Open() {
        dialog = std::make_unique<RebootDialog>(skin.Get(), session,
                                                [this](UINT flags) { powerCalls.push_back(flags); });
        return dialog->Create(nullptr, RebootDialog::Layout(skin.Get()));
    }
    std::string Caption(HWND window) {
        char text[256] = {};
        ::GetWindowTextA(window, text, sizeof(text));
        return text;
    }
    std::string Text(HWND window, int id) {
        char text[256] = {};
        ::GetDlgItemTextA(window, id, text, sizeof(text));
        return text;
    }

    TrayTestSkin skin;
    FakeSession session;
    std::vector<UINT> powerCalls;
    std::unique_ptr<RebootDialog> dialog;
};

TEST_F(RebootDialogTest, OkIsEnabledOnlyWithTheBoxCheckedAndReboots) {
    session.AddRecord(UpdateStatus::Installed);
    session.AddRecord(UpdateStatus::InstalledNeedsReboot);
    session.repaired = {6, 2};
    HWND window = Open();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("Repaired 6, 2 after a restart.", Text(window, kIdRebootMessage));
    EXPECT_EQ("Restart required", Caption(window));
    HWND ok = ::GetDlgItem(window, IDOK);
    HWND check = ::GetDlgItem(window, kIdRebootCheck);
    EXPECT_FALSE(::IsWindowEnabled(ok));
    ::SendMessageA(check, BM_CLICK, 0, 0);
    EXPECT_TRUE(::IsWindowEnabled(ok));
    ::SendMessageA(check, BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindowEnabled(ok));
    ::SendMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(powerCalls.empty()) << "a queued OK after clearing the box does nothing";
    ::SendMessageA(check, BM_CLICK, 0, 0);
    ::SendMessageA(ok, BM_CLICK, 0, 0);
    ASSERT_EQ(1u, powerCalls.size());
    EXPECT_EQ(static_cast<UINT>(EWX_REBOOT), powerCalls[0]);
    EXPECT_FALSE(::IsWindow(window));
}

TEST_F(RebootDialogTest, WithoutPendingRebootItOnlyReportsAndCloses) {
    session.AddRecord(UpdateStatus::Installed);
    session.repaired = {4, 0};
    HWND window = Open();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("Repaired 4.", Text(window, kIdRebootMessage));
    EXPECT_EQ("Installed", Caption(window)) << "nothing to restart for";
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, kIdRebootCheck)));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window, IDOK)));
    EXPECT_EQ("Close", Text(window, IDCANCEL));
    ::SendMessageA(::GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_TRUE(powerCalls.empty());

    session.repaired = {1, 0};
    window = Open();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("Repaired 1 vulnerability.", Text(window, kIdRebootMessage));
}

}  // namespace
}  // namespace zema
