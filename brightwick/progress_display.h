#pragma once
// What the dialog's progress controls show for the current upgrade state.

#include <string>

#include "brightwick/upgrade_state.h"

namespace brightwick {

constexpr int kBarRange = 1000;

struct ProgressDisplay {
    bool hasCurrent = false;
    std::string fileLine;      // "name (downloaded/dlsize)" or the name
    std::string filePercent;   // "42%", empty while deploying
    int filePosition = 0;      // 0..1000
    std::string totalPercent;
    int totalPosition = 0;
};

// Reads the state (taking its lock) and updates its downloaded fraction.
ProgressDisplay ComputeProgress(UpgradeState& state);

}  // namespace brightwick
