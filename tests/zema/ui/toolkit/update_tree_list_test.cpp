// The tree list on a real list view: rows, keys, mouse and check boxes.

#include "zema/ui/toolkit/update_tree_list.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/test_support.h"

namespace zema {
namespace {

class CountingRows : public TreeRowHandler {
public:
    void DrawRow(UpdateTreeList& list, HDC dc, int row, const RECT& rect, UINT) override {
        ++drawn;
        for (int column = 0; column < list.ColumnCount(); ++column)
            list.DrawCell(dc, *list.NodeAt(row), column, list.CellRect(column, rect));
    }
    void OnCheckChanged(UpdateTreeList&, TreeNode& node, bool checked) override {
        changes.push_back({node.cells[0].text, checked});
    }
    int drawn = 0;
    std::vector<std::pair<std::string, bool>> changes;
};

// A top-level window that hands the list's notifications to the tree list.
class ListHost {
public:
    explicit ListHost(bool checkBoxes) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &ListHost::Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "ZgTreeListHost";
        ::RegisterClassA(&wc);
        parent_ = ::CreateWindowExA(0, "ZgTreeListHost", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                    600, 400, nullptr, nullptr, wc.hInstance, this);
        ::SetWindowLongPtrA(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        HWND view = ::CreateWindowExA(
            0, WC_LISTVIEWA, "",
            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA | LVS_OWNERDRAWFIXED,
            0, 0, 580, 360, parent_, reinterpret_cast<HMENU>(100), wc.hInstance, nullptr);
        list.Attach(view, checkBoxes);
        list.InsertColumn(0, "Title", LVCFMT_LEFT, 300);
        list.InsertColumn(1, "Status", LVCFMT_LEFT, 120);
        auto handler = std::make_unique<CountingRows>();
        rows = handler.get();
        list.SetRowHandler(std::move(handler));
    }
    ~ListHost() { ::DestroyWindow(parent_); }

