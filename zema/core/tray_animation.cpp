#include "zema/core/tray_animation.h"

namespace zema {

TrayAnimationCounter& ProcessTrayAnimation() {
    static TrayAnimationCounter counter;
    return counter;
}

}  // namespace zema
