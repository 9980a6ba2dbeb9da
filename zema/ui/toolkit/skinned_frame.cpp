#include "zema/ui/toolkit/skinned_frame.h"

#include <windowsx.h>

#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr COLORREF kCaptionTextColor = RGB(255, 250, 230);
constexpr COLORREF kInactiveCaptionTextColor = RGB(170, 178, 190);
constexpr COLORREF kFooterTextColor = RGB(255, 255, 255);
constexpr int kImagesPerButton = 4;
constexpr int kCloseBase = 0;
constexpr int kMaximizeBase = 4;
constexpr int kRestoreBase = 8;
constexpr int kMinimizeBase = 12;
constexpr int kButtonTop = 1;
constexpr int kIconTextGap = 4;
constexpr int kFooterIndent = 6;
constexpr int kFooterLift = 2;
constexpr int kLargeIcon = 32;

// The caption images in image-list order.
constexpr const char* kCaptionImages[] = {
    "rnb_closebutton_normal",    "rnb_closebutton_hover",    "rnb_closebutton_down",
    "rnb_closebutton_normal",    "rnb_maxbutton_normal",     "rnb_maxbutton_hover",
    "rnb_maxbutton_down",        "rnb_maxbutton_normal",     "rnb_maxzoombutton_normal",
    "rnb_maxzoombutton_hover",   "rnb_maxzoombutton_down",   "rnb_maxzoombutton_normal",
    "rnb_minbutton_normal",      "rnb_minbutton_hover",      "rnb_minbutton_down",
    "rnb_minbutton_normal",
};

int ButtonIndex(CaptionButton button) {
    switch (button) {
    case kCloseButton: return 0;
    case kMaximizeButton: return 1;
    case kMinimizeButton: return 2;
    default: return -1;
    }
}

constexpr CaptionButton kAllButtons[] = {kCloseButton, kMaximizeButton, kMinimizeButton};

bool IsSizingCode(LRESULT code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }

}  // namespace

FrameStyle FrameStyle::FromSkin(const SkinResources& skin, const std::string& window,
                                unsigned buttons) {
    FrameStyle style;
    style.caption = skin.GetNumber("rnn_" + window + "_topmargin");
    style.left = skin.GetNumber("rnn_" + window + "_leftmargin");
    style.right = skin.GetNumber("rnn_" + window + "_rightmargin");
    style.bottom = skin.GetNumber("rnn_" + window + "_bottommargin");
    style.buttons = buttons;
    return style;
}

SkinnedFrame::SkinnedFrame(const SkinResources& skin, const FrameStyle& style)
    : skin_(skin), style_(style) {
    background_ = skin.GetColor("rnc_window_background");
    edge_ = skin.GetColor("rnc_windowedge_bkactive");
    inactiveEdge_ = skin.GetColor("rnc_windowedge_bkinactive");
    captionText_ = kCaptionTextColor;
    backgroundBrush_.Reset(::CreateSolidBrush(background_));
    LoadScaledResources();
    ResolveMargins();
}

void SkinnedFrame::LoadScaledResources() {
    UINT dpi = dpi_.Value();
    titleBitmap_.Reset(skin_.GetBitmap("rnb_mainwindow_title_bk", dpi));
    if (skinCaptionFont_) {
        LOGFONTA font = captionFont96_;
        font.lfHeight = dpi_.Scale(font.lfHeight);
        font.lfWidth = dpi_.Scale(font.lfWidth);
        captionFont_.Reset(::CreateFontIndirectA(&font));
        return;
    }
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        // The system answers for its own DPI.
        win::Dpi system = win::Dpi::ForSystem();
        if (system != dpi_)
            metrics.lfCaptionFont.lfHeight =
                ::MulDiv(metrics.lfCaptionFont.lfHeight, dpi, system.Value());
        metrics.lfCaptionFont.lfWeight = FW_BOLD;
        captionFont_.Reset(::CreateFontIndirectA(&metrics.lfCaptionFont));
    }
}

