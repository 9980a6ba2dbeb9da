#include "zema/ui/windows/notification_window.h"

#include <algorithm>
#include <iterator>

#include "zema/core/messages.h"
#include "zema/resource.h"
#include "zema/ui/toolkit/dialog_template.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

// The pane's width in pixels at 96 DPI (like every measure here, scaled for
// the pane's DPI); its height follows the message. The frame grows around it.
constexpr int kPaneWidth = 300;
constexpr POINT kIconAt = {7, 20};
constexpr int kIconSize = 32;
// The message never runs below `bottom`; longer text ends in an ellipsis.
constexpr RECT kMessageInset = {46, 20, 8, 150};  // left, top, right inset, bottom
constexpr COLORREF kBorderColor = RGB(169, 169, 209);
constexpr COLORREF kLinkColor = RGB(0, 0, 255);
// Below the message (or the icon, if taller): the check box, then the links.
constexpr int kBlockGap = 12;
constexpr int kRowGap = 6;
constexpr int kBottomMargin = 12;
constexpr int kCheckHeight = 18;
constexpr int kCheckRight = 290;
constexpr UINT kMessageFormat =
    DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS | DT_NOPREFIX;
constexpr int kLinkHeight = 18;
constexpr int kLinkGap = 18;
constexpr int kLinkPad = 2;

constexpr ControlText kPaneTexts[] = {
    {kIdRebootNow, "rns_idc_check_reboot"},
    {kIdRepairLink, "rns_idc_static_repair"},
    {kIdDetailsLink, "rns_idc_static_view_detail"},
    {kIdOkLink, "rns_idok"},
    {-1, nullptr},
};

constexpr int kLinks[] = {kIdRepairLink, kIdDetailsLink, kIdOkLink};

bool IsLink(int id) { return std::find(std::begin(kLinks), std::end(kLinks), id) != std::end(kLinks); }

}  // namespace

// The skinned, topmost frame; it only holds the pane.
class NotificationWindow::FrameDialog : public Dialog {
public:
    explicit FrameDialog(const SkinResources& skin) : frame_(skin, Style()) { SetFrame(&frame_); }

    const SkinnedFrame& Skin() const { return frame_; }

    // Sizes the window so that its client area is exactly `client`.
    void FitClient(SIZE client) {
        RECT margins = frame_.Margins();
        ::SetWindowPos(hwnd(), nullptr, 0, 0, client.cx + margins.left + margins.right,
                       client.cy + margins.top + margins.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

protected:
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message == WM_CLOSE) {
            Close(0);
            result = 0;
            return true;
        }
        return false;
    }
    void OnSize(UINT, int cx, int cy) override {
        if (HWND pane = ::GetWindow(hwnd(), GW_CHILD))
            ::MoveWindow(pane, 0, 0, cx, cy, TRUE);
    }

private:
    static FrameStyle Style() {
        FrameStyle style;
        style.caption = 28;
        style.left = style.right = style.bottom = 1;
        style.corner = 0;
        style.buttons = kCloseButton;
        return style;
    }

    SkinnedFrame frame_;
};

// The content: icon, message, the reboot check box and the links.
class NotificationWindow::ContentDialog : public Dialog {
public:
    ContentDialog(NotificationWindow& owner, const SkinResources& skin)
        : owner_(owner), skin_(skin) {
        background_ = skin.GetColor("rnc_window_background");
        brush_.Reset(::CreateSolidBrush(background_));
    }

    bool RebootChecked() const { return check_.IsChecked(); }

    // Returns the pane's height that fits the message and the controls shown.
    int Fill(const NotificationContent& content) {
        message_ = content.message;
        color_ = content.color;
        icon_.Reset(skin_.GetIconOr(content.icon, kAlertIcon, dpi().Value()));
        check_.SetChecked(false);
        ::ShowWindow(Item(kIdRebootNow), content.showRebootCheck ? SW_SHOWNA : SW_HIDE);
        ::ShowWindow(Item(kIdRepairLink), content.showRepair ? SW_SHOWNA : SW_HIDE);
        ::ShowWindow(Item(kIdDetailsLink), content.showDetails ? SW_SHOWNA : SW_HIDE);
        ::ShowWindow(Item(kIdOkLink), content.showOk ? SW_SHOWNA : SW_HIDE);
        int bottom = std::max<int>(MessageBottom(), Px(kIconAt.y + kIconSize));
        int top = bottom + Px(kBlockGap);
        if (content.showRebootCheck) {
            ::MoveWindow(Item(kIdRebootNow), Px(kMessageInset.left), top,
                         Px(kCheckRight - kMessageInset.left), Px(kCheckHeight), FALSE);
            bottom = top + Px(kCheckHeight);
            top = bottom + Px(kRowGap);
        }
        if (ArrangeLinks(top)) bottom = top + Px(kLinkHeight);
        ::InvalidateRect(hwnd(), nullptr, TRUE);
        return bottom + Px(kBottomMargin);
    }

protected:
    bool OnInit() override {
        skin_.ApplyControlTexts(hwnd(), kPaneTexts);
        check_.Attach(Item(kIdRebootNow), skin_);
        for (size_t i = 0; i < std::size(kLinks); ++i) links_[i].Attach(Item(kLinks[i]));
        LoadFonts();
        return false;  // never take the focus
    }