    int ListCount() const {
        return static_cast<int>(::SendMessageA(list.hwnd(), LVM_GETITEMCOUNT, 0, 0));
    }
    std::string ListText(int row, int column) const {
        char text[128] = {};
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        ::SendMessageA(list.hwnd(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    void Key(WPARAM key) { ::SendMessageA(list.hwnd(), WM_KEYDOWN, key, 0); }
    RECT RowRect(int row) const {
        RECT rect = {};
        ListView_GetItemRect(list.hwnd(), row, &rect, LVIR_BOUNDS);
        return rect;
    }
    void Click(POINT at, UINT message = WM_LBUTTONDOWN) {
        ::SendMessageA(list.hwnd(), message, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        ::SendMessageA(list.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    }

    UpdateTreeList list;
    CountingRows* rows = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ListHost*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        LRESULT result = 0;
        if (self && self->list.HandleParentMessage(message, wParam, lParam, result)) return result;
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    HWND parent_ = nullptr;
};

TEST(UpdateTreeList, ListViewHoldsExactlyTheShownRowsAndKeysWalkTheTree) {
    ListHost host(false);
    UpdateTreeList& list = host.list;
    TreeNode* group = list.InsertRow(nullptr, "group");
    TreeNode* child = list.InsertRow(group, "child");
    list.InsertRow(child, "grandchild");
    list.InsertRow(nullptr, "other");
    EXPECT_EQ(2, host.ListCount()) << "children of a collapsed group have no row";
    EXPECT_EQ(TreeRowHandler::kRowHeight, host.RowRect(0).bottom - host.RowRect(0).top);

    list.SelectRow(1);
    host.Key(VK_LEFT);
    EXPECT_EQ(2, host.ListCount()) << "Left on a collapsed top-level row does nothing";
    EXPECT_EQ(1, list.SelectedRow());

    list.SelectRow(0);
    host.Key(VK_RIGHT);
    EXPECT_EQ(3, host.ListCount());
    list.SelectRow(1);
    host.Key(VK_RIGHT);
    EXPECT_EQ(4, host.ListCount());
    EXPECT_EQ("grandchild", host.ListText(2, 0));
    EXPECT_EQ("other", host.ListText(3, 0));

    list.SelectRow(0);
    host.Key(VK_LEFT);
    EXPECT_EQ(2, host.ListCount()) << "collapsing removes grandchildren too";
    host.Key(VK_RIGHT);
    EXPECT_EQ(4, host.ListCount()) << "the child kept its expanded flag";
    list.SelectRow(2);
    host.Key(VK_LEFT);
    EXPECT_EQ(1, list.SelectedRow()) << "Left on a leaf selects its parent";

    list.SetText(child, 1, "busy");
    EXPECT_EQ("busy", host.ListText(1, 1));
    EXPECT_FALSE(list.SetCheck(child, true)) << "no check boxes: nothing changes";
    EXPECT_FALSE(list.GetCheck(child));

    // A collapse above the selection keeps the selected node selected.
    list.SelectRow(3);
    list.Expand(1, false, true);
    EXPECT_EQ("other", host.ListText(list.SelectedRow(), 0));
}

// The stretched column fills the client area exactly while rows bring the
// vertical bar and take it away, and when the list is resized.
TEST(UpdateTreeList, StretchColumnFollowsTheScrollBarWithoutAHorizontalOne) {
    ListHost host(false);
    UpdateTreeList& list = host.list;
    HWND view = list.hwnd();
    TreeNode* group = list.InsertRow(nullptr, "group");
    for (int i = 0; i < 40; ++i) list.InsertRow(group, "child");
    list.SetStretchColumn(1, 50);
    auto check = [&](bool vertical, const char* when) {
        RECT client;
        ::GetClientRect(view, &client);
        LONG style = ::GetWindowLongA(view, GWL_STYLE);
        EXPECT_EQ(vertical, (style & WS_VSCROLL) != 0) << when;
        EXPECT_FALSE(style & WS_HSCROLL) << when;
        EXPECT_EQ(client.right, ListView_GetColumnWidth(view, 0) + ListView_GetColumnWidth(view, 1))
            << when;
    };
    check(false, "one row");
    list.Expand(0, true, true);
    check(true, "expanded");
    list.Expand(0, false, true);
    check(false, "collapsed");
    ::MoveWindow(view, 0, 0, 450, 300, TRUE);
    check(false, "narrower");
    list.Expand(0, true, false);
    check(true, "expanded without redraw");
}

TEST(UpdateTreeList, CheckBoxClicksToggleAndDoubleClickTogglesExpansion) {
    ListHost host(true);
    UpdateTreeList& list = host.list;
    TreeNode* group = list.InsertRow(nullptr, "group");
    TreeNode* hidden = list.InsertRow(group, "hidden");
    EXPECT_FALSE(list.SetCheck(hidden, true));
    EXPECT_TRUE(hidden->checked);
    EXPECT_TRUE(host.rows->changes.empty()) << "a node without a row changes silently";

    RECT row = host.RowRect(0);
    RECT box = list.CheckBoxRect(*group, row);
    host.Click({box.left + 3, box.top + 3});
    EXPECT_TRUE(list.GetCheck(group));
    ASSERT_EQ(1u, host.rows->changes.size());
    EXPECT_EQ(std::make_pair(std::string("group"), true), host.rows->changes[0]);
    EXPECT_EQ(-1, list.SelectedRow()) << "a check-box click does not select";

    POINT title = {box.right + 60, (row.top + row.bottom) / 2};
    host.Click(title, WM_LBUTTONDBLCLK);
    EXPECT_EQ(2, host.ListCount());
    host.Click(title, WM_LBUTTONDBLCLK);
    EXPECT_EQ(1, host.ListCount());

    host.Click({row.left + 500, title.y});  // right of the last column
    EXPECT_EQ(0, list.SelectedRow());
    testing_support::PumpUntil([&] { return host.rows->drawn > 0; }, 5000);
    EXPECT_GT(host.rows->drawn, 0) << "rows are painted by the handler";
}

}  // namespace
}  // namespace zema
