#pragma once
// Small helpers for COM property methods.

#include <windows.h>

#include <mutex>
#include <string>

#include "win/text.h"

namespace qor {

// Returns a copy of the text as a new BSTR owned by the caller.
inline HRESULT ReturnText(const std::string& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = win::ToBstr(text).Release();
    return *out || text.empty() ? S_OK : E_OUTOFMEMORY;
}

inline HRESULT ReturnBool(bool value, VARIANT_BOOL* out) {
    if (!out) return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

template <typename T, typename V>
HRESULT ReturnValue(const V& value, T* out) {
    if (!out) return E_POINTER;
    *out = static_cast<T>(value);
    return S_OK;
}

}  // namespace qor
