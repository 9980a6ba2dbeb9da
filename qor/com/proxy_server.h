#pragma once
// ProxyServer: one protocol's proxy as the caller describes it.

#include <atomic>
#include <mutex>
#include <string>

#include "netclient/proxy_endpoint.h"
#include "qor/com/dispatch_impl.h"
#include "qor/qor.h"
#include "win/com_object.h"

namespace qor {

class ProxyServer final : public win::ComObject<DispatchImpl<IQORProxyServer>>,
                          private ModuleObject {
public:
    static HRESULT Create(IQORProxyServer** out);

    STDMETHODIMP get_UserName(BSTR* value) override;
    STDMETHODIMP put_UserName(BSTR value) override;
    STDMETHODIMP get_Password(BSTR* value) override;
    STDMETHODIMP put_Password(BSTR value) override;
    STDMETHODIMP get_Address(BSTR* value) override;
    STDMETHODIMP put_Address(BSTR value) override;
    STDMETHODIMP get_Port(short* value) override;
    STDMETHODIMP put_Port(short value) override;
    STDMETHODIMP get_ReadOnly(VARIANT_BOOL* value) override;
    STDMETHODIMP get_Type(ProxyServerType* value) override;
    STDMETHODIMP put_Type(ProxyServerType value) override;

    // What a proxy object says now, read through its interface (it may be
    // the caller's own implementation).
    static netclient::ProxyEndpoint Snapshot(IQORProxyServer* proxy);

private:
    ProxyServer() = default;
    ~ProxyServer() = default;

    std::mutex lock_;
    std::string userName_;
    std::string password_;
    std::string address_;
    short port_ = 0;
    ProxyServerType type_ = qorpstNone;
    bool readOnly_ = false;
};

}  // namespace qor
