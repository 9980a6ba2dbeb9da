#include "win/dialog_scaler.h"

#include <algorithm>
#include <vector>

namespace win {
namespace {

// The dialog manager's base units for a font: the average width of the
// alphabet, rounded, and the cell height.
SIZE BaseUnits(HFONT font) {
    SIZE units = {};
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (!dc) return units;
    HGDIOBJ old = ::SelectObject(dc, font);
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent = {};
    TEXTMETRICA metrics = {};
    if (::GetTextExtentPoint32A(dc, kAlphabet, 52, &extent) && ::GetTextMetricsA(dc, &metrics))
        units = {(extent.cx / 26 + 1) / 2, metrics.tmHeight};
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return units;
}

std::vector<HWND> DirectChildren(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool IsComboBox(HWND window) {
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof(name));
    return ::lstrcmpiA(name, "ComboBox") == 0;
}

// The system would also re-lay out a per-monitor dialog itself on a change
// of screen (Windows 10 1703 on); the scaler does it instead, the same way
// on every system.
void KeepDpiChangesToOurselves(HWND dialog) {
    using SetBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehavior = reinterpret_cast<SetBehaviorFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32.dll"), "SetDialogDpiChangeBehavior")));
    constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
    if (setBehavior) setBehavior(dialog, kDisableAll, kDisableAll);
}

// The dialog's DPI, for the controls that paint inside it.
constexpr char kDpiProperty[] = "ZgDialogDpi";

void Remember(HWND dialog, Dpi dpi) {
    ::SetPropA(dialog, kDpiProperty,
               reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(dpi.Value())));
}

}  // namespace

Dpi DialogScaler::ForControl(HWND control) {
    for (HWND window = control; window; window = ::GetParent(window)) {
        UINT_PTR dpi = reinterpret_cast<UINT_PTR>(::GetPropA(window, kDpiProperty));
        if (dpi) return Dpi(static_cast<UINT>(dpi));
        if (!(::GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) break;
    }
    return Dpi::ForWindow(control);
}

void DialogScaler::Forget(HWND dialog) { ::RemovePropA(dialog, kDpiProperty); }

void DialogScaler::Init(HWND dialog, SIZE templateUnits) {
    KeepDpiChangesToOurselves(dialog);
    dpi_ = Dpi::ForWindow(dialog);
    Remember(dialog, dpi_);
    RECT client = {};
    ::GetClientRect(dialog, &client);
    RECT templateSize = {0, 0, templateUnits.cx, templateUnits.cy};
    if (templateUnits.cx > 0 && templateUnits.cy > 0 && ::MapDialogRect(dialog, &templateSize))
        client = templateSize;
    designed_ = {client.right, client.bottom};
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA given = {};
    if (!font || !::GetObjectA(font, sizeof(given), &given)) return;
    worn_ = font;
    font96_ = given;
    font96_.lfHeight = dpi_.Unscale(given.lfHeight);
    font96_.lfWidth = dpi_.Unscale(given.lfWidth);
    hasFont_ = true;
    if (dpi_.IsDefault()) return;
    // What the template measures at this DPI against what it measures at
    // 96, scaled: the controls keep their 96-DPI proportions exactly.
    RECT units = {0, 0, 4, 8};
    if (!::MapDialogRect(dialog, &units)) return;
    Font font96(::CreateFontIndirectA(&font96_));
    SIZE base96 = font96 ? BaseUnits(font96.Get()) : SIZE{};
    if (base96.cx <= 0 || base96.cy <= 0 || units.right <= 0 || units.bottom <= 0) return;
    ScaleRatio x{dpi_.Scale(base96.cx * 64), static_cast<int>(units.right) * 64};
    ScaleRatio y{dpi_.Scale(base96.cy * 64), static_cast<int>(units.bottom) * 64};
    ScaleChildren(dialog, x, y);
    RECT window = {};
    ::GetWindowRect(dialog, &window);
    int frameX = (window.right - window.left) - client.right;
    int frameY = (window.bottom - window.top) - client.bottom;
    designed_ = {x.Apply(client.right), y.Apply(client.bottom)};
    ::SetWindowPos(dialog, nullptr, 0, 0, designed_.cx + frameX, designed_.cy + frameY,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogScaler::Rescale(HWND dialog, Dpi dpi) {
    if (dpi == dpi_) return;
    ScaleRatio ratio{static_cast<int>(dpi.Value()), static_cast<int>(dpi_.Value())};
    ScaleChildren(dialog, ratio, ratio);
    dpi_ = dpi;
    Remember(dialog, dpi_);
    if (!hasFont_) return;
    LOGFONTA scaled = font96_;
    scaled.lfHeight = dpi_.Scale(font96_.lfHeight);
    scaled.lfWidth = dpi_.Scale(font96_.lfWidth);
    Font font(::CreateFontIndirectA(&scaled));
    if (!font) return;
    // Controls that wear the dialog font get the new one; a control with a
    // font of its own is its window's to renew. (The dialog's own WM_GETFONT
    // keeps the template's font under Wine, so the scaler remembers.)
    ::SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    for (HWND child : DirectChildren(dialog)) {
        HFONT worn = reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0));
        if (worn == worn_)
            ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    }
    worn_ = font.Get();
    font_ = std::move(font);
}

void DialogScaler::ScaleChildren(HWND parent, ScaleRatio x, ScaleRatio y) {
    if (x.IsIdentity() && y.IsIdentity()) return;
    std::vector<HWND> children = DirectChildren(parent);
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(children.size()));
    for (HWND child : children) {
        RECT place = {};
        // A combo box's window height includes its drop-down list.
        if (!IsComboBox(child) ||
            !::SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&place)))
            ::GetWindowRect(child, &place);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
        int left = x.Apply(place.left);
        int top = y.Apply(place.top);
        int width = x.Apply(place.right) - left;
        int height = y.Apply(place.bottom) - top;
        constexpr UINT kFlags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (batch)
            batch = ::DeferWindowPos(batch, child, nullptr, left, top, width, height, kFlags);
        else
            ::SetWindowPos(child, nullptr, left, top, width, height, kFlags);
    }
    if (batch) ::EndDeferWindowPos(batch);
}

}  // namespace win
