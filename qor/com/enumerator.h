#pragma once
// A snapshot enumerator (IEnumConnections, IEnumConnectionPoints, ...): it
// holds a reference on every item and hands out new ones.

#include <windows.h>
#include <unknwn.h>

#include <new>
#include <vector>

#include "win/com_object.h"

namespace qor {

// Traits say how an item is referenced: Hold adds one, Drop releases one.
template <typename IEnum, typename Item, typename Traits>
class Enumerator final : public win::ComObject<IEnum> {
public:
    static HRESULT Create(const std::vector<Item>& items, IEnum** out) {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) Enumerator(items);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && position_ < items_.size()) {
            out[n] = items_[position_++];
            Traits::Hold(out[n]);
            ++n;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        position_ += count;
        if (position_ <= items_.size()) return S_OK;
        position_ = items_.size();
        return S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnum** out) override {
        HRESULT hr = Create(items_, out);
        if (SUCCEEDED(hr)) static_cast<Enumerator*>(*out)->position_ = position_;
        return hr;
    }

private:
    explicit Enumerator(const std::vector<Item>& items) : items_(items) {
        for (Item& item : items_) Traits::Hold(item);
    }
    ~Enumerator() {
        for (Item& item : items_) Traits::Drop(item);
    }

    std::vector<Item> items_;
    size_t position_ = 0;
};

// Items that are interface pointers.
template <typename I>
struct InterfaceItem {
    static void Hold(I* item) { item->AddRef(); }
    static void Drop(I* item) { item->Release(); }
};

}  // namespace qor
