#pragma once
// 32-bit handles for update records. Download and install jobs carry a
// 32-bit cookie or tag; on x64 a record's address does not fit, so the jobs
// carry a handle and the session finds the record through this table.

#include <cstdint>
#include <map>

#include "zema/core/update_record.h"

namespace zema {

class RecordHandleTable {
public:
    explicit RecordHandleTable(int32_t firstHandle = 1) : next_(firstHandle > 0 ? firstHandle : 1) {}

    // A handle no live entry uses; handles are positive, so 0 and negative
    // cookies never name a record.
    int32_t Add(UpdateRecord* record);
    // Null for an unknown or removed handle.
    UpdateRecord* Find(int32_t handle) const;
    // The record's handle, or 0 when it has none.
    int32_t HandleOf(const UpdateRecord* record) const;
    void Remove(int32_t handle);
    void Clear();
    size_t Size() const { return entries_.size(); }

private:
    std::map<int32_t, UpdateRecord*> entries_;
    int32_t next_;
};

}  // namespace zema
