#include "zema/core/record_handle_table.h"

#include <limits>

namespace zema {

int32_t RecordHandleTable::Add(UpdateRecord* record) {
    // Handles count up so a stale handle is not soon given to another
    // record; after wrapping, live handles are skipped.
    while (entries_.count(next_)) {
        next_ = next_ == std::numeric_limits<int32_t>::max() ? 1 : next_ + 1;
    }
    int32_t handle = next_;
    entries_[handle] = record;
    next_ = next_ == std::numeric_limits<int32_t>::max() ? 1 : next_ + 1;
    return handle;
}

UpdateRecord* RecordHandleTable::Find(int32_t handle) const {
    auto it = entries_.find(handle);
    return it == entries_.end() ? nullptr : it->second;
}

int32_t RecordHandleTable::HandleOf(const UpdateRecord* record) const {
    for (const auto& [handle, entry] : entries_) {
        if (entry == record) return handle;
    }
    return 0;
}

void RecordHandleTable::Remove(int32_t handle) { entries_.erase(handle); }

void RecordHandleTable::Clear() { entries_.clear(); }

}  // namespace zema
