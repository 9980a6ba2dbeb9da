#include "updateengine/install_events_point.h"

#include "updateengine/snapshot_enumerator.h"
#include "zema/engine/update_engine.h"

namespace updateengine {

STDMETHODIMP InstallEventsPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP InstallEventsPoint::GetConnectionInterface(IID* iid) {
    return ReturnValue<IID>(DIID_IInstallJobEvents, iid);
}

STDMETHODIMP InstallEventsPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    owner_->AddRef();
    *container = owner_;
    return S_OK;
}

STDMETHODIMP InstallEventsPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    win::ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(DIID_IInstallJobEvents,
                                    reinterpret_cast<void**>(dispatch.GetAddressOf()))) &&
        FAILED(sink->QueryInterface(IID_IDispatch,
                                    reinterpret_cast<void**>(dispatch.GetAddressOf()))))
        return CONNECT_E_CANNOTCONNECT;
    return Guarded([&] {
        sinks_.emplace_back(lastCookie_ + 1, dispatch);
        *cookie = ++lastCookie_;
        return S_OK;
    });
}

STDMETHODIMP InstallEventsPoint::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->first == cookie) {
            sinks_.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP InstallEventsPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    *connections = nullptr;
    return Guarded([&] {
        std::vector<ConnectionItems::Stored> items;
        for (const auto& [cookie, sink] : sinks_) {
            win::ComPtr<IUnknown> unknown;
            sink.As(&unknown);
            items.push_back({unknown, cookie});
        }
        return HandOut(MakeObject<SnapshotEnumerator<ConnectionItems>>(std::move(items)),
                       connections);
    });
}

std::vector<win::ComPtr<IDispatch>> InstallEventsPoint::Sinks() const {
    std::vector<win::ComPtr<IDispatch>> copy;
    for (const auto& entry : sinks_) copy.push_back(entry.second);
    return copy;
}

}  // namespace updateengine
