#pragma once
// The screenshot gallery: every window of Zema in the states worth looking
// at. Each window family registers its scenes in its own scenes_*.cpp file
// here (picked up by the build on its own):
//
//   ZG_GALLERY_SCENE(options_general, "options_general") {
//       auto& window = context.Keep(std::make_unique<OptionsWindow>(...));
//       return window.Create(nullptr, ...);   // the window to capture
//   }
//
// tools/screenshots shows each scene in turn on a private display and saves
// the returned window as build/screenshots/<name>.png.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "zema/ui/toolkit/skin_resources.h"

namespace gallery {

class SceneContext {
public:
    explicit SceneContext(const zema::SkinResources& skin) : skin_(skin) {}
    ~SceneContext();
    SceneContext(const SceneContext&) = delete;
    SceneContext& operator=(const SceneContext&) = delete;

    const zema::SkinResources& skin() const { return skin_; }
    // Keeps an object alive while the scene is on screen; objects go in
    // reverse order when the gallery moves on.
    template <typename T>
    T& Keep(std::unique_ptr<T> object) {
        T& kept = *object;
        kept_.push_back(std::shared_ptr<void>(std::move(object)));
        return kept;
    }
    // Lets the window's queued messages run (painting, deferred layout).
    void Settle();

private:
    const zema::SkinResources& skin_;
    std::vector<std::shared_ptr<void>> kept_;
};

// Returns the top-level window to capture, shown, or null when the scene
// could not be made.
using SceneFunction = HWND (*)(SceneContext& context);

bool RegisterScene(const char* name, SceneFunction show);

}  // namespace gallery

#define ZG_GALLERY_SCENE(id, name)                                             \
    static HWND id(gallery::SceneContext& context);                           \
    static const bool id##_registered = gallery::RegisterScene(name, id);     \
    static HWND id([[maybe_unused]] gallery::SceneContext& context)
