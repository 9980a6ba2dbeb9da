#include "zema/ui/toolkit/skin_icon_check.h"

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
    LONG_PTR type = ::GetWindowLongPtrA(checkBox, GWL_STYLE) & BS_TYPEMASK;
    if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX) return false;
    if (!Subclass(checkBox)) return false;
    SetIcons(skin.GetIcon("rni_checked"), skin.GetIcon("rni_unchecked"));
    textColor_ = skin.GetColor("rnc_dlg_ctrl_text");
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

bool SkinIconCheck::IsChecked() const {
    return hwnd() && ::SendMessageA(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SkinIconCheck::SetChecked(bool checked) {
    if (hwnd()) ::SendMessageA(hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Owner-drawn or not, what a screen reader hears is the check box.
AccessibleItem SkinIconCheck::Self() const {
    AccessibleItem self = WindowItem(hwnd(), ROLE_SYSTEM_CHECKBUTTON);
    bool checked = IsChecked();
    if (checked) self.state |= STATE_SYSTEM_CHECKED;
    self.defaultAction = checked ? "Uncheck" : "Check";
    return self;
}

bool SkinIconCheck::DoDefaultAction(int item) {
    if (item != -1 || !::IsWindowEnabled(hwnd())) return false;
    ::SendMessageA(hwnd(), BM_CLICK, 0, 0);
    return true;
}

LRESULT SkinIconCheck::WithOwnPainting(UINT message, WPARAM wParam, LPARAM lParam) {
    // A button draws its state changes at once, outside WM_PAINT, unless it
    // is hidden; redraw off hides it for the call without a visible change.
    bool visible = (::GetWindowLongPtrA(hwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible) ::SendMessageA(hwnd(), WM_SETREDRAW, FALSE, 0);
    LRESULT result = CallDefault(message, wParam, lParam);
    if (visible) ::SendMessageA(hwnd(), WM_SETREDRAW, TRUE, 0);
    Repaint();
    return result;
}

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
    DrawCheckMark(dc, glyph, IsChecked(), icons ? checkedIcon_.Get() : nullptr,
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
        ::InflateRect(&used, scale.Scale(1), scale.Scale(1));
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &used);
    }
}

bool SkinIconCheck::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (accessible_.HandleMessage(hwnd(), message, wParam, lParam, result)) return true;
    switch (message) {
    case WM_ERASEBKGND:
    case WM_PAINT:
        return HandlePaintMessages(message, wParam, result, [this](HDC dc) { Paint(dc); });
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        result = 0;
        return true;
    case BM_SETCHECK:
        result = WithOwnPainting(message, wParam, lParam);
        AccessibleHost::StateChanged(hwnd(), -1);
        return true;
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_SETFONT:
    case WM_UPDATEUISTATE:
        result = WithOwnPainting(message, wParam, lParam);
        return true;
    }
    return false;
}

}  // namespace zema
