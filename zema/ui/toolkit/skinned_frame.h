#pragma once
// The skinned non-client area of Zema's windows: a caption drawn from the
// skin's title bitmap with image-list caption buttons, coloured margins, a
// rounded window region, and the press/move/release logic of the buttons.
// It paints and hit-tests only: its close button asks with WM_CLOSE, and the
// dialog decides how it closes.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "win/dpi.h"
#include "win/unique_handle.h"

namespace zema {

class SkinResources;

enum CaptionButton : unsigned {
    kNoButton = 0,
    kCloseButton = 1,
    kMaximizeButton = 2,
    kMinimizeButton = 4,
};

struct FrameStyle {
    // Non-client sizes in 96-DPI pixels; -1 takes the system's dialog-frame
    // value.
    int caption = -1;
    int left = -1;
    int right = -1;
    int bottom = -1;
    int corner = 6;
    unsigned buttons = kCloseButton;
    // The main window shows its 32x32 icon; the others their small icon.
    bool largeIcon = false;
    // Written in white into the bottom band (the main window's web address).
    std::string footer;

    // Margins from the skin numbers rnn_<window>_topmargin, _leftmargin,
    // _rightmargin and _bottommargin ("mainwindow", "optionswindow").
    static FrameStyle FromSkin(const SkinResources& skin, const std::string& window,
                               unsigned buttons);
};

class SkinnedFrame {
public:
    // At 96 DPI; scaled for the window's DPI.
    static constexpr int kButtonWidth = 29;
    static constexpr int kButtonHeight = 18;

    SkinnedFrame(const SkinResources& skin, const FrameStyle& style);
    ~SkinnedFrame() = default;
    SkinnedFrame(const SkinnedFrame&) = delete;
    SkinnedFrame& operator=(const SkinnedFrame&) = delete;

    // Binds the frame to its window (Dialog does this before OnInit): sets
    // the caption-button styles, drops the system menu, recomputes the
    // non-client area and the region.
    void Attach(HWND window);
    // The window moved to a screen of another scale: margins, images and
    // the caption font follow (the caller then gives the window its size).
    void SetDpi(win::Dpi dpi);
    win::Dpi dpi() const { return dpi_; }
    // The window's own procedure calls this for what it did not handle
    // itself; true when the frame answered, with `result`.
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    HWND hwnd() const { return hwnd_; }

    // In window coordinates; empty for an absent button.
    RECT ButtonRect(CaptionButton button) const;
    // Caption image drawn for a button now (-1: none), for its state
    // 0 normal, 1 hover, 3 pressed.
    int ButtonImage(CaptionButton button, int state) const;
    unsigned PressedButton() const { return pressed_; }
    bool IsActive() const { return active_; }
    // Resolved non-client sizes.
    int CaptionHeight() const { return caption_; }
    RECT Margins() const { return {left_, caption_, right_, bottom_}; }
    COLORREF Background() const { return background_; }
    HBRUSH BackgroundBrush() const { return backgroundBrush_.Get(); }

    // The main window's caption uses a skin font; owned from here on.
    void SetCaptionFont(HFONT font);
    // A window with a background of its own (also the brush for statics).
    void SetBackground(COLORREF color);

    // Repaints the whole frame now.
    void Redraw();

private:
    void ResolveMargins();
    void LoadScaledResources();
    void BuildImageList();
    void UpdateButtonRects();
    void UpdateRegion();
    unsigned ButtonAt(POINT screen) const;
    int ButtonState(CaptionButton button) const;
    void PaintFrame(bool buttonsOnly);
    void PaintCaption(HDC dc, int width);
    void OnMouseMove(LPARAM lParam);
    void OnButtonDown(WPARAM wParam, LPARAM lParam);
    void OnButtonUp(LPARAM lParam);
    LRESULT HitTest(WPARAM wParam, LPARAM lParam);

    const SkinResources& skin_;
    FrameStyle style_;
    HWND hwnd_ = nullptr;
    win::Dpi dpi_;
    // The skin's caption font before it is scaled (null: the system's).
    LOGFONTA captionFont96_ = {};
    bool skinCaptionFont_ = false;
    int caption_ = 0;
    int left_ = 0;
    int right_ = 0;
    int bottom_ = 0;
    unsigned pressed_ = kNoButton;
    unsigned hot_ = kNoButton;
    bool trackingLeave_ = false;
    bool active_ = true;
    RECT buttons_[3] = {};
    COLORREF background_;
    COLORREF edge_;
    COLORREF inactiveEdge_;
    COLORREF captionText_;
    win::Brush backgroundBrush_;
    win::Bitmap titleBitmap_;
    win::Font captionFont_;
    win::ImageList images_;
};

}  // namespace zema
