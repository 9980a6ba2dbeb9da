#pragma once
// What the Download options page edits: the Download group and the download
// limits, kept while the window is open and written by Apply.

#include <string>

#include "zema/core/settings_store.h"

namespace zema {

class DownloadOptions {
public:
    // The save folder shown is the one the store resolved: the stored
    // folder, or "Hotfix" in the install folder when that does not exist.
    static DownloadOptions Load(SettingsStore& settings);

    DownloadGroup group;
    DownloadLimits limits;

    // The page's Default button: the save folder and the location settings
    // go back to the configuration defaults. The server address and the
    // credentials typed so far are kept (official location disables them
    // anyway), and the limits belong to the Advanced dialog's own Default.
    void ResetLocation(const std::string& installFolder);

    // Strips trailing separators from the save folder, creates it (one
    // level; a failure is left to the store's fall-back) and writes both
    // groups.
    void Save(SettingsStore& settings);
};

// The ranges of the Advanced dialog and its Default values.
class DownloadLimitRules {
public:
    struct Range {
        int low;
        int high;
    };
    static constexpr Range kJobCount = {1, 5};
    static constexpr Range kPortionCount = {1, 3};
    static constexpr Range kBandwidth = {1, 102400};  // KB/s
    static constexpr Range kRetryTimes = {0, 10};
    static constexpr Range kRetryInterval = {1, 1800};  // seconds

    // The Advanced dialog's Default: two concurrent downloads, unlike the
    // configuration default of one.
    static DownloadLimits Defaults();
    static int Clamp(int value, Range range);
    static void ClampAll(DownloadLimits& limits);
};

}  // namespace zema
