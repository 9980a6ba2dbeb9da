#pragma once
// A dialog with the skinned frame: the usual base of Zema's windows.

#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/skin_resources.h"
#include "zema/ui/toolkit/skinned_frame.h"

namespace zema {

class SkinnedDialog : public Dialog {
public:
    SkinnedFrame& frame() { return frame_; }
    const SkinResources& skin() const { return skin_; }

protected:
    SkinnedDialog(const SkinResources& skin, const FrameStyle& style)
        : skin_(skin), frame_(skin, style) {
        SetFrame(&frame_);
    }

private:
    const SkinResources& skin_;
    SkinnedFrame frame_;
};

}  // namespace zema
