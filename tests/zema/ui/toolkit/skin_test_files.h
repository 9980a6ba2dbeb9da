#pragma once
// Skin files for tests: a res.xml written into a temporary installation
// folder, and small solid-colour bitmaps to find again in drawn pixels.

#include <windows.h>

#include <string>

#include "tests/support/test_support.h"
#include "win/com.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema_tests {

// A 24-bit bitmap file of one colour.
void WriteSolidBitmap(const std::string& path, int width, int height, COLORREF color);

class SkinFolder {
public:
    // Writes res.xml with `body` inside its root element and loads it.
    bool Load(const std::string& body);
    std::string File(const std::string& name) const { return folder_.File(name); }
    const zema::SkinResources& skin() const { return skin_; }
    zema::SkinResources& skin() { return skin_; }

private:
    win::ComInit com_;  // MSXML needs COM on the test's thread
    testing_support::TempFolder folder_;
    zema::SkinResources skin_;
};

}  // namespace zema_tests
