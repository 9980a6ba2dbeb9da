#include "zema/ui/toolkit/skinned_frame.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/test_support.h"
#include "tests/zema/ui/toolkit/skin_test_files.h"
#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skin_header.h"
#include "zema/ui/toolkit/skin_icon_check.h"
#include "zema/ui/toolkit/skinned_dialog.h"

namespace {

using namespace zema;
using testing_support::PumpFor;

// Caption images of one colour each, so drawn pixels tell which was used.
COLORREF ImageColor(int index) { return RGB(10 + index * 10, 200 - index * 10, 77); }

constexpr const char* kImageNames[] = {
    "rnb_closebutton_normal", "rnb_closebutton_hover",    "rnb_closebutton_down",
    "rnb_maxbutton_normal",   "rnb_maxbutton_hover",      "rnb_maxbutton_down",
    "rnb_maxzoombutton_normal", "rnb_maxzoombutton_hover", "rnb_maxzoombutton_down",
    "rnb_minbutton_normal",   "rnb_minbutton_hover",      "rnb_minbutton_down"};
// Image-list slot of each name (slot 3 of each button repeats its normal).
constexpr int kImageSlot[] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14};

constexpr COLORREF kEdge = RGB(30, 40, 50);
constexpr COLORREF kInactiveEdge = RGB(130, 140, 150);

class FrameTest : public ::testing::Test {
protected:
    bool LoadSkin(const char* skip = nullptr, const std::string& extra = "") {
        std::string bitmaps = "<BitmapTable>";
        for (int i = 0; i < 12; ++i) {
            if (skip && std::string(skip) == kImageNames[i]) continue;
            std::string file = std::string(kImageNames[i]) + ".bmp";
            zema_tests::WriteSolidBitmap(skin_.File(file), 29, 18, ImageColor(kImageSlot[i]));
            bitmaps += "<Bitmap name='" + std::string(kImageNames[i]) + "' file='" + file + "'/>";
        }
        bitmaps += "</BitmapTable>";
        return skin_.Load(bitmaps +
                          "<ColorTable><Color name='rnc_windowedge_bkactive'>RGB(30,40,50)</Color>"
                          "<Color name='rnc_windowedge_bkinactive'>RGB(130,140,150)</Color>"
                          "</ColorTable>" + extra +
                          "<NumberTable><Number name='rnn_mainwindow_topmargin'>30</Number>"
                          "<Number name='rnn_mainwindow_leftmargin'>4</Number>"
                          "<Number name='rnn_mainwindow_rightmargin'>4</Number>"
                          "<Number name='rnn_mainwindow_bottommargin'>4</Number></NumberTable>");
    }

    // A skinned window whose WM_CLOSE is counted rather than obeyed.
    class Window : public SkinnedDialog {
    public:
        Window(const SkinResources& skin, const FrameStyle& style) : SkinnedDialog(skin, style) {}
        int closes = 0;

    protected:
        bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
            if (message != WM_CLOSE) return false;
            ++closes;
            result = 0;
            return true;
        }
    };

    Window& Open(unsigned buttons, const char* margins = "mainwindow") {
        FrameStyle style = FrameStyle::FromSkin(skin_.skin(), margins, buttons);
        window_ = std::make_unique<Window>(skin_.skin(), style);
        DialogTemplate layout(WS_POPUP | WS_CAPTION | WS_THICKFRAME, 20, 20, 200, 100, "Test");
        HWND hwnd = window_->Create(nullptr, layout);
        EXPECT_TRUE(hwnd);
        ::ShowWindow(hwnd, SW_SHOW);
        ::SetForegroundWindow(hwnd);
        PumpFor(50);
        return *window_;
    }

    // A point given in window coordinates, as mouse messages carry it.
    LPARAM ScreenPoint(int x, int y) {
        RECT w;
        ::GetWindowRect(window_->hwnd(), &w);
        return MAKELPARAM(w.left + x, w.top + y);
    }

    LPARAM Centre(CaptionButton button) {
        RECT r = window_->frame().ButtonRect(button);
        return ScreenPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }

    COLORREF PixelAt(int x, int y) {
        window_->frame().Redraw();
        HDC dc = ::GetWindowDC(window_->hwnd());
        COLORREF color = ::GetPixel(dc, x, y);
        ::ReleaseDC(window_->hwnd(), dc);
        return color;
    }

    COLORREF ButtonPixel(CaptionButton button) {
        RECT r = window_->frame().ButtonRect(button);
        return PixelAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }

    LRESULT HitTest(LPARAM at) { return ::SendMessageA(window_->hwnd(), WM_NCHITTEST, 0, at); }
    void Send(UINT message, LPARAM at) {
        ::SendMessageA(window_->hwnd(), message, HTSYSMENU, at);
    }

    zema_tests::SkinFolder skin_;
    std::unique_ptr<Window> window_;
};

