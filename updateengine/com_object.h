#pragma once
// Reference counting, QueryInterface and module lifetime for the engine's
// COM objects, plus the small conventions every method shares.

#include <windows.h>

#include <new>
#include <string>
#include <tuple>

#include "win/com.h"

namespace updateengine {

// Live objects and server locks, for DllCanUnloadNow.
void ModuleAddRef();
void ModuleRelease();
LONG ModuleReferences();
HINSTANCE ModuleInstance();

// Implements IUnknown for every listed interface; a new object starts with
// one reference, which its creator takes over.
template <typename... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject() { ModuleAddRef(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = Find(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(::InterlockedIncrement(&references_));
    }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = ::InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    virtual ~ComObject() { ModuleRelease(); }
    // Identities beyond the listed interfaces (their base interfaces).
    virtual void* FindMore(REFIID) { return nullptr; }

private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    void* Find(REFIID iid) {
        if (iid == IID_IUnknown) return static_cast<IUnknown*>(static_cast<First*>(this));
        void* found = nullptr;
        ((found = found ? found
                        : (iid == __uuidof(Interfaces) ? static_cast<Interfaces*>(this) : nullptr)),
         ...);
        return found ? found : FindMore(iid);
    }

    LONG references_ = 1;
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
