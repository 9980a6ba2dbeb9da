#include "qor/com/connection_point.h"

#include <olectl.h>

#include "qor/com/enumerator.h"

namespace qor {
namespace {

constexpr LCID kEventLocale = 0x400;

struct ConnectionItem {
    static void Hold(CONNECTDATA& item) { item.pUnk->AddRef(); }
    static void Drop(CONNECTDATA& item) { item.pUnk->Release(); }
};
using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, ConnectionItem>;

}  // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, REFIID events)
    : container_(container), events_(events) {}

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
    return ConnectionEnumerator::Create(items, connections);
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
