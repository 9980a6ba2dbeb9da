#include "qor/jobs/portion_table.h"

#include <algorithm>
#include <new>

namespace qor {
namespace {

constexpr uint64_t kMinSplitSeconds = 5;

}  // namespace

bool PortionTable::Add(uint64_t start, uint64_t length, uint64_t done) {
    std::lock_guard<std::mutex> guard(lock_);
    PortionPtr portion(new (std::nothrow) Portion(start, length, done));
    if (!portion) return false;
    portions_.push_back(portion);
    return true;
}

void PortionTable::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    portions_.clear();
}

bool PortionTable::Empty() {
    std::lock_guard<std::mutex> guard(lock_);
    return portions_.empty();
}

size_t PortionTable::Count() {
    std::lock_guard<std::mutex> guard(lock_);
    return portions_.size();
}

std::vector<PortionTable::PortionPtr> PortionTable::Portions() {
    std::lock_guard<std::mutex> guard(lock_);
    return portions_;
}

uint64_t PortionTable::DoneSum() {
    std::lock_guard<std::mutex> guard(lock_);
    uint64_t sum = 0;
    for (auto& p : portions_) sum += p->Done();
    return sum;
}

uint64_t PortionTable::RemainingSum() {
    std::lock_guard<std::mutex> guard(lock_);
    uint64_t sum = 0;
    for (auto& p : portions_) sum += p->Remaining();
    return sum;
}

bool PortionTable::HasIdleIncomplete() {
    std::lock_guard<std::mutex> guard(lock_);
    return FirstIdleLocked() != nullptr;
}

PortionTable::PortionPtr PortionTable::FirstIdleLocked() {
    for (auto& p : portions_)
        if (p->Idle() && !p->Complete()) return p;
    return nullptr;
}

PortionTable::PortionPtr PortionTable::TakeFirstIdle(PortionOwner owner) {
    std::lock_guard<std::mutex> guard(lock_);
    PortionPtr first = FirstIdleLocked();
    if (first) first->SetOwner(owner);
    return first;
}

bool PortionTable::TakeIfIdle(const PortionPtr& portion, PortionOwner owner) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!portion->Idle() || portion->Complete()) return false;
    portion->SetOwner(owner);
    return true;
}

void PortionTable::SortAndMerge() {
    std::lock_guard<std::mutex> guard(lock_);
    std::stable_sort(portions_.begin(), portions_.end(),
                     [](const PortionPtr& a, const PortionPtr& b) { return a->Start() < b->Start(); });
    for (size_t i = portions_.size(); i-- > 1;) {
        Portion& current = *portions_[i - 1];
        Portion& next = *portions_[i];
        if (!current.Complete() && next.Done() == 0 && next.Idle()) {
            current.SetLength(current.Length() + next.Length());
            portions_.erase(portions_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

PortionTable::PortionPtr PortionTable::LargestLocked() {
    PortionPtr best;
    for (auto& p : portions_)
        if (!best || p->Remaining() > best->Remaining()) best = p;
    return best;
}

bool PortionTable::SplitLocked(const PortionPtr& portion, PortionPtr* added) {
    Portion* tail = portion->SplitOff();
    if (!tail) return false;
    PortionPtr owned(tail);
    portions_.push_back(owned);
    if (added) *added = owned;
    return true;
}

void PortionTable::InitialSplit(int32_t threads) {
    SortAndMerge();
    std::lock_guard<std::mutex> guard(lock_);
    uint64_t remaining = 0;
    for (auto& p : portions_) remaining += p->Remaining();
    if (remaining == 0 || threads <= 1 || remaining < kBlockSize) return;
    while (portions_.size() < static_cast<size_t>(threads)) {
        PortionPtr largest = LargestLocked();
        if (!largest || !SplitLocked(largest, nullptr)) break;
    }
}

PortionTable::PortionPtr PortionTable::TakeWork(uint64_t ratePerThread, PortionOwner owner) {
    std::lock_guard<std::mutex> guard(lock_);
    if (PortionPtr idle = FirstIdleLocked()) {
        idle->SetOwner(owner);
        return idle;
    }
    PortionPtr largest = LargestLocked();
    if (!largest || ratePerThread == 0 || largest->Remaining() / ratePerThread < kMinSplitSeconds)
        return nullptr;
    PortionPtr added;
    if (!SplitLocked(largest, &added)) return nullptr;
    added->SetOwner(owner);
    return added;
}

bool PortionTable::Release(const PortionPtr& portion, PortionOwner owner, bool failed) {
    std::lock_guard<std::mutex> guard(lock_);
    if (owner == kNoOwner || !portion->OwnedBy(owner)) return false;
    const bool failedBefore = portion->failedBefore;
    if (portion->Complete()) portion->failedBefore = false;
    else if (failed) portion->failedBefore = true;
    portion->SetOwner(kNoOwner);
    return failedBefore;
}

void PortionTable::AttachAll(DataFile* file) {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto& p : portions_) p->Attach(file);
}

std::vector<PortionRecord> PortionTable::Record(Counts counts, Written* written) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<PortionRecord> records;
    records.reserve(portions_.size());
    for (auto& p : portions_) {
        PortionRecord r;
        r.start = p->Start();
        r.length = p->Length();
        const uint64_t done = p->Done();
        r.done = counts == Counts::kWritten ? done : p->flushed;
        if (written) written->emplace_back(p, done);
        records.push_back(r);
    }
    return records;
}

void PortionTable::MarkFlushed(const Written& written) {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& w : written)
        if (w.second > w.first->flushed) w.first->flushed = w.second;
}

}  // namespace qor