TEST_F(FrameTest, CaptionButtonsSitAtTheRightAndOnlyPresentOnesAreHit) {
    ASSERT_TRUE(LoadSkin());
    Window& all = Open(kCloseButton | kMaximizeButton | kMinimizeButton);
    RECT w;
    ::GetWindowRect(all.hwnd(), &w);
    int width = w.right - w.left;
    RECT close = all.frame().ButtonRect(kCloseButton);
    RECT maximize = all.frame().ButtonRect(kMaximizeButton);
    RECT minimize = all.frame().ButtonRect(kMinimizeButton);
    EXPECT_EQ(width - 32, close.left);
    EXPECT_EQ(width - 3, close.right);
    EXPECT_EQ(1, close.top);
    EXPECT_EQ(19, close.bottom);
    EXPECT_EQ(width - 62, maximize.left);
    EXPECT_EQ(width - 33, maximize.right);
    EXPECT_EQ(width - 92, minimize.left);
    EXPECT_EQ(width - 63, minimize.right);
    EXPECT_EQ(HTSYSMENU, HitTest(Centre(kCloseButton)));
    EXPECT_EQ(HTSYSMENU, HitTest(Centre(kMinimizeButton)));
    EXPECT_TRUE(::GetWindowLongPtrA(all.hwnd(), GWL_STYLE) & WS_MAXIMIZEBOX);

    Window& closeOnly = Open(kCloseButton);
    ::GetWindowRect(closeOnly.hwnd(), &w);
    width = w.right - w.left;
    EXPECT_EQ(width - 32, closeOnly.frame().ButtonRect(kCloseButton).left);
    RECT empty = closeOnly.frame().ButtonRect(kMaximizeButton);
    EXPECT_TRUE(::IsRectEmpty(&empty));
    EXPECT_EQ(HTSYSMENU, HitTest(Centre(kCloseButton)));
    // Where the other buttons would be, the caption drags the window.
    EXPECT_EQ(HTCAPTION, HitTest(ScreenPoint(width - 47, 10)));
    EXPECT_EQ(HTCAPTION, HitTest(ScreenPoint(width - 77, 10)));
    EXPECT_FALSE(::GetWindowLongPtrA(closeOnly.hwnd(), GWL_STYLE) &
                 (WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_SYSMENU));
}

TEST_F(FrameTest, ACaptionButtonActsOnlyWhenReleasedOverItself) {
    ASSERT_TRUE(LoadSkin());
    Window& window = Open(kCloseButton | kMaximizeButton | kMinimizeButton);
    LPARAM off = ScreenPoint(60, 10);
    Send(WM_NCLBUTTONDOWN, Centre(kCloseButton));
    EXPECT_EQ(kCloseButton, window.frame().PressedButton());
    EXPECT_EQ(ImageColor(2), ButtonPixel(kCloseButton));  // drawn pressed
    Send(WM_NCMOUSEMOVE, off);
    EXPECT_EQ(ImageColor(0), ButtonPixel(kCloseButton));  // the cursor left it
    Send(WM_NCLBUTTONUP, off);
    PumpFor(50);
    EXPECT_EQ(0, window.closes);
    EXPECT_EQ(kNoButton, window.frame().PressedButton());

    Send(WM_NCLBUTTONDOWN, Centre(kCloseButton));
    Send(WM_NCMOUSEMOVE, off);
    Send(WM_NCMOUSEMOVE, Centre(kCloseButton));
    Send(WM_NCLBUTTONUP, Centre(kCloseButton));
    PumpFor(50);
    EXPECT_EQ(1, window.closes);

    // Pressed on one button, released on another: nothing.
    Send(WM_NCLBUTTONDOWN, Centre(kMinimizeButton));
    Send(WM_NCLBUTTONUP, Centre(kMaximizeButton));
    PumpFor(50);
    EXPECT_FALSE(::IsZoomed(window.hwnd()));
    EXPECT_FALSE(::IsIconic(window.hwnd()));
}

