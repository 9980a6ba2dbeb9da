#include "updateengine/scanner.h"

namespace updateengine {
namespace {

// Supersedence chains are short; the catalog reader rejects cycles, this
// only bounds the work for a catalog built by other means.
constexpr int kMaxSupersededDepth = 32;

}  // namespace

Scanner::Scanner(const Catalog& catalog, const MachineProbe& machine) : catalog_(catalog) {
    for (const CatalogUpdate& update : catalog.Updates())
        states_[update.id] = update.detection.Evaluate(machine);
    for (const CatalogUpdate& update : catalog.Updates()) {
        if (states_[update.id] == UpdateState::NotApplicable) continue;
        for (const CatalogPoint& point : update.points) {
            for (int32_t older : point.supersededPointIds) replacedBy_[older].push_back(update.id);
        }
    }
}

UpdateState Scanner::StateOf(int32_t updateId) const {
    auto it = states_.find(updateId);
    return it == states_.end() ? UpdateState::NotApplicable : it->second;
}

// An update whose every point is replaced by another applicable update is
// not needed on its own: if that update is missing it repairs these points
// too, and if it is installed they are repaired already.
bool Scanner::IsCovered(const CatalogUpdate& update) const {
    if (update.points.empty()) return false;
    for (const CatalogPoint& point : update.points) {
        auto it = replacedBy_.find(point.id);
        bool byOther = false;
        if (it != replacedBy_.end()) {
            for (int32_t newer : it->second) byOther = byOther || newer != update.id;
        }
        if (!byOther) return false;
    }
    return true;
}

DetectedPoint Scanner::Detect(const CatalogPoint& point, int depth) const {
    DetectedPoint detected;
    detected.id = point.id;
    detected.updateId = point.updateId;
    detected.bulletinId = point.bulletinId;
    detected.softwareId = point.softwareId;
    detected.componentId = point.componentId;
    detected.severity = point.severity;
    detected.categoryIds = point.categoryIds;
    if (depth >= kMaxSupersededDepth) return detected;
    for (int32_t olderId : point.supersededPointIds) {
        const CatalogPoint* older = catalog_.FindPoint(olderId);
        if (older && StateOf(older->updateId) == UpdateState::Missing)
            detected.superseded.push_back(Detect(*older, depth + 1));
    }
    return detected;
}

std::vector<DetectedPoint> Scanner::Scan() const {
    std::vector<DetectedPoint> found;
    for (const CatalogUpdate& update : catalog_.Updates()) {
        if (StateOf(update.id) != UpdateState::Missing || IsCovered(update)) continue;
        for (const CatalogPoint& point : update.points) found.push_back(Detect(point, 0));
    }
    return found;
}

}  // namespace updateengine
