#pragma once
// A scan: which of the catalog's updates this machine lacks, reported as
// their update points with the older points they replace.

#include <cstdint>
#include <map>
#include <vector>

#include "updateengine/catalog.h"
#include "updateengine/detection_rule.h"

namespace updateengine {

struct DetectedPoint {
    int32_t id = 0;
    int32_t updateId = 0;
    int32_t bulletinId = 0;
    int32_t softwareId = 0;
    int32_t componentId = 0;
    int16_t severity = 0;
    std::vector<int32_t> categoryIds;
    std::vector<DetectedPoint> superseded;
};

class Scanner {
public:
    Scanner(const Catalog& catalog, const MachineProbe& machine);

    // The points of every missing update that is not replaced by another
    // applicable update, in catalog order. A point lists the points it
    // supersedes whose own updates are missing too, recursively.
    std::vector<DetectedPoint> Scan() const;

    UpdateState StateOf(int32_t updateId) const;

private:
    bool IsCovered(const CatalogUpdate& update) const;
    DetectedPoint Detect(const CatalogPoint& point, int depth) const;

    const Catalog& catalog_;
    std::map<int32_t, UpdateState> states_;
    // Point identifier to the applicable updates whose points replace it.
    std::map<int32_t, std::vector<int32_t>> replacedBy_;
};

}  // namespace updateengine
