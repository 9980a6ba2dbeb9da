#pragma once
// The downloader's one connection point, for _IQORDownloadJobEvents: any
// number of sinks, each held from Advise to Unadvise.

#include <ocidl.h>

#include <utility>
#include <vector>

#include "win/com.h"
#include "win/com_object.h"

namespace qor {

class ConnectionPoint : public win::ComObject<IConnectionPoint> {
public:
    // `container` is not referenced: the container owns this object and
    // outlives every use through it.
    ConnectionPoint(IConnectionPointContainer* container, REFIID events);
    virtual ~ConnectionPoint() = default;

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    // Calls every sink's Invoke with the dispid and the arguments (first
    // argument first), each sink referenced for its call.
    void Fire(DISPID id, const std::vector<LONG>& arguments);
    // Drops every sink (when the container goes away).
    void Clear();

private:
    IConnectionPointContainer* container_;
    IID events_;
    DWORD nextCookie_ = 1;
    std::vector<std::pair<DWORD, win::ComPtr<IDispatch>>> sinks_;
};

}  // namespace qor
