#include "win/dpi.h"

namespace win {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

// Present from Windows 10 1607 on; earlier systems have one DPI for all.
template <typename Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                  : nullptr;
}

UINT ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    if (!screen) return kDefaultDpi;
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

}  // namespace

int ScaleForDpi(int px96, UINT dpi) {
    if (dpi == kDefaultDpi) return px96;
    return ::MulDiv(px96, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
}

Dpi::Dpi(UINT value) : value_(value > 0 ? value : kDefaultDpi) {}

Dpi Dpi::ForWindow(HWND window) {
    static const auto forWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (forWindow && window) {
        UINT dpi = forWindow(window);
        if (dpi > 0) return Dpi(dpi);
    }
    return ForSystem();
}

Dpi Dpi::ForSystem() {
    static const auto forSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    if (forSystem) {
        UINT dpi = forSystem();
        if (dpi > 0) return Dpi(dpi);
    }
    return Dpi(ScreenDpi());
}

RECT Dpi::Scale(const RECT& r96) const {
    return {Scale(r96.left), Scale(r96.top), Scale(r96.right), Scale(r96.bottom)};
}

SIZE Dpi::Scale(const SIZE& s96) const { return {Scale(s96.cx), Scale(s96.cy)}; }

int Dpi::Unscale(int px) const {
    if (IsDefault()) return px;
    return ::MulDiv(px, static_cast<int>(kDefaultDpi), static_cast<int>(value_));
}

int Dpi::SystemMetric(int index) const {
    static const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, value_);
    // Older systems answer for the system DPI only.
    Dpi system = ForSystem();
    int value = ::GetSystemMetrics(index);
    return system == *this ? value : ScaleForDpi(system.Unscale(value), value_);
}

}  // namespace win
