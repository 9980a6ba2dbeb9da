#pragma once
// Module lifetime for the engine's COM objects, plus the small conventions
// every method shares.

#include <windows.h>

#include <new>
#include <string>

#include "win/com.h"
#include "win/com_object.h"

namespace updateengine {

// Live objects and server locks, for DllCanUnloadNow.
void ModuleAddRef();
void ModuleRelease();
LONG ModuleReferences();
HINSTANCE ModuleInstance();

// A COM object of this module: IUnknown for every listed interface, and a
// module reference for as long as it lives. A new object starts with one
// reference, which its creator takes over.
template <typename... Interfaces>
class ComObject : public win::ComObject<Interfaces...> {
protected:
    ComObject() { ModuleAddRef(); }
    ~ComObject() override { ModuleRelease(); }
};

// A new object, owned by the returned pointer; null when memory ran out.
template <typename T, typename... Args>
win::ComPtr<T> MakeObject(Args&&... args) {
    return win::TakeOwnership(new (std::nothrow) T(std::forward<Args>(args)...));
}

// Hands an object out through an interface it implements.
template <typename T, typename I>
HRESULT HandOut(const win::ComPtr<T>& object, I** out) {
    if (!object) return E_OUTOFMEMORY;
    return object->QueryInterface(__uuidof(I), reinterpret_cast<void**>(out));
}

template <typename T>
HRESULT ReturnValue(T value, T* out) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

// Text properties hand out an allocated BSTR, empty texts included.
HRESULT ReturnText(const std::wstring& text, BSTR* out);

// Runs a method body that builds C++ containers, so that no exception
// leaves a COM method.
template <typename Body>
HRESULT Guarded(Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace updateengine
