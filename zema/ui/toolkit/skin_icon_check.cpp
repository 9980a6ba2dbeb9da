#include "zema/ui/toolkit/skin_icon_check.h"

#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr int kGlyphSize = 16;
constexpr int kIconTextX = 18;
constexpr int kGlyphTextGap = 2;

}  // namespace

bool SkinIconCheck::Attach(HWND checkBox, const SkinResources& skin) {
    checked_ = ::SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (!Subclass(checkBox)) return false;
    SetIcons(skin.GetIcon("rni_checked"), skin.GetIcon("rni_unchecked"));
    textColor_ = skin.GetColor("rnc_dlg_ctrl_text");
    LONG_PTR style = ::GetWindowLongPtrA(checkBox, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW;
    ::SetWindowLongPtrA(checkBox, GWL_STYLE, style);
    Repaint();
    return true;
}

void SkinIconCheck::SetIcons(HICON checked, HICON unchecked) {
    checkedIcon_.Reset(checked);
    uncheckedIcon_.Reset(unchecked);
    Repaint();
}

void SkinIconCheck::SetTextColors(COLORREF enabled, COLORREF disabled) {
    textColor_ = enabled;
    disabledTextColor_ = disabled;
    Repaint();
}

void SkinIconCheck::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    Repaint();
}

void SkinIconCheck::Toggle() { SetChecked(!checked_); }

void SkinIconCheck::Paint(HDC target) {
    RECT client;
    ::GetClientRect(hwnd(), &client);
    MemoryCanvas canvas(target, client);
    HDC dc = canvas.dc();
    // No background of its own: the parent's shows through.
    PaintParentBackground(hwnd(), dc);

    win::Dpi scale = dpi();
    int glyphSize = scale.Scale(kGlyphSize);
    RECT glyph = {client.left, client.top + (client.bottom - client.top - glyphSize) / 2,
                  client.left + glyphSize, 0};
    glyph.bottom = glyph.top + glyphSize;
    bool icons = checkedIcon_ && uncheckedIcon_;
    DrawCheckMark(dc, glyph, checked_, icons ? checkedIcon_.Get() : nullptr,
                  icons ? uncheckedIcon_.Get() : nullptr, glyphSize);

    RECT box = client;
    box.left = scale.Scale(icons ? kIconTextX : kGlyphSize + kGlyphTextGap);
    char text[260] = {};
    ::GetWindowTextA(hwnd(), text, sizeof(text));
    bool enabled = ::IsWindowEnabled(hwnd());
    SelectScope font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(hwnd(), WM_GETFONT, 0, 0)));
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    LRESULT cues = ::SendMessageA(hwnd(), WM_QUERYUISTATE, 0, 0);
    if (cues & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
    RECT used = DrawTextInBox(dc, text, box, format, enabled ? textColor_ : disabledTextColor_,
                              0, true);
    if (::GetFocus() == hwnd() && !(cues & UISF_HIDEFOCUS) && used.right > used.left) {
        ::InflateRect(&used, 1, 1);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &used);
    }
}

bool SkinIconCheck::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case BM_GETCHECK:
        result = checked_ ? BST_CHECKED : BST_UNCHECKED;
        return true;
    case BM_SETCHECK:
        SetChecked(wParam == BST_CHECKED);
        result = 0;
        return true;
    case WM_LBUTTONUP:
    case WM_KEYUP:
        // The button sends BN_CLICKED while handling these when it was
        // pushed; the state must change before the parent hears of it.
        if ((message == WM_LBUTTONUP || wParam == VK_SPACE) &&
            (::SendMessageA(hwnd(), BM_GETSTATE, 0, 0) & BST_PUSHED))
            Toggle();
        return false;
    case WM_ERASEBKGND:
    case WM_PAINT:
        return HandlePaintMessages(message, wParam, result, [this](HDC dc) { Paint(dc); });
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_UPDATEUISTATE:
        result = CallDefault(message, wParam, lParam);
        Repaint();
        return true;
    case kReflectedDrawItem:
        // The button's own redraws (focus, push state) come this way.
        Paint(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hDC);
        result = TRUE;
        return true;
    }
    return false;
}

}  // namespace zema
