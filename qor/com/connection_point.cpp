#include "qor/com/connection_point.h"

#include <olectl.h>

#include <new>

namespace qor {
namespace {

constexpr LCID kEventLocale = 0x400;

// A snapshot of the connections, for IEnumConnections.
class ConnectionEnumerator : public IEnumConnections {
public:
    explicit ConnectionEnumerator(std::vector<CONNECTDATA> items) : items_(std::move(items)) {
        for (auto& item : items_) item.pUnk->AddRef();
    }
    virtual ~ConnectionEnumerator() {
        for (auto& item : items_) item.pUnk->Release();
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == IID_IEnumConnections) {
            *object = static_cast<IEnumConnections*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    STDMETHODIMP Next(ULONG count, CONNECTDATA* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && position_ < items_.size()) {
            out[n] = items_[position_++];
            out[n].pUnk->AddRef();
            ++n;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        position_ += count;
        if (position_ > items_.size()) {
            position_ = items_.size();
            return S_FALSE;
        }
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumConnections** out) override {
        if (!out) return E_POINTER;
        auto* copy = new (std::nothrow) ConnectionEnumerator(items_);
        if (!copy) return E_OUTOFMEMORY;
        copy->position_ = position_;
        *out = copy;
        return S_OK;
    }

private:
    std::atomic<ULONG> refs_{1};
    std::vector<CONNECTDATA> items_;
    size_t position_ = 0;
};

}  // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, REFIID events)
    : container_(container), events_(events) {}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ConnectionPoint::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) ConnectionPoint::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = events_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = container_;
    if (container_) container_->AddRef();
    return container_ ? S_OK : E_UNEXPECTED;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    win::ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(events_, reinterpret_cast<void**>(dispatch.GetAddressOf()))) &&
        FAILED(sink->QueryInterface(IID_PPV_ARGS(dispatch.GetAddressOf()))))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_.emplace_back(*cookie, dispatch);
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->first == cookie) {
            sinks_.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    std::vector<CONNECTDATA> items;
    for (auto& sink : sinks_) items.push_back(CONNECTDATA{sink.second.Get(), sink.first});
    *connections = new (std::nothrow) ConnectionEnumerator(items);
    return *connections ? S_OK : E_OUTOFMEMORY;
}

void ConnectionPoint::Fire(DISPID id, const std::vector<LONG>& arguments) {
    // A sink may unadvise (or advise) while it is called: walk a copy.
    std::vector<win::ComPtr<IDispatch>> sinks;
    for (auto& sink : sinks_) sinks.push_back(sink.second);
    std::vector<VARIANTARG> args(arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i) {
        // DISPPARAMS lists arguments last first.
        VARIANTARG& v = args[arguments.size() - 1 - i];
        ::VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = arguments[i];
    }
    DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr,
                         static_cast<UINT>(args.size()), 0};
    for (auto& sink : sinks)
        sink->Invoke(id, IID_NULL, kEventLocale, DISPATCH_METHOD, &params, nullptr, nullptr,
                     nullptr);
}

void ConnectionPoint::Clear() {
    sinks_.clear();
    container_ = nullptr;
}

}  // namespace qor
