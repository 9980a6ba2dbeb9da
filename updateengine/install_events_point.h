#pragma once
// The installer's one connection point, for IInstallJobEvents. It lives
// inside the installer and shares its reference count.

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <utility>
#include <vector>

#include "win/com.h"

namespace updateengine {

class InstallEventsPoint : public IConnectionPoint {
public:
    explicit InstallEventsPoint(IConnectionPointContainer* owner) : owner_(owner) {}
    InstallEventsPoint(const InstallEventsPoint&) = delete;
    InstallEventsPoint& operator=(const InstallEventsPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    // The sink must answer IInstallJobEvents or IDispatch.
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    // A copy, so sinks may advise and unadvise while events are fired.
    std::vector<win::ComPtr<IDispatch>> Sinks() const;

private:
    IConnectionPointContainer* owner_;
    std::vector<std::pair<DWORD, win::ComPtr<IDispatch>>> sinks_;
    DWORD lastCookie_ = 0;
};

}  // namespace updateengine
