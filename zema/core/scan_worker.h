#pragma once
// The scan as it runs on its own thread: its own COM apartment and its own
// engine instance, which turn the engine's detected items into update
// records. Nothing here touches the main thread's objects.

#include <cstdint>
#include <set>
#include <string>

#include "zema/core/update_record.h"

struct IDetectedItems;

namespace zema {

// Thread results, posted with the completion message.
constexpr int kScanSucceeded = 0;
constexpr int kScanFailed = 254;
constexpr int kScanNoEngine = -1;

struct ScanRequest {
    std::string installFolder;
    std::string rebootXmlPath;
    std::set<int32_t> excluded;
};

// Creates, opens, scans with and closes an engine instance on the calling
// thread (which must have initialised COM), filling `records`: first the
// records that wait for a reboot, then one per missing update.
int RunScan(const ScanRequest& request, UpdateList& records);

// Adds the detected items to the records (also used directly by tests).
// False when the items cannot be read.
bool AddDetectedItems(IDetectedItems* items, const std::set<int32_t>& excluded,
                      UpdateList& records);

}  // namespace zema
