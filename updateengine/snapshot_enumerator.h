#pragma once
// IEnumConnections and IEnumConnectionPoints over a copy of the items taken
// when the enumerator was made.

#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "updateengine/com_object.h"

namespace updateengine {

// Items are kept as Stored and handed out as Item, with a reference added.
struct ConnectionItems {
    using Enum = IEnumConnections;
    using Item = CONNECTDATA;
    struct Stored {
        win::ComPtr<IUnknown> sink;
        DWORD cookie;
    };
    static Item HandOut(const Stored& s) {
        s.sink.Get()->AddRef();
        return CONNECTDATA{s.sink.Get(), s.cookie};
    }
};

struct ConnectionPointItems {
    using Enum = IEnumConnectionPoints;
    using Item = IConnectionPoint*;
    using Stored = win::ComPtr<IConnectionPoint>;
    static Item HandOut(const Stored& s) {
        s.Get()->AddRef();
        return s.Get();
    }
};

template <typename Policy>
class SnapshotEnumerator : public ComObject<typename Policy::Enum> {
public:
    using Item = typename Policy::Item;
    using Stored = typename Policy::Stored;

    SnapshotEnumerator(std::vector<Stored> items, size_t position = 0)
        : items_(std::move(items)), position_(position) {}

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        for (; n < count && position_ < items_.size(); ++n, ++position_)
            out[n] = Policy::HandOut(items_[position_]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        size_t left = items_.size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(typename Policy::Enum** copy) override {
        if (!copy) return E_POINTER;
        *copy = nullptr;
        return Guarded([&] { return HandOut(MakeObject<SnapshotEnumerator>(items_, position_), copy); });
    }

private:
    std::vector<Stored> items_;
    size_t position_;
};

}  // namespace updateengine