    void OnDpiChanged(win::Dpi) override { LoadFonts(); }

    bool OnCommand(WORD id, WORD code, HWND) override {
        if (!IsLink(id) || code != STN_CLICKED) return false;
        owner_.OnLink(id);
        return true;
    }

    // The skin's fonts, and the underlined dialog font, for the pane's scale.
    void LoadFonts() {
        messageFont_.Reset(skin_.GetFont("rnf_tray_title", dpi().Value()));
        okFont_.Reset(skin_.GetFont("rnf_tray_repair", dpi().Value()));
        LOGFONTA font = {};
        if (::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(hwnd(), WM_GETFONT, 0, 0)),
                         sizeof(font), &font)) {
            font.lfUnderline = TRUE;
            linkFont_.Reset(::CreateFontIndirectA(&font));
        }
        for (int id : kLinks) {
            HFONT use = id == kIdOkLink && okFont_ ? okFont_.Get() : linkFont_.Get();
            if (use) ::SendMessageA(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(use), FALSE);
        }
    }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
        case WM_ERASEBKGND: {
            // Also what the check box copies under itself.
            RECT client;
            ::GetClientRect(hwnd(), &client);
            FillRectColor(reinterpret_cast<HDC>(wParam), client, background_);
            result = 1;
            return true;
        }
        case WM_PAINT:
            Paint();
            result = 0;
            return true;
        case WM_CTLCOLORSTATIC:
            ::SetTextColor(reinterpret_cast<HDC>(wParam), kLinkColor);
            ::SetBkColor(reinterpret_cast<HDC>(wParam), background_);
            result = reinterpret_cast<LRESULT>(brush_.Get());
            return true;
        case WM_SETCURSOR:
            if (IsLink(::GetDlgCtrlID(reinterpret_cast<HWND>(wParam)))) {
                ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
                result = TRUE;
                return true;
            }
            return false;
        }
        (void)lParam;
        return false;
    }

private:
    // Lines the shown links up at `top`; false when none is shown.
    bool ArrangeLinks(int top) {
        int x = Px(kMessageInset.left);
        bool any = false;
        for (int id : kLinks) {
            HWND link = Item(id);
            if (!WillShow(id)) continue;
            ::MoveWindow(link, x, top, TextWidth(link) + Px(kLinkPad), Px(kLinkHeight), FALSE);
            x += TextWidth(link) + Px(kLinkPad) + Px(kLinkGap);
            any = true;
        }
        return any;
    }

    // Where the wrapped message ends, measured as Paint draws it.
    int MessageBottom() const {
        RECT text = MessageRect(Px(kPaneWidth));
        HDC dc = ::GetDC(hwnd());
        if (!dc) return text.bottom;
        {
            SelectScope font(dc, messageFont_.Get());
            ::DrawTextA(dc, message_.c_str(), static_cast<int>(message_.size()), &text,
                        kMessageFormat | DT_CALCRECT);
        }
        ::ReleaseDC(hwnd(), dc);
        return std::min<int>(text.bottom, Px(kMessageInset.bottom));
    }

    RECT MessageRect(int paneWidth) const {
        return {Px(kMessageInset.left), Px(kMessageInset.top), paneWidth - Px(kMessageInset.right),
                Px(kMessageInset.bottom)};
    }

    bool WillShow(int id) const { return (::GetWindowLongA(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }

    static int TextWidth(HWND control) {
        char text[256] = {};
        int length = ::GetWindowTextA(control, text, sizeof(text));
        HDC dc = ::GetDC(control);
        if (!dc) return 0;
        SIZE size = {};
        {
            SelectScope font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
            ::GetTextExtentPoint32A(dc, text, length, &size);
        }
        ::ReleaseDC(control, dc);
        return size.cx;
    }

    void Paint() {
        PAINTSTRUCT paint;
        HDC target = ::BeginPaint(hwnd(), &paint);
        RECT client;
        ::GetClientRect(hwnd(), &client);
        {
            MemoryCanvas canvas(target, client);
            HDC dc = canvas.dc();
            FillRectColor(dc, client, background_);
            if (icon_)
                ::DrawIconEx(dc, Px(kIconAt.x), Px(kIconAt.y), static_cast<HICON>(icon_.Get()),
                             Px(kIconSize), Px(kIconSize), 0, nullptr, DI_NORMAL);
            RECT text = MessageRect(client.right);
            SelectScope font(dc, messageFont_.Get());
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, color_);
            ::DrawTextA(dc, message_.c_str(), static_cast<int>(message_.size()), &text,
                        kMessageFormat);
            FrameRectColor(dc, client, kBorderColor);
        }
        ::EndPaint(hwnd(), &paint);
    }

    NotificationWindow& owner_;
    const SkinResources& skin_;
    SkinIconCheck check_;
    SkinLink links_[std::size(kLinks)];
    COLORREF background_;
    win::Brush brush_;
    win::Icon icon_;
    win::Font messageFont_;
    win::Font okFont_;
    win::Font linkFont_;
    std::string message_;
    COLORREF color_ = RGB(0, 0, 0);
};

