#pragma once
// PortionTable: the run's portions in order, how they are merged, split and
// handed to threads.

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "qor/jobs/portion.h"

namespace qor {

// One portion as the ControlFile records it.
struct PortionRecord {
    uint64_t start = 0;
    uint64_t length = 0;
    uint64_t done = 0;
};

class PortionTable {
public:
    using PortionPtr = std::shared_ptr<Portion>;

    std::mutex& Lock() { return lock_; }

    // The operations below take the table's lock themselves.
    bool Add(uint64_t start, uint64_t length, uint64_t done);
    void Clear();
    bool Empty();
    size_t Count();
    std::vector<PortionPtr> Portions();
    uint64_t DoneSum();
    uint64_t RemainingSum();
    bool HasIdleIncomplete();
    // A portion has one owner at a time: only an idle one is taken, and
    // only its owner gives it back.
    // The first idle, incomplete portion, now owned by `owner`; null when
    // none.
    PortionPtr TakeFirstIdle(PortionOwner owner);
    // Gives an idle, incomplete portion to `owner`; false when it is taken
    // or complete.
    bool TakeIfIdle(const PortionPtr& portion, PortionOwner owner);
    void SortAndMerge();
    // Splits the largest portions until there are `threads` of them or no
    // split is possible.
    void InitialSplit(int32_t threads);
    // Work for a thread: an idle portion, or the newly split-off half of the
    // largest one when the rest would take at least 5 s at `ratePerThread`.
    PortionPtr TakeWork(uint64_t ratePerThread, PortionOwner owner);
    // Makes the portion idle if `owner` holds it (nothing happens
    // otherwise). A complete portion forgets an earlier failure; an
    // incomplete one given back `failed` is marked failed-before. Returns
    // whether it had failed before.
    bool Release(const PortionPtr& portion, PortionOwner owner, bool failed);
    void AttachAll(class DataFile* file);
    // The portions as a record lists them, with their done counts (every
    // byte the DataFile has taken) or with what the last flush of the file
    // holds. `written`, if given, gets each portion with its done count.
    enum class Counts { kWritten, kFlushed };
    using Written = std::vector<std::pair<PortionPtr, uint64_t>>;
    std::vector<PortionRecord> Record(Counts counts, Written* written = nullptr);
    // A flush that began after `written` was taken has completed. The
    // portions themselves are named, not their offsets: a portion made
    // afresh at the same offset holds none of the flushed bytes.
    void MarkFlushed(const Written& written);

private:
    PortionPtr FirstIdleLocked();
    PortionPtr LargestLocked();
    bool SplitLocked(const PortionPtr& portion, PortionPtr* added);

    std::mutex lock_;
    std::vector<PortionPtr> portions_;
};

}  // namespace qor
