#pragma once
// A minimal event sink: an IDispatch that answers to one event interface and
// hands each call to a handler on the thread that fires it. The owner
// detaches it before going away, so late calls find no handler.

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <new>
#include <vector>

#include "win/com.h"
#include "win/com_object.h"

namespace zema {

class DispatchSink : public win::ComObject<IDispatch> {
public:
    // The handler gets the dispid and the arguments in declaration order,
    // each converted to a 32-bit integer (0 when it cannot be).
    using Handler = std::function<void(DISPID id, const std::vector<LONG>& args)>;

    static win::ComPtr<DispatchSink> Create(REFIID events, Handler handler);

    void Detach() { handler_ = nullptr; }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

private:
    DispatchSink(REFIID events, Handler handler);
    ~DispatchSink() override = default;
    void* FindMore(REFIID iid) override;

    IID events_;
    Handler handler_;
};

}  // namespace zema
