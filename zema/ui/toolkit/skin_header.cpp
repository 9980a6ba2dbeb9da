#include "zema/ui/toolkit/skin_header.h"

#include <commctrl.h>

#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr int kTextInset = 6;
constexpr int kSeparatorInset = 2;
constexpr int kMaxText = 259;

COLORREF ShiftChannels(COLORREF color, int delta) {
    auto shift = [delta](BYTE channel) { return static_cast<BYTE>((channel + delta) & 0xFF); };
    return RGB(shift(GetRValue(color)), shift(GetGValue(color)), shift(GetBValue(color)));
}

void VerticalLine(HDC dc, int x, int top, int bottom, COLORREF color) {
    RECT line = {x, top, x + 1, bottom};
    FillRectColor(dc, line, color);
}

}  // namespace

COLORREF SkinHeader::SeparatorDark(COLORREF background) { return ShiftChannels(background, -10); }

COLORREF SkinHeader::SeparatorLight(COLORREF background) { return ShiftChannels(background, 80); }

bool SkinHeader::Attach(HWND header, const SkinResources& skin) {
    if (!Subclass(header)) return false;
    SetColors(skin.GetColor("rnc_head_bk_from"), skin.GetColor("rnc_head_bk_to"),
              skin.GetColor("rnc_head_text"), skin.GetColor("rnc_head_edge"));
    return true;
}

bool SkinHeader::AttachToList(HWND listView, const SkinResources& skin) {
    return Attach(ListView_GetHeader(listView), skin);
}

void SkinHeader::SetColors(COLORREF from, COLORREF to, COLORREF text, COLORREF edge) {
    from_ = from;
    to_ = to;
    text_ = text;
    edge_ = edge;
    Repaint();
}

void SkinHeader::Paint(HDC target) {
    RECT client;
    ::GetClientRect(hwnd(), &client);
    MemoryCanvas canvas(target, client);
    HDC dc = canvas.dc();
    if (gradient_)
        FillGradientFromBottom(dc, client, {from_, to_});
    else
        FillRectColor(dc, client, from_);
    // A hairline under the band keeps it apart from the first row.
    RECT bottomLine = {client.left, client.bottom - 1, client.right, client.bottom};
    FillRectColor(dc, bottomLine, edge_);

    SelectScope font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(hwnd(), WM_GETFONT, 0, 0)));
    win::Dpi scale = dpi();
    int separatorInset = scale.Scale(kSeparatorInset);
    int count = Header_GetItemCount(hwnd());
    for (int i = 0; i < count; ++i) {
        RECT r;
        if (!Header_GetItemRect(hwnd(), i, &r)) continue;
        VerticalLine(dc, r.right - 1, r.top + separatorInset, r.bottom - separatorInset,
                     SeparatorDark(from_));
        VerticalLine(dc, r.right, r.top + separatorInset, r.bottom - separatorInset,
                     SeparatorLight(from_));
        char text[kMaxText + 1] = {};
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_FORMAT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        Header_GetItem(hwnd(), i, &item);
        UINT align = DT_LEFT;
        if ((item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT) align = DT_RIGHT;
        if ((item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER) align = DT_CENTER;
        RECT box = r;
        box.left += scale.Scale(kTextInset);
        box.right -= scale.Scale(kTextInset);
        DrawTextInBox(dc, text, box,
                      align | DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS | DT_NOPREFIX, text_,
                      0, true);
    }
}

bool SkinHeader::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_ERASEBKGND:
    case WM_PAINT:
        return HandlePaintMessages(message, wParam, result, [this](HDC dc) { Paint(dc); });
    case WM_MOUSEMOVE:
        // While a column is being dragged wider or narrower, the rows
        // beside it follow at once.
        if (::GetCapture() == hwnd()) {
            result = CallDefault(message, wParam, lParam);
            ::InvalidateRect(::GetParent(hwnd()), nullptr, FALSE);
            return true;
        }
        return false;
    }
    return false;
}

}  // namespace zema
