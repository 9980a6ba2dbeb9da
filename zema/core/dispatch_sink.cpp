#include "zema/core/dispatch_sink.h"

namespace zema {

win::ComPtr<DispatchSink> DispatchSink::Create(REFIID events, Handler handler) {
    return win::TakeOwnership(new (std::nothrow) DispatchSink(events, std::move(handler)));
}

DispatchSink::DispatchSink(REFIID events, Handler handler)
    : events_(events), handler_(std::move(handler)) {}

void* DispatchSink::FindMore(REFIID iid) {
    return iid == events_ ? static_cast<IDispatch*>(this) : nullptr;
}

STDMETHODIMP DispatchSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP DispatchSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP DispatchSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP DispatchSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                  EXCEPINFO*, UINT*) {
    if (!handler_) return S_OK;
    std::vector<LONG> args;
    if (params) {
        // Arguments arrive last first.
        for (UINT i = params->cArgs; i > 0; --i) {
            win::Variant value;
            LONG number = 0;
            if (SUCCEEDED(::VariantChangeType(value.Get(), &params->rgvarg[i - 1], 0, VT_I4)))
                number = value.Get()->lVal;
            args.push_back(number);
        }
    }
    // Keep this sink alive through a handler that drops the last other
    // reference (shutdown from inside an event).
    win::ComPtr<DispatchSink> self(this);
    Handler handler = handler_;
    handler(id, args);
    return S_OK;
}

}  // namespace zema