TEST_F(FrameTest, AMaximisedWindowShowsTheRestoreImagesAndRestores) {
    ASSERT_TRUE(LoadSkin());
    Window& window = Open(kCloseButton | kMaximizeButton | kMinimizeButton);
    EXPECT_EQ(ImageColor(4), ButtonPixel(kMaximizeButton));
    Send(WM_NCLBUTTONDOWN, Centre(kMaximizeButton));
    Send(WM_NCLBUTTONUP, Centre(kMaximizeButton));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return ::IsZoomed(window.hwnd()) != FALSE; }, 5000));
    PumpFor(50);
    EXPECT_EQ(8, window.frame().ButtonImage(kMaximizeButton, 0));
    EXPECT_EQ(ImageColor(9), ButtonPixel(kMaximizeButton));  // still under the cursor
    Send(WM_NCMOUSEMOVE, ScreenPoint(60, 10));
    EXPECT_EQ(ImageColor(8), ButtonPixel(kMaximizeButton));
    // The maximised frame covers the work area, edges included.
    RECT w;
    RECT work;
    ::GetWindowRect(window.hwnd(), &w);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(work.left, w.left);
    EXPECT_EQ(work.top, w.top);
    Send(WM_NCLBUTTONDOWN, Centre(kMaximizeButton));
    Send(WM_NCLBUTTONUP, Centre(kMaximizeButton));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return !::IsZoomed(window.hwnd()); }, 5000));
    EXPECT_EQ(4, window.frame().ButtonImage(kMaximizeButton, 0));
}

TEST_F(FrameTest, StandardCommandsEndAModalSkinnedDialog) {
    ASSERT_TRUE(LoadSkin());
    class Modal : public SkinnedDialog {
    public:
        Modal(const SkinResources& skin, WORD command)
            : SkinnedDialog(skin, FrameStyle()), command_(command) {}

    protected:
        bool OnInit() override {
            ::PostMessageA(hwnd(), WM_COMMAND, command_, 0);
            return true;
        }

    private:
        WORD command_;
    };
    DialogTemplate layout(WS_POPUP | WS_CAPTION, 0, 0, 100, 50, "Modal");
    EXPECT_EQ(1, Modal(skin_.skin(), IDOK).RunModal(nullptr, layout));
    EXPECT_EQ(2, Modal(skin_.skin(), IDCANCEL).RunModal(nullptr, layout));
    EXPECT_EQ(1, Modal(skin_.skin(), IDCLOSE).RunModal(nullptr, layout));
}

