#include "zema/ui/toolkit/skin_label.h"

#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/memory_canvas.h"

namespace zema {
namespace {

constexpr int kTextIndent = 10;

}  // namespace

bool SkinLabel::Attach(HWND label) {
    if (!Subclass(label)) return false;
    Repaint();
    return true;
}

void SkinLabel::SetFill(LabelFill mode, COLORREF first, COLORREF second) {
    mode_ = mode;
    first_ = first;
    second_ = second;
    Repaint();
}

void SkinLabel::SetTextColor(COLORREF color) {
    text_ = color;
    Repaint();
}

void SkinLabel::SetFont(HFONT font) {
    font_.Reset(font);
    Repaint();
}

void SkinLabel::SetIcon(HICON icon) {
    icon_.Reset(icon);
    Repaint();
}

void SkinLabel::Paint(HDC target) {
    RECT client;
    ::GetClientRect(hwnd(), &client);
    MemoryCanvas canvas(target, client);
    HDC dc = canvas.dc();
    if (icon_) {
        // The parent's background around the icon, then the icon at its
        // own size.
        PaintParentBackground(hwnd(), dc);
        ICONINFO info = {};
        int width = 0;
        int height = 0;
        if (::GetIconInfo(icon_.Get(), &info)) {
            win::Bitmap colour(info.hbmColor);
            win::Bitmap mask(info.hbmMask);
            BITMAP bitmap = {};
            ::GetObjectA(colour ? colour.Get() : mask.Get(), sizeof(bitmap), &bitmap);
            width = bitmap.bmWidth;
            height = colour ? bitmap.bmHeight : bitmap.bmHeight / 2;
        }
        ::DrawIconEx(dc, 0, 0, icon_.Get(), width, height, 0, nullptr, DI_NORMAL);
        return;
    }
    switch (mode_) {
    case kFillSolid: FillRectColor(dc, client, first_); break;
    case kFillHorizontal: FillGradientFromRight(dc, client, {first_, second_}); break;
    case kFillVertical: FillGradientFromBottom(dc, client, {first_, second_}); break;
    }
    HGDIOBJ font = font_ ? font_.Get()
                         : reinterpret_cast<HGDIOBJ>(::SendMessageA(hwnd(), WM_GETFONT, 0, 0));
    SelectScope select(dc, font);
    char text[1024] = {};
    ::GetWindowTextA(hwnd(), text, sizeof(text));
    RECT box = client;
    box.left += dpi().Scale(kTextIndent);
    DrawTextInBox(dc, text, box, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX,
                  text_, 0, true);
}

bool SkinLabel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_ERASEBKGND:
    case WM_PAINT:
        return HandlePaintMessages(message, wParam, result, [this](HDC dc) { Paint(dc); });
    case WM_SETTEXT:
        result = CallDefault(message, wParam, lParam);
        Repaint();
        return true;
    }
    return false;
}

}  // namespace zema
