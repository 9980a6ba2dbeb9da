#pragma once
// The 32-bit IDs of the live jobs: unique among them, and the way back from
// an ID to its job (a 64-bit address does not fit in an ID).

#include <cstdint>

namespace qor {

class DownloadJob;

class JobTable {
public:
    // A new positive ID for the job; 0 when none is free.
    static int32_t Add(DownloadJob* job);
    static void Remove(int32_t id);
    // Calls `use` with the live job under the table's lock, so that it cannot
    // be freed meanwhile; false when there is none.
    template <typename F>
    static bool With(int32_t id, F use);

private:
    static DownloadJob* FindLocked(int32_t id);
    static void LockTable();
    static void UnlockTable();
};

template <typename F>
bool JobTable::With(int32_t id, F use) {
    LockTable();
    DownloadJob* job = FindLocked(id);
    if (job) use(job);
    UnlockTable();
    return job != nullptr;
}

}  // namespace qor
