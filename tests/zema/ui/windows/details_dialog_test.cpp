#include "zema/ui/windows/details_dialog.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/zema/ui/windows/keyboard.h"
#include "tests/zema/ui/windows/tray_test_skin.h"

namespace zema {
namespace {

using testing_ui::KeysDown;
using testing_ui::PressKey;

class OneUpdateCatalog : public CatalogFacts {
public:
    bool Update(int32_t id, UpdateDetails& facts) const override {
        if (id != 7) return false;
        facts.title = "Sample update";
        facts.downloadAddress = "http://downloads.example.test/sample-x64.exe";
        facts.rebootBehavior = 2;
        return true;
    }
    bool Bulletin(int32_t id, BulletinDetails& facts) const override {
        if (id != 1) return false;
        facts.id = 1;
        facts.name = "ZB26-001";
        facts.webPage = webPage;
        facts.description = "One.\r\nTwo.\r\nThree.";
        facts.vulnerabilities = {{5, "CVE-2026-1000", "A flaw."}};
        return true;
    }
    std::string SeverityName(int32_t) const override { return "Critical"; }
    std::string SoftwareName(int32_t) const override { return "Sample"; }

    std::string webPage = "http://bulletins.example.test/zb26-001";
};

class DetailsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(skin.Loaded());
        record.id = 7;
        record.status = UpdateStatus::Installed;
        UpdatePoint point;
        point.updateId = 7;
        point.securityBulletinId = 1;
        record.updatePoints.push_back(point);
        OpenDialog();
    }

    void OpenDialog() {
        dialog = std::make_unique<DetailsDialog>(
            skin.Get(), catalog, [this](const std::string& address) { opened.push_back(address); });
        ASSERT_NE(nullptr, dialog->Create(nullptr));
        ::SetWindowPos(dialog->hwnd(), nullptr, 0, 0, 640, 600, SWP_NOZORDER | SWP_SHOWWINDOW);
        dialog->ShowRecord(&record);
    }

    void ClickOnText(int page, int row, int column) {
        RECT text = dialog->CellTextRect(page, row, column);
        ClickAt(page, {(text.left + text.right) / 2, (text.top + text.bottom) / 2});
    }

    // A real click on a list: the list tells the dialog.
    void ClickAt(int page, POINT at) {
        dialog->SelectPage(page);
        HWND list = dialog->List(page).hwnd();
        ::SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        ::SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    }

    TrayTestSkin skin;
    OneUpdateCatalog catalog;
    UpdateRecord record;
    std::vector<std::string> opened;
    std::unique_ptr<DetailsDialog> dialog;
};

TEST_F(DetailsDialogTest, OnlyAClickOnALinksTextOpensIt) {
    RECT text = dialog->CellTextRect(0, kRowBulletin, 1);
    ASSERT_GT(text.right, text.left);
    ClickAt(0, {text.right + 12, (text.top + text.bottom) / 2});
    EXPECT_TRUE(opened.empty()) << "beside the text";
    ClickAt(0, {(text.left + text.right) / 2, (text.top + text.bottom) / 2});
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ("http://bulletins.example.test/zb26-001", opened[0]);

    RECT cve = dialog->CellTextRect(2, 0, 1);
    ClickAt(2, {(cve.left + cve.right) / 2, (cve.top + cve.bottom) / 2});
    ASSERT_EQ(2u, opened.size());
    EXPECT_EQ(CveLookupAddress("CVE-2026-1000"), opened[1]);
}

