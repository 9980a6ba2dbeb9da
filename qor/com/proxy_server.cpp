#include "qor/com/proxy_server.h"

#include <new>

#include "qor/com/com_util.h"

namespace qor {

HRESULT ProxyServer::Create(IQORProxyServer** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) ProxyServer();
    return *out ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP ProxyServer::get_UserName(BSTR* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnText(userName_, value);
}

STDMETHODIMP ProxyServer::put_UserName(BSTR value) {
    std::lock_guard<std::mutex> guard(lock_);
    userName_ = win::FromBstr(value);
    return S_OK;
}

STDMETHODIMP ProxyServer::get_Password(BSTR* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnText(password_, value);
}

STDMETHODIMP ProxyServer::put_Password(BSTR value) {
    std::lock_guard<std::mutex> guard(lock_);
    password_ = win::FromBstr(value);
    return S_OK;
}

STDMETHODIMP ProxyServer::get_Address(BSTR* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnText(address_, value);
}

STDMETHODIMP ProxyServer::put_Address(BSTR value) {
    std::lock_guard<std::mutex> guard(lock_);
    if (readOnly_) return E_FAIL;
    address_ = win::FromBstr(value);
    return S_OK;
}

STDMETHODIMP ProxyServer::get_Port(short* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnValue(port_, value);
}

STDMETHODIMP ProxyServer::put_Port(short value) {
    std::lock_guard<std::mutex> guard(lock_);
    if (readOnly_) return E_FAIL;
    port_ = value;
    return S_OK;
}

STDMETHODIMP ProxyServer::get_ReadOnly(VARIANT_BOOL* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnBool(readOnly_, value);
}

STDMETHODIMP ProxyServer::get_Type(ProxyServerType* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnValue(type_, value);
}

STDMETHODIMP ProxyServer::put_Type(ProxyServerType value) {
    std::lock_guard<std::mutex> guard(lock_);
    type_ = value;
    // The system's Internet settings supply the address and the port.
    readOnly_ = value == qorpstIE;
    return S_OK;
}

netclient::ProxyEndpoint ProxyServer::Snapshot(IQORProxyServer* proxy) {
    netclient::ProxyEndpoint endpoint;
    if (!proxy) return endpoint;
    ProxyServerType type = qorpstNone;
    short port = 0;
    win::Bstr address;
    win::Bstr user;
    win::Bstr password;
    if (FAILED(proxy->get_Type(&type)) || FAILED(proxy->get_Address(address.Put())) ||
        FAILED(proxy->get_Port(&port)) || FAILED(proxy->get_UserName(user.Put())) ||
        FAILED(proxy->get_Password(password.Put())))
        return endpoint;
    endpoint.kind = type;
    endpoint.host = win::FromBstr(address.Get());
    endpoint.port = static_cast<uint16_t>(port);
    endpoint.userName = win::FromBstr(user.Get());
    endpoint.password = win::FromBstr(password.Get());
    return endpoint;
}

}  // namespace qor
