#pragma once
// Display scale: pixel measures are written for 96 DPI (100 %) and scaled
// here, in one place and with one rounding, for the DPI a window is shown at.

#include <windows.h>

namespace win {

constexpr UINT kDefaultDpi = 96;

// `px96` at `dpi`, rounded half away from zero as MulDiv does.
int ScaleForDpi(int px96, UINT dpi);

class Dpi {
public:
    constexpr Dpi() = default;
    // Values below 1 mean 96.
    explicit Dpi(UINT value);

    // The DPI a window is shown at: the monitor's for a per-monitor aware
    // window, else the system's; the screen DC's LOGPIXELSY where the system
    // cannot say per window.
    static Dpi ForWindow(HWND window);
    static Dpi ForSystem();

    UINT Value() const { return value_; }
    bool IsDefault() const { return value_ == kDefaultDpi; }
    int Scale(int px96) const { return ScaleForDpi(px96, value_); }
    RECT Scale(const RECT& r96) const;
    SIZE Scale(const SIZE& s96) const;
    // The 96-DPI measure of `px` (for sizes the system reports at this DPI).
    int Unscale(int px) const;
    // A system metric (SM_CXSMICON, SM_CYCAPTION...) at this DPI.
    int SystemMetric(int index) const;

    bool operator==(const Dpi& o) const { return value_ == o.value_; }
    bool operator!=(const Dpi& o) const { return value_ != o.value_; }

private:
    UINT value_ = kDefaultDpi;
};

}  // namespace win