NotificationWindow::NotificationWindow(NotificationParts parts) : parts_(std::move(parts)) {}

NotificationWindow::~NotificationWindow() { Destroy(); }

HWND NotificationWindow::Frame() const { return frame_ ? frame_->hwnd() : nullptr; }

HWND NotificationWindow::Content() const { return pane_ ? pane_->hwnd() : nullptr; }

void NotificationWindow::Show(NotificationKind kind) {
    const SkinResources& skin = *parts_.skin;
    if (!Frame()) {
        pane_.reset();
        frame_ = std::make_unique<FrameDialog>(skin);
        DialogTemplate frameLayout(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0,
                                   200, 130, skin.GetString("rns_tray_window_title"), "Tahoma",
                                   8, WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE);
        if (!frame_->Create(parts_.manager, frameLayout)) {
            frame_.reset();
            return;
        }
        int iconSize = frame_->dpi().SystemMetric(SM_CXSMICON);
        HICON small = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                      MAKEINTRESOURCEA(IDI_ZEMA), IMAGE_ICON,
                                                      iconSize, iconSize, LR_SHARED));
        if (small) ::SendMessageA(Frame(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
        pane_ = std::make_unique<ContentDialog>(*this, skin);
        DialogTemplate paneLayout(DS_CONTROL | WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 200, 130, "",
                                  "Tahoma", 8);
        paneLayout.CheckBox(kIdRebootNow, "", 0, 0, 10, 10)
            .Label(kIdRepairLink, "", 0, 0, 10, 10, SS_LEFT | SS_NOTIFY | WS_TABSTOP)
            .Label(kIdDetailsLink, "", 0, 0, 10, 10, SS_LEFT | SS_NOTIFY | WS_TABSTOP)
            .Label(kIdOkLink, "", 0, 0, 10, 10, SS_LEFT | SS_NOTIFY | WS_TABSTOP);
        if (!pane_->Create(Frame(), paneLayout)) {
            Destroy();
            return;
        }
    }
    kind_ = kind;
    content_ = ComposeNotification(
        kind, parts_.session ? CurrentFacts(*parts_.session) : NotificationFacts(), skin);
    frame_->FitClient({pane_->Px(kPaneWidth), pane_->Fill(content_)});
    ::ShowWindow(Content(), SW_SHOWNA);

    RECT window;
    ::GetWindowRect(Frame(), &window);
    SIZE size = {window.right - window.left, window.bottom - window.top};
    POINT at = PlaceNotification(parts_.taskbar ? parts_.taskbar() : TaskbarPosition(),
                                 parts_.screen ? parts_.screen() : ReadScreenArea(), size);
    ::SetWindowPos(Frame(), HWND_TOPMOST, at.x, at.y, 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::RedrawWindow(Frame(), nullptr, nullptr,
                   RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void NotificationWindow::Hide() {
    if (Frame()) ::ShowWindow(Frame(), SW_HIDE);
}

void NotificationWindow::Destroy() {
    pane_.reset();
    frame_.reset();
}

void NotificationWindow::OnLink(int id) {
    HWND manager = parts_.manager;
    HWND frame = Frame();
    switch (id) {
    case kIdRepairLink:
        if (manager) ::SendMessageA(manager, kMsgRepairNow, 0, 0);
        break;
    case kIdDetailsLink:
        if (manager) ::SendMessageA(manager, kMsgShowMainWindow, 0, 0);
        break;
    case kIdOkLink:
        if (pane_ && pane_->RebootChecked() && parts_.power) parts_.power(EWX_REBOOT);
        break;
    }
    // Closed after the control's own notification has unwound.
    if (frame && ::IsWindow(frame)) ::PostMessageA(frame, WM_CLOSE, 0, 0);
}

}  // namespace zema
