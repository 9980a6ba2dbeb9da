#pragma once
// 32-bit handles for objects that are named across an interface carrying a
// 32-bit value (a job's cookie or tag, a job identifier). On x64 an address
// does not fit, so the value is a handle and the owner looks the object up.
// Not synchronised; the owner guards it when threads share it.

#include <cstdint>
#include <limits>
#include <map>

namespace win {

template <typename T>
class HandleTable {
public:
    explicit HandleTable(int32_t firstHandle = 1) : next_(firstHandle > 0 ? firstHandle : 1) {}

    // A positive handle no live entry uses, so 0 and negative values never
    // name an object. Handles count up and wrap, so a stale handle is not
    // soon given to another object.
    int32_t Add(T* item) {
        while (entries_.count(next_)) Advance();
        int32_t handle = next_;
        entries_[handle] = item;
        Advance();
        return handle;
    }

    // Null for an unknown or removed handle.
    T* Find(int32_t handle) const {
        auto it = entries_.find(handle);
        return it == entries_.end() ? nullptr : it->second;
    }

    // The item's handle, or 0 when it has none.
    int32_t HandleOf(const T* item) const {
        for (const auto& [handle, entry] : entries_) {
            if (entry == item) return handle;
        }
        return 0;
    }

    void Remove(int32_t handle) { entries_.erase(handle); }
    void Clear() { entries_.clear(); }
    size_t Size() const { return entries_.size(); }

private:
    void Advance() { next_ = next_ == std::numeric_limits<int32_t>::max() ? 1 : next_ + 1; }

    std::map<int32_t, T*> entries_;
    int32_t next_;
};

}  // namespace win
