#pragma once
// A dual interface has two type infos: the dispatch view that the library
// hands out, and the vtable view that carries the slots and invokes the
// methods. This gives the vtable view of either.

#include <windows.h>
#include <oleauto.h>

#include "win/com.h"

namespace qor {

// Replaces `view` by its vtable view when it is the dispatch view of a dual
// interface; leaves any other type info as it is.
inline HRESULT ToVtableView(win::ComPtr<ITypeInfo>& view) {
    TYPEATTR* attr = nullptr;
    HRESULT hr = view->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
    view->ReleaseTypeAttr(attr);
    if (!dual) return S_OK;
    HREFTYPE ref = 0;
    win::ComPtr<ITypeInfo> vtable;
    hr = view->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
    if (SUCCEEDED(hr)) hr = view->GetRefTypeInfo(ref, vtable.GetAddressOf());
    if (FAILED(hr)) return hr;
    view = vtable;
    return S_OK;
}

}  // namespace qor
