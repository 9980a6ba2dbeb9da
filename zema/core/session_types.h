#pragma once
// What the session tells the windows about a scan besides the records: plain
// values, so that code which shows them needs none of the session's COM.

#include <cstdint>
#include <vector>

#include "zema/core/update_record.h"

namespace zema {

// One entry of the scan's vulnerability list.
struct VulnerabilityEntry {
    int32_t vulnerabilityId;
    int32_t updateId;
    int32_t bulletinId;
};

// The distinct values the result view groups by, sorted ascending.
struct GroupingSets {
    std::vector<int32_t> products;
    std::vector<int32_t> severities;
    std::vector<int32_t> impacts;
    std::vector<int32_t> languages;
};

// Totals the main window's summary shows.
struct SessionSummary {
    int total = 0;
    int downloading = 0;
    int downloaded = 0;
    int failed = 0;
    int installing = 0;
    int installed = 0;       // installed, with or without a restart to come
    int awaitingReboot = 0;  // installed, fixed once the computer restarts
    int needingWork = 0;     // not excluded and not installed
};

SessionSummary SummarizeRecords(const UpdateList& records);

}  // namespace zema
