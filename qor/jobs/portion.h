#pragma once
// Portion: one byte range of the remote file, fetched by one thread at a
// time and written at its place in the DataFile.

#include <atomic>
#include <cstdint>
#include <mutex>

namespace qor {

class DataFile;

// Portions start and are split on these boundaries, which stored records
// of earlier runs rely on.
constexpr uint64_t kBlockSize = 65536;

// The transfer thread that holds a portion; kNoOwner when it is idle.
using PortionOwner = uint32_t;
constexpr PortionOwner kNoOwner = 0;

class Portion {
public:
    // A portion is made from a record or empty, so its done count is on disk.
    Portion(uint64_t start, uint64_t length, uint64_t done)
        : flushed(done), start_(start), length_(length), done_(done) {}
    Portion(const Portion&) = delete;
    Portion& operator=(const Portion&) = delete;

    uint64_t Start() const { return start_; }
    uint64_t Length() const { return length_; }
    uint64_t Done() const { return done_; }
    bool Complete() const {
        uint64_t length = length_;
        return length != 0 && done_ >= length;
    }
    uint64_t Remaining() const {
        uint64_t length = length_;
        uint64_t done = done_;
        return done >= length ? 0 : length - done;
    }
    uint64_t Position() const { return start_ + done_; }

    // Guarded by the table's lock.
    bool failedBefore = false;
    // The done count that the last completed flush of the DataFile holds.
    uint64_t flushed;
    bool Idle() const { return owner_ == kNoOwner; }
    bool OwnedBy(PortionOwner owner) const { return owner_ == owner; }
    // Changed under the table's lock and then the portion's, so that either
    // lock is enough to read it.
    void SetOwner(PortionOwner owner);

    void SetLength(uint64_t length);
    void Attach(DataFile* file);
    // Writes bytes at the current position, but only for the portion's
    // owner and only when `position` (where the owner's transfer stands) is
    // the current position: false otherwise, and nothing is written. Bytes
    // beyond the end are dropped. The done count grows only by what the
    // file took, so false also when the write fails.
    bool Write(PortionOwner owner, uint64_t position, const char* data, size_t size);

    // Cuts the portion as the table's split rule says; the new portion is
    // returned (null when it cannot be split). Caller holds the table lock.
    Portion* SplitOff();

private:
    std::mutex lock_;
    std::atomic<uint64_t> start_;
    std::atomic<uint64_t> length_;
    std::atomic<uint64_t> done_;
    std::atomic<PortionOwner> owner_{kNoOwner};
    DataFile* file_ = nullptr;
};

}  // namespace qor
