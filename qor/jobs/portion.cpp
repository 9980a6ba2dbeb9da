#include "qor/jobs/portion.h"

#include <cstring>
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
    view_.Reset();
    file_ = file;
}

bool Portion::Write(PortionOwner owner, uint64_t position, const char* data, size_t size) {
    std::lock_guard<std::mutex> guard(lock_);
    // Anyone else's bytes, or bytes from another offset, would land where
    // they do not belong.
    if (owner == kNoOwner || owner_ != owner || position != start_ + done_) return false;
    size_t written = 0;
    while (written < size) {
        const uint64_t length = length_;
        const uint64_t done = done_;
        if (length == 0 || done >= length) break;
        const uint64_t block = done / kBlockSize;
        const uint64_t blockStart = block * kBlockSize;
        const uint64_t windowLength =
            length - blockStart < kBlockSize ? length - blockStart : kBlockSize;
        if (done == blockStart) view_.Reset();  // a new block begins
        if (!view_) {
            if (!file_) break;
            view_ = file_->MapView(start_ + blockStart, static_cast<size_t>(windowLength));
            if (!view_) break;
            viewLength_ = static_cast<size_t>(windowLength);
        }
        const uint64_t inWindow = done - blockStart;
        size_t take = size - written;
        if (take > windowLength - inWindow) take = static_cast<size_t>(windowLength - inWindow);
        memcpy(static_cast<char*>(view_.Get()) + inWindow, data + written, take);
        done_ = done + take;
        written += take;
        if (done_ >= length) view_.Reset();
    }
    return true;
}

uint64_t Portion::FlushAndGetDone() {
    std::lock_guard<std::mutex> guard(lock_);
    if (view_) ::FlushViewOfFile(view_.Get(), viewLength_);
    return done_;
}

void Portion::Unmap() {
    std::lock_guard<std::mutex> guard(lock_);
    view_.Reset();
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
