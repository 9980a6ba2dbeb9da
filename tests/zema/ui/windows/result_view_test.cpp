// The result view on real windows: filling, control states, commands and
// repaints driven by messages and listener calls.

#include "zema/ui/windows/result_view.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/zema/ui/models/result_fakes.h"
#include "tests/zema/ui/windows/test_skin.h"

namespace zema {
namespace {

using namespace testing_ui;

class ResultViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(skin_.Loaded());
        parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 900, 600, nullptr,
                                  nullptr, nullptr, nullptr);
        session_.Add(1, UpdateStatus::DownloadFailed, 10);
        session_.Add(2, UpdateStatus::Installed, 10);
        session_.Add(3, UpdateStatus::NotDownloaded, 20);
        source_.groups.products = {10, 20, 30};
        source_.groups.severities = {1};
        view_ = std::make_unique<ResultView>(session_, source_, skin_.Get());
        ASSERT_NE(nullptr, view_->Create(parent_));
        MoveWindow(view_->hwnd(), 0, 0, 880, 580, TRUE);
        ShowWindow(view_->hwnd(), SW_SHOW);
        testing_support::PumpFor(50);
    }
    void TearDown() override {
        view_.reset();
        DestroyWindow(parent_);
    }

    void ShowBy(int item) {
        HWND combo = view_->Item(kIdShowBy);
        SendMessageA(combo, CB_SETCURSEL, item, 0);
        SendMessageA(view_->hwnd(), WM_COMMAND, MAKEWPARAM(kIdShowBy, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    void Command(int id) {
        SendMessageA(view_->hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(view_->Item(id)));
    }
    bool Enabled(int id) const { return IsWindowEnabled(view_->Item(id)) != FALSE; }
    bool Visible(int id) const { return IsWindowVisible(view_->Item(id)) != FALSE; }
    std::string ListText(int row, int column) const {
        char text[256] = {};
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(view_->UpdateList().hwnd(), LVM_GETITEMTEXTA, row,
                     reinterpret_cast<LPARAM>(&item));
        return text;
    }
    int ListCount() const {
        return static_cast<int>(SendMessageA(view_->UpdateList().hwnd(), LVM_GETITEMCOUNT, 0, 0));
    }

    TestSkin skin_;
    FakeSession session_;
    FakeSource source_{session_};
    HWND parent_ = nullptr;
    std::unique_ptr<ResultView> view_;
};

TEST_F(ResultViewTest, ScanEmptiesAndRefillsWhileTheControlsFollow) {
    EXPECT_EQ(3, ListCount()) << "a view opened after a scan shows its result";
    EXPECT_TRUE(Enabled(kIdRepair) && Enabled(kIdSelectAll) && Enabled(kIdScan) &&
                Enabled(kIdShowBy));
    EXPECT_FALSE(Enabled(kIdExpandAll)) << "no grouping, nothing to expand";

    session_.scanning = true;
    for (SessionListener* listener : session_.listeners) listener->OnScanStarted(nullptr);
    EXPECT_EQ(0, ListCount());
    for (int id : {kIdRepair, kIdSelectAll, kIdExpandAll, kIdShowBy, kIdScan})
        EXPECT_FALSE(Enabled(id)) << id << " while scanning";

    session_.scanning = false;
    for (SessionListener* listener : session_.listeners) listener->OnScanCompleted(nullptr, 0);
    EXPECT_EQ(3, ListCount());
    EXPECT_TRUE(Enabled(kIdRepair) && Enabled(kIdScan));

    session_.downloading = true;
    session_.Changed(*session_.records[2], UpdateStatus::Downloading, 0.5f);
    EXPECT_TRUE(Visible(kIdStop) && Enabled(kIdStop));
    EXPECT_FALSE(Visible(kIdScan));
    EXPECT_FALSE(Enabled(kIdShowBy)) << "no regrouping under running work";
}

TEST_F(ResultViewTest, ChangingTheGroupingRebuildsAndChecksEveryRowAgain) {
    ShowBy(1);
    ASSERT_EQ(6, ListCount());
    EXPECT_EQ("Product 10 (2)", ListText(0, 0));
    EXPECT_EQ("Product 30 (0)", ListText(5, 0)) << "a group matching no record stays";
    EXPECT_TRUE(Enabled(kIdExpandAll));

    UpdateTreeList& list = view_->UpdateList();
    list.SetCheck(list.NodeAt(0), false);
    EXPECT_FALSE(list.GetCheck(list.NodeAt(1))) << "a group passes its state to its children";
    list.SetCheck(list.NodeAt(4), false);
    EXPECT_TRUE(list.GetCheck(list.NodeAt(3))) << "a child leaves its group alone";

    ShowBy(2);
    for (int row = 0; row < list.RowCount(); ++row)
        EXPECT_TRUE(list.GetCheck(list.NodeAt(row))) << "row " << row;

    CheckDlgButton(view_->hwnd(), kIdExpandAll, BST_UNCHECKED);
    Command(kIdExpandAll);
    EXPECT_EQ(1, ListCount()) << "every record has severity 1: one collapsed group";
}

// Read from another process, as a screen reader or test automation reads the
// view: the rows' checks are the list's check-box states, the skinned
// "Select all" is a check box with its state, the tabs are page tabs.
TEST_F(ResultViewTest, ChecksAndTabsReadFromOutsideAreWhatTheyShow) {
    using testing_support::ReadAccessibleFromOutside;
    using testing_support::ReadFromOutside;
    HWND list = view_->UpdateList().hwnd();
    unsigned long listStyle = std::strtoul(ReadFromOutside(list, "listview-style").c_str(), nullptr, 16);
    EXPECT_NE(0u, listStyle & LVS_EX_CHECKBOXES);
    EXPECT_EQ("2", ReadFromOutside(list, "item-state 0"));
    EXPECT_EQ("Severity 1", ListText(0, kColumnSeverity)) << "the meter's text equivalent";
    view_->UpdateList().SelectRow(1);
    SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ("1", ReadFromOutside(list, "item-state 1")) << "Space unchecks the selected row";
    EXPECT_EQ("2", ReadFromOutside(list, "item-state 0"));
    EXPECT_FALSE(view_->UpdateList().GetCheck(view_->UpdateList().NodeAt(1)));
    SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ("2", ReadFromOutside(list, "item-state 1"));

    HWND selectAll = view_->Item(kIdSelectAll);
    EXPECT_EQ(BS_AUTOCHECKBOX, GetWindowLongA(selectAll, GWL_STYLE) & BS_TYPEMASK);
    EXPECT_EQ("1", ReadFromOutside(selectAll, "check"));
    testing_support::AccessibleReading box = ReadAccessibleFromOutside(selectAll);
    EXPECT_EQ(ROLE_SYSTEM_CHECKBUTTON, box.role);
    EXPECT_EQ("Select all", box.name);
    EXPECT_NE(0u, box.state & STATE_SYSTEM_CHECKED);
    SendMessageA(selectAll, BM_CLICK, 0, 0);
    EXPECT_EQ("0", ReadFromOutside(selectAll, "check"));
    EXPECT_EQ(0u, ReadAccessibleFromOutside(selectAll).state & STATE_SYSTEM_CHECKED);
    EXPECT_EQ("1", ReadFromOutside(list, "item-state 0")) << "unchecking all unchecks the rows";

    HWND tab = view_->Item(kIdResultTab);
    EXPECT_EQ(ROLE_SYSTEM_PAGETABLIST, ReadAccessibleFromOutside(tab).role);
    EXPECT_EQ("2", ReadFromOutside(tab, "children"));
    testing_support::AccessibleReading first = ReadAccessibleFromOutside(tab, 1);
    testing_support::AccessibleReading second = ReadAccessibleFromOutside(tab, 2);
    EXPECT_EQ(ROLE_SYSTEM_PAGETAB, first.role);
    EXPECT_EQ(ROLE_SYSTEM_PAGETAB, second.role);
    EXPECT_NE(first.name, second.name);
    EXPECT_FALSE(first.name.empty());
    EXPECT_NE((first.state & STATE_SYSTEM_SELECTED) != 0, (second.state & STATE_SYSTEM_SELECTED) != 0)
        << "one tab, the shown one, is selected";
}

TEST_F(ResultViewTest, RepairDownloadsFailedAgainAndSkipsInstalledAndUnchecked) {
    UpdateTreeList& list = view_->UpdateList();
    list.SetCheck(list.NodeAt(2), false);
    Command(kIdRepair);
    EXPECT_EQ((std::vector<int32_t>{1}), session_.downloads);
    EXPECT_TRUE(session_.records[0]->installAfterDownload);
    EXPECT_TRUE(session_.installs.empty());

    CheckDlgButton(view_->hwnd(), kIdSelectAll, BST_UNCHECKED);
    Command(kIdSelectAll);
    session_.downloads.clear();
    Command(kIdRepair);
    EXPECT_TRUE(session_.downloads.empty()) << "nothing checked, nothing done";
}

TEST_F(ResultViewTest, StatusChangeRepaintsOnlyItsOwnRow) {
    HWND list = view_->UpdateList().hwnd();
    UpdateWindow(list);
    ValidateRect(list, nullptr);
    session_.Changed(*session_.records[1], UpdateStatus::InstallFailed);
    RECT dirty = {};
    ASSERT_TRUE(GetUpdateRect(list, &dirty, FALSE));
    RECT row = {};
    ListView_GetItemRect(list, 1, &row, LVIR_BOUNDS);
    EXPECT_GE(dirty.top, row.top);
    EXPECT_LE(dirty.bottom, row.bottom) << "only the changed row is repainted";
    EXPECT_EQ("", ListText(1, kColumnStatus)) << "no skin text for this state in the test skin";
    session_.Changed(*session_.records[0], UpdateStatus::Downloading, 0.5f);
    EXPECT_EQ("Downloading", ListText(0, kColumnStatus));
}

}  // namespace
}  // namespace zema
