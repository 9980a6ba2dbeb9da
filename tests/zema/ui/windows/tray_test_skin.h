#pragma once
// A small skin file in a temporary folder, loaded into a SkinResources, for
// tests of the skinned windows.

#include <map>
#include <string>

#include "tests/support/test_support.h"
#include "win/com.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {

class TrayTestSkin {
public:
    // The texts and colours the tray and details windows ask for, plus
    // `strings` (which win over them).
    explicit TrayTestSkin(const std::map<std::string, std::string>& strings = {});

    SkinResources& Get() { return skin_; }
    bool Loaded() const { return skin_.IsLoaded(); }

private:
    win::ComInit com_;
    testing_support::TempFolder folder_;
    SkinResources skin_;
};

}  // namespace zema