void SkinnedFrame::SetDpi(win::Dpi dpi) {
    if (dpi == dpi_) return;
    dpi_ = dpi;
    LoadScaledResources();
    ResolveMargins();
    if (!hwnd_) return;
    BuildImageList();
    // The new non-client sizes take effect with the window's next size.
    UpdateButtonRects();
}

void SkinnedFrame::ResolveMargins() {
    // Absurd skin numbers would leave no client area or overflow the
    // region arithmetic; keep them to a sane band.
    constexpr int kMaxMargin = 200;
    auto sane = [this](int value, int system) {
        if (value < 0) return system;
        return dpi_.Scale(value > kMaxMargin ? kMaxMargin : value);
    };
    int frameX = dpi_.SystemMetric(SM_CXDLGFRAME);
    int frameY = dpi_.SystemMetric(SM_CYDLGFRAME);
    caption_ = sane(style_.caption, frameY + dpi_.SystemMetric(SM_CYCAPTION));
    left_ = sane(style_.left, frameX);
    right_ = sane(style_.right, frameX);
    bottom_ = sane(style_.bottom, frameY);
}

void SkinnedFrame::Attach(HWND window) {
    hwnd_ = window;
    win::Dpi dpi = win::Dpi::ForWindow(window);
    if (dpi != dpi_) {
        dpi_ = dpi;
        LoadScaledResources();
        ResolveMargins();
    }
    BuildImageList();
    // A template gives the client size; keep it under the new frame.
    RECT client = {};
    ::GetClientRect(window, &client);
    LONG_PTR styleBits = ::GetWindowLongPtrA(window, GWL_STYLE);
    styleBits &= ~static_cast<LONG_PTR>(WS_SYSMENU | WS_MAXIMIZEBOX | WS_MINIMIZEBOX);
    if (style_.buttons & kMaximizeButton) styleBits |= WS_MAXIMIZEBOX;
    if (style_.buttons & kMinimizeButton) styleBits |= WS_MINIMIZEBOX;
    ::SetWindowLongPtrA(window, GWL_STYLE, styleBits);
    // The new non-client sizes take effect now.
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!::IsZoomed(window) && !::IsIconic(window)) {
        ::SetWindowPos(window, nullptr, 0, 0, client.right + left_ + right_,
                       client.bottom + caption_ + bottom_,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UpdateButtonRects();
    UpdateRegion();
}

void SkinnedFrame::BuildImageList() {
    int width = dpi_.Scale(kButtonWidth);
    int height = dpi_.Scale(kButtonHeight);
    images_.Reset(::ImageList_Create(width, height, ILC_COLOR32, 16, 0));
    if (!images_) return;
    for (const char* name : kCaptionImages) {
        win::Bitmap bitmap(skin_.GetBitmap(name, dpi_.Value()));
        if (bitmap) {
            ::ImageList_Add(images_.Get(), bitmap.Get(), nullptr);
            continue;
        }
        // A missing image keeps its place, so every later button still
        // draws its own image; its own place stays blank.
        win::Bitmap blank(CreateBlankImage(width, height));
        if (blank) ::ImageList_Add(images_.Get(), blank.Get(), nullptr);
    }
}

void SkinnedFrame::UpdateButtonRects() {
    RECT window = {};
    if (hwnd_) ::GetWindowRect(hwnd_, &window);
    int width = window.right - window.left;
    bool hasClose = style_.buttons & kCloseButton;
    bool hasMaximize = style_.buttons & kMaximizeButton;
    bool hasMinimize = style_.buttons & kMinimizeButton;
    int buttonWidth = dpi_.Scale(kButtonWidth);
    int top = dpi_.Scale(kButtonTop);
    int bottom = top + dpi_.Scale(kButtonHeight);
    int closeWidth = hasClose ? buttonWidth : 0;
    int maximizeWidth = hasMaximize ? buttonWidth : 0;
    auto place = [&](bool present, int right) {
        return present ? RECT{right - buttonWidth, top, right, bottom} : RECT{};
    };
    buttons_[0] = place(hasClose, width - dpi_.Scale(3));
    buttons_[1] = place(hasMaximize, width - dpi_.Scale(4) - closeWidth);
    buttons_[2] = place(hasMinimize, width - dpi_.Scale(5) - closeWidth - maximizeWidth);
}

void SkinnedFrame::UpdateRegion() {
    if (!hwnd_) return;
    RECT window;
    ::GetWindowRect(hwnd_, &window);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    // A maximised window meets the screen edges with square corners.
    int corner = ::IsZoomed(hwnd_) ? 0 : dpi_.Scale(style_.corner);
    HRGN region = corner > 0
                      ? ::CreateRoundRectRgn(0, 0, width + 1, height + 1, corner, corner)
                      : ::CreateRectRgn(0, 0, width, height);
    // The window owns the region from here on.
    if (region && !::SetWindowRgn(hwnd_, region, TRUE)) ::DeleteObject(region);
}

RECT SkinnedFrame::ButtonRect(CaptionButton button) const {
    int index = ButtonIndex(button);
    return index < 0 ? RECT{} : buttons_[index];
}

unsigned SkinnedFrame::ButtonAt(POINT screen) const {
    RECT window;
    if (!::GetWindowRect(hwnd_, &window)) return kNoButton;
    POINT p = {screen.x - window.left, screen.y - window.top};
    for (CaptionButton button : kAllButtons) {
        if (!(style_.buttons & button)) continue;
        if (::PtInRect(&buttons_[ButtonIndex(button)], p)) return button;
    }
    return kNoButton;
}

int SkinnedFrame::ButtonState(CaptionButton button) const {
    if (hot_ != button) return 0;
    return pressed_ == button ? 3 : 1;
}

int SkinnedFrame::ButtonImage(CaptionButton button, int state) const {
    if (!(style_.buttons & button)) return -1;
    int base = kCloseBase;
    if (button == kMinimizeButton) base = kMinimizeBase;
    if (button == kMaximizeButton)
        base = (hwnd_ && ::IsZoomed(hwnd_)) ? kRestoreBase : kMaximizeBase;
    switch (state) {
    case 1: return base + 1;
    case 3: return base + 2;
    case 4: return base + 3;
    default: return base;
    }
}

void SkinnedFrame::SetCaptionFont(HFONT font) {
    if (font) {
        // Kept as given at 96 DPI, for the next change of scale.
        LOGFONTA given = {};
        if (::GetObjectA(font, sizeof(given), &given)) {
            given.lfHeight = dpi_.Unscale(given.lfHeight);
            given.lfWidth = dpi_.Unscale(given.lfWidth);
            captionFont96_ = given;
            skinCaptionFont_ = true;
        }
        captionFont_.Reset(font);
    }
    Redraw();
}

void SkinnedFrame::SetBackground(COLORREF color) {
    background_ = color;
    backgroundBrush_.Reset(::CreateSolidBrush(color));
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void SkinnedFrame::Redraw() {
    if (hwnd_) PaintFrame(false);
}

void SkinnedFrame::PaintCaption(HDC dc, int width) {
    RECT caption = {0, 0, width, caption_};
    if (titleBitmap_) {
        HDC source = ::CreateCompatibleDC(dc);
        if (source) {
            BITMAP info = {};
            ::GetObjectA(titleBitmap_.Get(), sizeof(info), &info);
            HGDIOBJ old = ::SelectObject(source, titleBitmap_.Get());
            ::SetStretchBltMode(dc, COLORONCOLOR);
            ::StretchBlt(dc, 0, 0, width, caption_, source, 0, 0, info.bmWidth, info.bmHeight,
                         SRCCOPY);
            ::SelectObject(source, old);
            ::DeleteDC(source);
        }
    } else {
        FillRectColor(dc, caption, active_ ? edge_ : inactiveEdge_);
    }

    int saved = ::SaveDC(dc);
    for (CaptionButton button : kAllButtons) {
        if (!(style_.buttons & button)) continue;
        const RECT& r = buttons_[ButtonIndex(button)];
        int image = ButtonImage(button, ButtonState(button));
        if (images_ && image >= 0)
            ::ImageList_Draw(images_.Get(), image, dc, r.left, r.top, ILD_NORMAL);
        ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }

    int x = left_ + dpi_.Scale(4);
    HICON icon = nullptr;
    int iconSize =
        style_.largeIcon ? dpi_.Scale(kLargeIcon) : dpi_.SystemMetric(SM_CXSMICON);
    icon = reinterpret_cast<HICON>(
        ::SendMessageA(hwnd_, WM_GETICON, style_.largeIcon ? ICON_BIG : ICON_SMALL, 0));
    if (!icon)
        icon = reinterpret_cast<HICON>(
            ::GetClassLongPtrA(hwnd_, style_.largeIcon ? GCLP_HICON : GCLP_HICONSM));
    if (icon) {
        ::DrawIconEx(dc, x, (caption_ - iconSize) / 2, icon, iconSize, iconSize, 0, nullptr,
                     DI_NORMAL);
        x += iconSize + dpi_.Scale(kIconTextGap);
    }

    char text[512] = {};
    ::GetWindowTextA(hwnd_, text, sizeof(text));
    int textRight = width - right_;
    for (const RECT& r : buttons_)
        if (r.right > r.left && r.left < textRight) textRight = r.left - dpi_.Scale(kIconTextGap);
    RECT textBox = {x, 0, textRight, caption_};
    HGDIOBJ oldFont = captionFont_ ? ::SelectObject(dc, captionFont_.Get()) : nullptr;
    DrawTextInBox(dc, text, textBox, DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS | DT_NOPREFIX,
                  active_ ? captionText_ : kInactiveCaptionTextColor, 0, true);
    if (oldFont) ::SelectObject(dc, oldFont);
    ::RestoreDC(dc, saved);
}

void SkinnedFrame::PaintFrame(bool buttonsOnly) {
    if (!hwnd_) return;
    RECT window;
    ::GetWindowRect(hwnd_, &window);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    HDC dc = ::GetWindowDC(hwnd_);
    if (!dc) return;
    {
        RECT captionArea = {0, 0, width, caption_};
        MemoryCanvas canvas(dc, captionArea);
        PaintCaption(canvas.dc(), width);
    }
    if (!buttonsOnly) {
        COLORREF edge = active_ ? edge_ : inactiveEdge_;
        RECT leftBand = {0, caption_, left_, height - bottom_};
        RECT rightBand = {width - right_, caption_, width, height - bottom_};
        RECT bottomBand = {0, height - bottom_, width, height};
        FillRectColor(dc, leftBand, edge);
        FillRectColor(dc, rightBand, edge);
        FillRectColor(dc, bottomBand, edge);
        if (!style_.footer.empty() && bottom_ > 0) {
            RECT footer = bottomBand;
            footer.left += dpi_.Scale(kFooterIndent);
            ::OffsetRect(&footer, 0, -dpi_.Scale(kFooterLift));
            HGDIOBJ oldFont = ::SelectObject(
                dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
            DrawTextInBox(dc, style_.footer, footer, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
                          kFooterTextColor, 0, true);
            if (oldFont) ::SelectObject(dc, oldFont);
        }
    }
    ::ReleaseDC(hwnd_, dc);
}

LRESULT SkinnedFrame::HitTest(WPARAM wParam, LPARAM lParam) {
    LRESULT code = ::DefWindowProcA(hwnd_, WM_NCHITTEST, wParam, lParam);
    POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT window;
    ::GetWindowRect(hwnd_, &window);
    // The whole painted caption drags the window, not only the band the
    // system would give a standard caption.
    if (!IsSizingCode(code) && code != HTCLIENT && screen.y >= window.top &&
        screen.y < window.top + caption_)
        code = HTCAPTION;
    if (code == HTCAPTION && ButtonAt(screen) != kNoButton) code = HTSYSMENU;
    return code;
}

void SkinnedFrame::OnMouseMove(LPARAM lParam) {
    POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    unsigned hot = ButtonAt(screen);
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE | TME_NONCLIENT, hwnd_, 0};
        trackingLeave_ = ::TrackMouseEvent(&track) != FALSE;
    }
    if (hot != hot_) {
        hot_ = hot;
        PaintFrame(true);
    }
}

void SkinnedFrame::OnButtonDown(WPARAM wParam, LPARAM lParam) {
    POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    pressed_ = ButtonAt(screen);
    hot_ = pressed_;
    PaintFrame(true);
    // A maximised window stays where it is.
    if (pressed_ == kNoButton && !::IsZoomed(hwnd_))
        ::DefWindowProcA(hwnd_, WM_NCLBUTTONDOWN, wParam, lParam);
}

void SkinnedFrame::OnButtonUp(LPARAM lParam) {
    POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    unsigned released = ButtonAt(screen);
    unsigned pressed = pressed_;
    pressed_ = kNoButton;
    hot_ = released;
    PaintFrame(true);
    if (pressed == kNoButton || released != pressed) return;
    switch (pressed) {
    case kCloseButton:
        ::PostMessageA(hwnd_, WM_CLOSE, 0, 0);
        break;
    case kMaximizeButton:
        ::PostMessageA(hwnd_, WM_SYSCOMMAND, ::IsZoomed(hwnd_) ? SC_RESTORE : SC_MAXIMIZE,
                       lParam);
        break;
    case kMinimizeButton:
        ::PostMessageA(hwnd_, WM_SYSCOMMAND, SC_MINIMIZE, lParam);
        break;
    }
}

bool SkinnedFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!hwnd_) return false;
    switch (message) {
    case WM_SIZE:
        UpdateButtonRects();
        UpdateRegion();
        return false;
    case WM_ACTIVATE:
        active_ = LOWORD(wParam) != WA_INACTIVE;
        PaintFrame(false);
        return false;
    case WM_NCACTIVATE:
        active_ = wParam != FALSE;
        PaintFrame(false);
        result = TRUE;
        return true;
    case WM_SETTEXT:
        result = ::DefWindowProcA(hwnd_, message, wParam, lParam);
        PaintFrame(false);
        return true;
    case WM_GETMINMAXINFO: {
        // Maximised, the frame covers the work area exactly instead of
        // hanging its edges off the screen as a system frame does.
        HMONITOR monitor = ::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        if (!monitor || !::GetMonitorInfoA(monitor, &info)) return false;
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMaxPosition = {info.rcWork.left - info.rcMonitor.left,
                                 info.rcWork.top - info.rcMonitor.top};
        limits->ptMaxSize = {info.rcWork.right - info.rcWork.left,
                             info.rcWork.bottom - info.rcWork.top};
        result = 0;
        return true;
    }
    case WM_NCCALCSIZE: {
        RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                         : reinterpret_cast<RECT*>(lParam);
        r->top += caption_;
        r->left += left_;
        r->right -= right_;
        r->bottom -= bottom_;
        if (r->right < r->left) r->right = r->left;
        if (r->bottom < r->top) r->bottom = r->top;
        result = 0;
        return true;
    }
    case WM_NCHITTEST:
        result = HitTest(wParam, lParam);
        return true;
    case WM_NCPAINT:
        PaintFrame(false);
        result = 0;
        return true;
    case WM_NCMOUSEMOVE:
        result = ::DefWindowProcA(hwnd_, message, wParam, lParam);
        OnMouseMove(lParam);
        return true;
    case WM_NCMOUSELEAVE:
        trackingLeave_ = false;
        if (hot_ != kNoButton) {
            hot_ = kNoButton;
            PaintFrame(true);
        }
        result = 0;
        return true;
    case WM_NCLBUTTONDOWN:
        OnButtonDown(wParam, lParam);
        result = 0;
        return true;
    case WM_NCLBUTTONUP:
        OnButtonUp(lParam);
        result = 0;
        return true;
    case WM_NCLBUTTONDBLCLK:
        // A double click on the caption maximises or restores, as users
        // expect, but only where a maximise button exists.
        if (wParam == HTCAPTION && (style_.buttons & kMaximizeButton))
            ::PostMessageA(hwnd_, WM_SYSCOMMAND, ::IsZoomed(hwnd_) ? SC_RESTORE : SC_MAXIMIZE, 0);
        result = 0;
        return true;
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(hwnd_, &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, BackgroundBrush());
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC:
        ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(BackgroundBrush());
        return true;
    }
    return false;
}

}  // namespace zema
