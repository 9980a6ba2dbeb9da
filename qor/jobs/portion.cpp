#include "qor/jobs/portion.h"

#include <new>

#include "qor/jobs/data_file.h"

namespace qor {

void Portion::SetOwner(PortionOwner owner) {
    std::lock_guard<std::mutex> guard(lock_);
    owner_ = owner;
}

void Portion::SetLength(uint64_t length) {
    std::lock_guard<std::mutex> guard(lock_);
    length_ = length;
}

void Portion::Attach(DataFile* file) {
    std::lock_guard<std::mutex> guard(lock_);
    file_ = file;
}

bool Portion::Write(PortionOwner owner, uint64_t position, const char* data, size_t size) {
    std::lock_guard<std::mutex> guard(lock_);
    // Anyone else's bytes, or bytes from another offset, would land where
    // they do not belong.
    if (owner == kNoOwner || owner_ != owner || position != start_ + done_) return false;
    const uint64_t length = length_;
    const uint64_t done = done_;
    if (length == 0 || done >= length) return true;
    const size_t take = length - done < size ? static_cast<size_t>(length - done) : size;
    if (take == 0) return true;
    if (!file_ || !file_->Write(start_ + done, data, take)) return false;
    done_ = done + take;
    return true;
}

Portion* Portion::SplitOff() {
    std::lock_guard<std::mutex> guard(lock_);
    const uint64_t length = length_;
    const uint64_t done = done_;
    if (length == 0 || done >= length) return nullptr;
    const uint64_t blocks = (length - done) / kBlockSize;
    if (blocks < 2) return nullptr;
    const uint64_t cut = (blocks / 2 + done / kBlockSize) * kBlockSize;
    if (cut <= done || cut >= length) return nullptr;
    Portion* tail = new (std::nothrow) Portion(start_ + cut, length - cut, 0);
    if (!tail) return nullptr;
    tail->file_ = file_;
    length_ = cut;
    return tail;
}

}  // namespace qor