// The catalogue's bulletin address is opened only when it is a web address;
// anything else would be started by the shell with the program's rights.
TEST_F(DetailsDialogTest, OnlyWebAddressesFromTheCatalogueAreLinks) {
    const COLORREF plain = RGB(0, 0, 0);
    for (const char* hostile : {"C:\\Windows\\System32\\cmd.exe", "file:///C:/Windows/System32/cmd.exe",
                                "\\\\server\\share\\setup.exe"}) {
        SCOPED_TRACE(hostile);
        catalog.webPage = hostile;
        OpenDialog();
        for (int page : {0, 2}) {
            const int row = page == 0 ? kRowBulletin : 0;
            const int column = page == 0 ? 1 : 2;
            EXPECT_EQ(plain, dialog->List(page).NodeAt(row)->cells[column].color) << page;
            ClickOnText(page, row, column);
        }
        EXPECT_TRUE(opened.empty());
    }
    catalog.webPage = "HTTPS://bulletins.example.test/zb26-001";
    OpenDialog();
    EXPECT_NE(plain, dialog->List(0).NodeAt(kRowBulletin)->cells[1].color);
    ClickOnText(0, kRowBulletin, 1);
    ClickOnText(2, 0, 2);
    EXPECT_EQ(std::vector<std::string>(2, catalog.webPage), opened);
}

TEST_F(DetailsDialogTest, KeyboardWalksThePagesAndOpensALinkWithEnter) {
    ::ShowWindow(dialog->hwnd(), SW_HIDE);
    dialog->Present();
    EXPECT_EQ(dialog->List(0).hwnd(), ::GetFocus()) << "opened, the page has the focus";
    HWND tab = dialog->Item(kIdDetailsTab);
    ::SetFocus(tab);
    for (HWND expected : {dialog->List(0).hwnd(), dialog->Item(kIdDetailsCopy),
                          dialog->Item(IDOK), tab}) {
        PressKey(VK_TAB);
        EXPECT_EQ(expected, ::GetFocus()) << ::GetDlgCtrlID(expected);
    }
    {
        KeysDown control({VK_CONTROL});
        for (int page : {1, 2, 0}) {
            PressKey(VK_TAB);
            EXPECT_EQ(page, ::SendMessageA(tab, TCM_GETCURSEL, 0, 0));
            EXPECT_TRUE(::IsWindowVisible(dialog->List(page).hwnd()));
        }
        KeysDown shift({VK_CONTROL, VK_SHIFT});
        PressKey(VK_TAB);
        EXPECT_EQ(2, ::SendMessageA(tab, TCM_GETCURSEL, 0, 0)) << "Ctrl+Shift+Tab turns back";
    }
    EXPECT_EQ(tab, ::GetFocus()) << "turning pages keeps the focus";

    dialog->SelectPage(0);
    ::SetFocus(dialog->List(0).hwnd());
    dialog->List(0).SelectRow(kRowBulletin);
    PressKey(VK_RETURN);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ("http://bulletins.example.test/zb26-001", opened[0]);
    EXPECT_TRUE(::IsWindowVisible(dialog->hwnd())) << "Enter on a row is not the Close button";
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(::IsWindowVisible(dialog->hwnd()));
}

TEST_F(DetailsDialogTest, CopyPutsTheDownloadAddressOnTheClipboard) {
    ::SendMessageA(dialog->hwnd(), WM_COMMAND, kIdDetailsCopy, 0);
    ASSERT_TRUE(::OpenClipboard(nullptr));
    HANDLE data = ::GetClipboardData(CF_TEXT);
    std::string text = data ? static_cast<const char*>(::GlobalLock(data)) : "";
    if (data) ::GlobalUnlock(data);
    ::CloseClipboard();
    EXPECT_EQ("http://downloads.example.test/sample-x64.exe", text);
}

TEST_F(DetailsDialogTest, DescriptionParagraphsExpandIntoGroupsAndEscapeOnlyHides) {
    UpdateTreeList& general = dialog->List(0);
    general.Expand(kRowDescription, true, false);
    // Three one-line paragraphs, each followed by an empty row.
    ASSERT_EQ(kGeneralRowCount + 6, general.RowCount());
    EXPECT_EQ("Two.", general.GetText(general.NodeAt(kRowDescription + 3), 0));
    EXPECT_EQ("", general.GetText(general.NodeAt(kRowDescription + 4), 0));
    ::SendMessageA(dialog->hwnd(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(::IsWindowVisible(dialog->hwnd()));
    EXPECT_TRUE(::IsWindow(dialog->hwnd()));
}

}  // namespace
}  // namespace zema