// Closed by the user, a modeless dialog is gone, not merely hidden while its
// object still holds the window; a page inside it is not the one to close.
TEST_F(FrameTest, EscapeAndTheCloseButtonCloseAModelessSkinnedDialog) {
    ASSERT_TRUE(LoadSkin());
    class Plain : public SkinnedDialog {
    public:
        explicit Plain(const SkinResources& skin)
            : SkinnedDialog(skin, FrameStyle::FromSkin(skin, "mainwindow", kCloseButton)) {}
    };
    DialogTemplate layout(WS_POPUP | WS_CAPTION, 20, 20, 200, 100, "Modeless");
    layout.PushButton(IDOK, "OK", 5, 5, 50, 14);

    Plain escaped(skin_.skin());
    HWND window = escaped.Create(nullptr, layout);
    ASSERT_TRUE(window);
    ::ShowWindow(window, SW_SHOW);
    Dialog page;
    DialogTemplate pageLayout(WS_CHILD | WS_VISIBLE | DS_CONTROL, 0, 30, 100, 40, "");
    ASSERT_TRUE(page.Create(window, pageLayout));
    ::SendMessageA(page.hwnd(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(page.hwnd());
    MSG escape = {escaped.Item(IDOK), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(Dialog::TranslateModelessMessage(escape));
    PumpFor(50);
    EXPECT_EQ(nullptr, escaped.hwnd());
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(nullptr, page.hwnd());

    Plain clicked(skin_.skin());
    window = clicked.Create(nullptr, layout);
    ASSERT_TRUE(window);
    ::ShowWindow(window, SW_SHOW);
    RECT close = clicked.frame().ButtonRect(kCloseButton);
    RECT place;
    ::GetWindowRect(window, &place);
    LPARAM at = MAKELPARAM(place.left + (close.left + close.right) / 2,
                           place.top + (close.top + close.bottom) / 2);
    ::SendMessageA(window, WM_NCLBUTTONDOWN, HTSYSMENU, at);
    ::SendMessageA(window, WM_NCLBUTTONUP, HTSYSMENU, at);
    EXPECT_TRUE(testing_support::PumpUntil([&] { return !::IsWindow(window); }, 5000));
    EXPECT_EQ(nullptr, clicked.hwnd());
}

TEST_F(FrameTest, AMissingCaptionImageLeavesTheOthersInTheirPlaces) {
    ASSERT_TRUE(LoadSkin("rnb_closebutton_normal"));
    Open(kCloseButton | kMaximizeButton | kMinimizeButton);
    EXPECT_EQ(ImageColor(4), ButtonPixel(kMaximizeButton));
    EXPECT_EQ(ImageColor(12), ButtonPixel(kMinimizeButton));
}

TEST_F(FrameTest, MarginsComeFromTheSkinAndAbsurdOnesAreBounded) {
    ASSERT_TRUE(LoadSkin(nullptr,
                         "<NumberTable><Number name='rnn_mainwindow_topmargin'>30</Number>"
                         "<Number name='rnn_mainwindow_leftmargin'>5</Number>"
                         "<Number name='rnn_mainwindow_rightmargin'>-1</Number>"
                         "<Number name='rnn_mainwindow_bottommargin'>99999999999</Number>"
                         "</NumberTable>"));
    Window& window = Open(kCloseButton);
    RECT w;
    RECT client;
    ::GetWindowRect(window.hwnd(), &w);
    ::GetClientRect(window.hwnd(), &client);
    ::MapWindowPoints(window.hwnd(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(30, client.top - w.top);
    EXPECT_EQ(5, client.left - w.left);
    EXPECT_EQ(::GetSystemMetrics(SM_CXDLGFRAME), w.right - client.right);
    EXPECT_LE(w.bottom - client.bottom, 200);
    EXPECT_GT(client.bottom - client.top, 0);  // the template's client size is kept
    // The edges: active colour, and the inactive one while inactive.
    EXPECT_EQ(kEdge, PixelAt(2, 40));
    ::SendMessageA(window.hwnd(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_FALSE(window.frame().IsActive());
    EXPECT_EQ(kInactiveEdge, PixelAt(2, 40));
}

// Owner-drawn controls on a plain dialog: the button's look for its state,
// and an icon check box whose state has changed before its parent hears.
class ControlsDialog : public Dialog {
public:
    SkinButton button;
    SkinIconCheck check;
    bool checkedWhenClicked = false;
    const SkinResources* skin = nullptr;

protected:
    bool OnInit() override {
        button.Attach(Item(IDOK), *skin);
        check.Attach(Item(100), *skin);
        return true;
    }
    bool OnCommand(WORD id, WORD code, HWND) override {
        if (id == 100 && code == BN_CLICKED)
            checkedWhenClicked = ::IsDlgButtonChecked(hwnd(), 100) == BST_CHECKED;
        return id == 100;
    }
};

TEST(SkinControls, ADisabledFocusedButtonDrawsTheDisableLook) {
    zema_tests::SkinFolder folder;
    ASSERT_TRUE(folder.Load(""));
    ControlsDialog dialog;
    dialog.skin = &folder.skin();
    DialogTemplate layout(WS_POPUP, 0, 0, 120, 60, "");
    layout.PushButton(IDOK, "OK", 5, 5, 50, 14).CheckBox(100, "Check", 5, 25, 60, 12);
    ASSERT_TRUE(dialog.Create(nullptr, layout));
    const COLORREF faces[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200), RGB(90, 90, 90)};
    for (int state = 0; state < 4; ++state)
        dialog.button.SetColors(static_cast<ButtonState>(state), faces[state], faces[state],
                                faces[state] + 1, faces[state] + 2);
    SkinButton::Look look = dialog.button.LookFor(true, true, true);
    EXPECT_EQ(faces[kButtonDisable], look.faceTop);
    EXPECT_EQ(faces[kButtonDisable] + 1, look.text);
    // Hover wins for the face, select for the text.
    look = dialog.button.LookFor(true, true, false);
    EXPECT_EQ(faces[kButtonHover], look.faceTop);
    EXPECT_EQ(faces[kButtonSelect] + 1, look.text);

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 80, 30);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = dialog.button.hwnd();
    item.hDC = dc;
    item.rcItem = {0, 0, 80, 30};
    item.itemState = ODS_FOCUS | ODS_DISABLED;
    dialog.button.Paint(item);
    EXPECT_EQ(faces[kButtonDisable], ::GetPixel(dc, 1, 15));
    EXPECT_EQ(faces[kButtonDisable] + 2, ::GetPixel(dc, 0, 15));  // the edge
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);

    ::SendMessageA(dialog.check.hwnd(), BM_CLICK, 0, 0);
    EXPECT_TRUE(dialog.checkedWhenClicked);
    EXPECT_TRUE(dialog.check.IsChecked());
    ::CheckDlgButton(dialog.hwnd(), 100, BST_UNCHECKED);
    EXPECT_FALSE(dialog.check.IsChecked());
}

TEST(SkinControls, HeaderSeparatorChannelsWrapAround) {
    EXPECT_EQ(RGB(251, 118, 0), SkinHeader::SeparatorDark(RGB(5, 128, 10)));
    EXPECT_EQ(RGB(85, 24, 80), SkinHeader::SeparatorLight(RGB(5, 200, 0)));
}

}  // namespace
