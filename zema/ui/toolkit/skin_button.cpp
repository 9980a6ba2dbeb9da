#include "zema/ui/toolkit/skin_button.h"

#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr int kTextInset = 4;
constexpr int kIconSize = 16;
constexpr int kIconTextOffset = 20;
constexpr int kFocusInset = 3;
constexpr int kMaxText = 260;
// Per state (normal, select, hover, disable): face top, face bottom, text,
// edge. The stop family has no bottom colours: its faces end in the
// standard family's, which Attach has set.
using FamilyNames = const char* const[4][4];
constexpr FamilyNames kFamilies[] = {
    {{"rnc_btnface_normal_from", "rnc_btnface_normal_to", "rnc_btntext_normal",
      "rnc_btnedge_normal"},
     {"rnc_btnface_select_from", "rnc_btnface_select_to", "rnc_btntext_select",
      "rnc_btnedge_select"},
     {"rnc_btnface_hover_from", "rnc_btnface_hover_to", "rnc_btntext_hover",
      "rnc_btnedge_hover"},
     {"rnc_btnface_disable_from", "rnc_btnface_disable_to", "rnc_btntext_disable",
      "rnc_btnedge_disable"}},
    {{"rnc_rprbtnface_normal_from", "rnc_rprbtnface_normal_to", "rnc_rprbtntext_normal",
      "rnc_rprbtnedge_normal"},
     {"rnc_rprbtnface_select_from", "rnc_rprbtnface_select_to", "rnc_rprbtntext_select",
      "rnc_rprbtnedge_select"},
     {"rnc_rprbtnface_hover_from", "rnc_rprbtnface_hover_to", "rnc_rprbtntext_hover",
      "rnc_rprbtnedge_hover"},
     {"rnc_rprbtnface_disable_from", "rnc_rprbtnface_disable_to", "rnc_rprbtntext_disable",
      "rnc_rprbtnedge_disable"}},
    {{"rnc_stpbtnface_normal_from", nullptr, "rnc_stpbtntext_normal", "rnc_stpbtnedge_normal"},
     {"rnc_stpbtnface_select_from", nullptr, "rnc_stpbtntext_select", "rnc_stpbtnedge_select"},
     {"rnc_stpbtnface_hover_from", nullptr, "rnc_stpbtntext_hover", "rnc_stpbtnedge_hover"},
     {"rnc_stpbtnface_disable_from", nullptr, "rnc_stpbtntext_disable",
      "rnc_stpbtnedge_disable"}},
};

COLORREF Keep(COLORREF value, COLORREF current) {
    return value == kKeepColor ? current : value;
}

}  // namespace

bool SkinButton::Attach(HWND button, const SkinResources& skin) {
    if (!Subclass(button)) return false;
    UseFamily(skin, kStandardButton);
    LONG_PTR style = ::GetWindowLongPtrA(button, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW;
    ::SetWindowLongPtrA(button, GWL_STYLE, style);
    Repaint();
    return true;
}

void SkinButton::UseFamily(const SkinResources& skin, ButtonFamily family) {
    const FamilyNames& names = kFamilies[family];
    for (int state = 0; state < 4; ++state) {
        const char* const* n = names[state];
        SetColors(static_cast<ButtonState>(state), skin.GetColor(n[0]),
                  n[1] ? skin.GetColor(n[1]) : kKeepColor, skin.GetColor(n[2]),
                  skin.GetColor(n[3]));
    }
}

void SkinButton::SetColors(ButtonState state, COLORREF faceTop, COLORREF faceBottom,
                           COLORREF text, COLORREF edge) {
    ButtonColors& c = colors_[state];
    c.faceTop = Keep(faceTop, c.faceTop);
    c.faceBottom = Keep(faceBottom, c.faceBottom);
    c.text = Keep(text, c.text);
    c.edge = Keep(edge, c.edge);
    Repaint();
}

void SkinButton::SetIcon(HICON icon) {
    icon_.Reset(icon);
    Repaint();
}

SkinButton::Look SkinButton::LookFor(bool select, bool hover, bool disabled) const {
    // Hover wins for the face, select wins for the text.
    const ButtonColors& face = disabled ? colors_[kButtonDisable]
                               : hover  ? colors_[kButtonHover]
                               : select ? colors_[kButtonSelect]
                                        : colors_[kButtonNormal];
    COLORREF text = disabled ? colors_[kButtonDisable].text
                    : select ? colors_[kButtonSelect].text
                    : hover  ? colors_[kButtonHover].text
                             : colors_[kButtonNormal].text;
    return {face.faceTop, face.faceBottom, text, face.edge};
}

void SkinButton::Paint(const DRAWITEMSTRUCT& item) {
    RECT rect = item.rcItem;
    bool pressed = item.itemState & ODS_SELECTED;
    bool focused = item.itemState & ODS_FOCUS;
    bool disabled = item.itemState & ODS_DISABLED;
    bool isDefault = false;
    if (HWND parent = ::GetParent(hwnd())) {
        LRESULT def = ::SendMessageA(parent, DM_GETDEFID, 0, 0);
        isDefault = HIWORD(def) == DC_HASDEFID &&
                    LOWORD(def) == static_cast<WORD>(::GetDlgCtrlID(hwnd()));
    }
    Look look = LookFor(focused || pressed || isDefault, IsHovered(), disabled);

    MemoryCanvas canvas(item.hDC, rect);
    HDC dc = canvas.dc();
    if (gradient_)
        FillGradientFromBottom(dc, rect, {look.faceTop, look.faceBottom});
    else
        FillRectColor(dc, rect, look.faceTop);
    FrameRectColor(dc, rect, look.edge);

    win::Dpi scale = dpi();
    RECT box = rect;
    box.left += scale.Scale(kTextInset);
    box.right -= scale.Scale(kTextInset);
    if (icon_) {
        int size = scale.Scale(kIconSize);
        int top = box.top + (box.bottom - box.top - size) / 2;
        ::DrawIconEx(dc, box.left, top, icon_.Get(), size, size, 0, nullptr, DI_NORMAL);
        box.left += scale.Scale(kIconTextOffset);
    }
    if (pressed) ::OffsetRect(&box, 1, 1);
    char text[kMaxText + 1] = {};
    ::GetWindowTextA(hwnd(), text, sizeof(text));
    LONG_PTR style = ::GetWindowLongPtrA(hwnd(), GWL_STYLE);
    UINT align = DT_CENTER;
    if ((style & BS_CENTER) == BS_RIGHT) align = DT_RIGHT;
    if ((style & BS_CENTER) == BS_LEFT) align = DT_LEFT;
    UINT format = align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
    SelectScope font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(hwnd(), WM_GETFONT, 0, 0)));
    DrawTextInBox(dc, text, box, format, look.text, 0, true);

    if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = rect;
        ::InflateRect(&focus, -scale.Scale(kFocusInset), -scale.Scale(kFocusInset));
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &focus);
    }
}

bool SkinButton::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_MOUSEMOVE:
        TrackHover(1);
        return false;
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
        HandleHoverMessages(message);
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = TRUE;
        return true;
    case kReflectedDrawItem:
        Paint(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return false;
}

}  // namespace zema
