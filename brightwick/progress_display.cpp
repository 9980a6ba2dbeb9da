#include "brightwick/progress_display.h"

#include <cstdio>

namespace brightwick {
namespace {

constexpr double kCheckWeight = 0.02;
constexpr double kListFetchedWeight = 0.03;
constexpr double kListParsedWeight = 0.01;
constexpr double kDownloadedWeight = 0.90;
constexpr double kDeployedWeight = 0.04;

std::string Percent(double fraction) {
    char text[32];
    snprintf(text, sizeof(text), "%.0f%%", fraction * 100);
    return text;
}

int Position(double fraction) {
    if (fraction < 0) fraction = 0;
    if (fraction > 1) fraction = 1;
    return static_cast<int>(fraction * kBarRange);
}

}  // namespace

ProgressDisplay ComputeProgress(UpgradeState& state) {
    ProgressDisplay display;
    std::lock_guard<std::mutex> lock(state.lock);
    int current = state.currentEntry;
    uint32_t downloaded = state.downloadedBytes;
    if (current >= 0 && static_cast<size_t>(current) < state.entries.size()) {
        const FileEntry& entry = state.entries[static_cast<size_t>(current)];
        display.hasCurrent = true;
        if (state.downloading) {
            char line[512];
            snprintf(line, sizeof(line), "%s (%u/%u)", entry.item.name.c_str(), downloaded,
                     entry.item.dlsize);
            display.fileLine = line;
            double fraction = entry.item.dlsize ? static_cast<double>(downloaded) / entry.item.dlsize : 0.0;
            display.filePercent = Percent(fraction);
            display.filePosition = Position(fraction);
        } else {
            display.fileLine = entry.item.name;
            display.filePosition = kBarRange;
        }
    }
    if (!state.entries.empty()) {
        uint64_t total = 0;
        for (const FileEntry& entry : state.entries) total += entry.item.dlsize;
        uint64_t done = state.finishedBytes;
        // Bytes of the file being fetched count until it is finished.
        if (state.downloading && current >= 0) done += downloaded;
        double fraction = total ? static_cast<double>(done) / static_cast<double>(total) : 0.0;
        state.downloadedFraction = static_cast<float>(fraction > 1 ? 1 : fraction);
    }
    double total = kCheckWeight * state.checkFraction + kListFetchedWeight * state.listFetchedFraction +
                   kListParsedWeight * state.listParsedFraction +
                   kDownloadedWeight * state.downloadedFraction + kDeployedWeight * state.deployedFraction;
    display.totalPercent = Percent(total);
    display.totalPosition = Position(total);
    return display;
}

}  // namespace brightwick
