#pragma once
// IDispatch for a dual interface, answered from the module's type library.

#include <windows.h>
#include <oleauto.h>

#include "qor/com/qor_module.h"
#include "win/com.h"

namespace qor {

template <typename Interface>
class DispatchImpl : public Interface {
public:
    using ComInterface = Interface;  // the identity it answers for
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return QorModule::GetTypeInfo(__uuidof(Interface), info);
    }

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                               DISPID* ids) override {
        if (!names || !ids) return E_POINTER;
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        win::ComPtr<ITypeInfo> info;
        HRESULT hr = QorModule::GetVtableTypeInfo(__uuidof(Interface), info.GetAddressOf());
        if (FAILED(hr)) return hr;
        return info->GetIDsOfNames(names, count, ids);
    }

    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (!params) return E_POINTER;
        win::ComPtr<ITypeInfo> info;
        HRESULT hr = QorModule::GetVtableTypeInfo(__uuidof(Interface), info.GetAddressOf());
        if (FAILED(hr)) return hr;
        return info->Invoke(static_cast<Interface*>(this), id, flags, params, result, exception,
                            argError);
    }
};

}  // namespace qor
