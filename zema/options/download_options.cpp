#include "zema/options/download_options.h"

#include <algorithm>

namespace zema {

constexpr DownloadLimitRules::Range DownloadLimitRules::kJobCount;
constexpr DownloadLimitRules::Range DownloadLimitRules::kPortionCount;
constexpr DownloadLimitRules::Range DownloadLimitRules::kBandwidth;
constexpr DownloadLimitRules::Range DownloadLimitRules::kRetryTimes;
constexpr DownloadLimitRules::Range DownloadLimitRules::kRetryInterval;

DownloadOptions DownloadOptions::Load(SettingsStore& settings) {
    DownloadOptions o;
    o.group = settings.GetDownloadGroup(true);
    o.group.updatesSavePath = settings.SaveFolder();
    o.limits = settings.GetDownloadLimits(true);
    return o;
}

void DownloadOptions::ResetLocation(const std::string& installFolder) {
    const DownloadGroup defaults;
    group.updatesSavePath = installFolder + "\\Hotfix";
    group.updatesLocationType = defaults.updatesLocationType;
    group.updatesServerAuth = defaults.updatesServerAuth;
    group.downloadFailFromOfficial = defaults.downloadFailFromOfficial;
    group.downloadDirStruct = defaults.downloadDirStruct;
}

void DownloadOptions::Save(SettingsStore& settings) {
    std::string& folder = group.updatesSavePath;
    folder = StripTrailingSeparators(folder);
    if (!folder.empty()) ::CreateDirectoryA(folder.c_str(), nullptr);
    settings.SetDownloadGroup(group, true);
    settings.SetDownloadLimits(limits, true);
}

DownloadLimits DownloadLimitRules::Defaults() {
    DownloadLimits l;
    l.maxDownloadJobCount = 2;
    l.maxPortionCountPerJob = 2;
    l.maxBandwidthPerJob = 0;
    l.maxRetryTimes = 3;
    l.minRetryInterval = 60;
    l.resumeDownload = 1;
    l.limitBandwidth = 0;
    return l;
}

int DownloadLimitRules::Clamp(int value, Range range) {
    return std::min(std::max(value, range.low), range.high);
}

void DownloadLimitRules::ClampAll(DownloadLimits& l) {
    l.maxDownloadJobCount = Clamp(l.maxDownloadJobCount, kJobCount);
    l.maxPortionCountPerJob = Clamp(l.maxPortionCountPerJob, kPortionCount);
    l.maxBandwidthPerJob = Clamp(l.maxBandwidthPerJob, kBandwidth);
    l.maxRetryTimes = Clamp(l.maxRetryTimes, kRetryTimes);
    l.minRetryInterval = Clamp(l.minRetryInterval, kRetryInterval);
}

}  // namespace zema
