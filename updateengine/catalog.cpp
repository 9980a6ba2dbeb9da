#include "updateengine/catalog.h"

namespace updateengine {

bool Catalog::AddVulnerability(Vulnerability v) {
    int32_t id = v.id;
    return vulnerabilities_.emplace(id, std::move(v)).second;
}

bool Catalog::AddBulletin(Bulletin b) {
    int32_t id = b.id;
    return bulletins_.emplace(id, std::move(b)).second;
}

bool Catalog::AddUpdate(CatalogUpdate u) {
    if (updateIndex_.count(u.id)) return false;
    for (size_t i = 0; i < u.points.size(); ++i) {
        if (pointIndex_.count(u.points[i].id)) return false;
        for (size_t j = 0; j < i; ++j) {
            if (u.points[j].id == u.points[i].id) return false;
        }
    }
    size_t index = updates_.size();
    for (size_t i = 0; i < u.points.size(); ++i) pointIndex_[u.points[i].id] = {index, i};
    updateIndex_[u.id] = index;
    updates_.push_back(std::move(u));
    return true;
}

const Vulnerability* Catalog::FindVulnerability(int32_t id) const {
    auto it = vulnerabilities_.find(id);
    return it == vulnerabilities_.end() ? nullptr : &it->second;
}

const Bulletin* Catalog::FindBulletin(int32_t id) const {
    auto it = bulletins_.find(id);
    return it == bulletins_.end() ? nullptr : &it->second;
}

const CatalogUpdate* Catalog::FindUpdate(int32_t id) const {
    auto it = updateIndex_.find(id);
    return it == updateIndex_.end() ? nullptr : &updates_[it->second];
}

const CatalogPoint* Catalog::FindPoint(int32_t id) const {
    auto it = pointIndex_.find(id);
    if (it == pointIndex_.end()) return nullptr;
    return &updates_[it->second.first].points[it->second.second];
}

}  // namespace updateengine
