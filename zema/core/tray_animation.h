#pragma once
// The tray icon's animation: which of the eight images each 200 ms tick
// shows. One counter per process, never reset, so an animation goes on
// where the previous one stopped.

#include <array>

namespace zema {

constexpr int kTrayFrameCount = 8;
constexpr int kTrayNormalFrame = 0;

// Skin bitmaps of the image list, frame by frame: the normal image, then a
// swing through the four animation images and back.
constexpr std::array<const char*, kTrayFrameCount> kTrayFrameBitmaps = {
    "rnb_tray_normal",   "rnb_tray_animate1", "rnb_tray_animate2", "rnb_tray_animate3",
    "rnb_tray_animate4", "rnb_tray_animate3", "rnb_tray_animate2", "rnb_tray_animate1"};

class TrayAnimationCounter {
public:
    // The frame to show for this tick: 1 to 7 in turn; the normal image is
    // never part of the cycle.
    int Advance() {
        if (next_ >= kTrayFrameCount) next_ = 1;
        return next_++;
    }

private:
    int next_ = 1;
};

TrayAnimationCounter& ProcessTrayAnimation();

}  // namespace zema
