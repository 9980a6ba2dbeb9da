#include "zema/ui/toolkit/skin_list_box.h"

#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr COLORREF kSelectedFill = RGB(102, 101, 182);
constexpr COLORREF kSelectedText = RGB(255, 255, 255);
constexpr COLORREF kItemFrame = RGB(202, 202, 202);
constexpr int kTextIndent = 8;

}  // namespace

bool SkinListBox::Attach(HWND listBox, const SkinResources& skin) {
    if (!Subclass(listBox)) return false;
    background_ = skin.GetColor("rnc_listbk_normal");
    text_ = skin.GetColor("rnc_dlg_ctrl_text");
    SetItemHeight(itemHeight_);
    return true;
}

void SkinListBox::SetItemHeight(int height) {
    itemHeight_ = height;
    if (hwnd()) ::SendMessageA(hwnd(), LB_SETITEMHEIGHT, 0, height);
    Repaint();
}

void SkinListBox::PaintItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    RECT rect = item.rcItem;
    MemoryCanvas canvas(item.hDC, rect);
    HDC dc = canvas.dc();
    bool selected = item.itemState & ODS_SELECTED;
    FillRectColor(dc, rect, selected ? kSelectedFill : background_);
    FrameRectColor(dc, rect, kItemFrame);
    std::string text = ItemText(static_cast<int>(item.itemID));
    RECT box = rect;
    box.left += dpi().Scale(kTextIndent);
    SelectScope font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(hwnd(), WM_GETFONT, 0, 0)));
    DrawTextInBox(dc, text.c_str(), box, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX,
                  selected ? kSelectedText : text_, 0, true);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = rect;
        ::InflateRect(&focus, -dpi().Scale(2), -dpi().Scale(2));
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &focus);
    }
}

std::string SkinListBox::ItemText(int index) const {
    char text[256] = {};
    LRESULT length = ::SendMessageA(hwnd(), LB_GETTEXTLEN, index, 0);
    if (length < 0 || length >= static_cast<LRESULT>(sizeof(text))) return {};
    ::SendMessageA(hwnd(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

AccessibleItem SkinListBox::Self() const {
    return WindowItem(hwnd(), ROLE_SYSTEM_LIST);
}

int SkinListBox::ItemCount() const {
    LRESULT count = ::SendMessageA(hwnd(), LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

AccessibleItem SkinListBox::Item(int index) const {
    AccessibleItem entry;
    entry.role = ROLE_SYSTEM_LISTITEM;
    entry.name = ItemText(index);
    entry.state = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (::SendMessageA(hwnd(), LB_GETCURSEL, 0, 0) == index) {
        entry.state |= STATE_SYSTEM_SELECTED;
        if (::GetFocus() == hwnd()) entry.state |= STATE_SYSTEM_FOCUSED;
    }
    ::SendMessageA(hwnd(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&entry.bounds));
    return entry;
}

bool SkinListBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (accessible_.HandleMessage(hwnd(), message, wParam, lParam, result)) return true;
    switch (message) {
    case kReflectedDrawItem:
        PaintItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case kReflectedMeasureItem:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = itemHeight_;
        result = TRUE;
        return true;
    }
    return false;
}

}  // namespace zema
