#pragma once
// COM ownership helpers: smart pointers, BSTR and VARIANT owners, and the
// per-thread COM initialisation guard.

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <string>

namespace win {

using Microsoft::WRL::ComPtr;

// Takes over the one reference a newly made object starts with (or one just
// added). MinGW's ComPtr::Attach adds a reference of its own (the Windows
// SDK's does not), so Attach would leak every object made with it.
template <typename T>
ComPtr<T> TakeOwnership(T* object) {
    ComPtr<T> owner;
    *owner.GetAddressOf() = object;
    return owner;
}

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : s_(text ? ::SysAllocString(text) : nullptr) {}
    Bstr(Bstr&& o) noexcept : s_(o.Release()) {}
    Bstr& operator=(Bstr&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    ~Bstr() { Reset(); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    // Takes ownership of a BSTR that a callee allocated.
    static Bstr Attach(BSTR s) {
        Bstr b;
        b.s_ = s;
        return b;
    }
    BSTR Get() const { return s_; }
    BSTR* Put() {
        Reset();
        return &s_;
    }
    BSTR Release() {
        BSTR s = s_;
        s_ = nullptr;
        return s;
    }
    void Reset(BSTR s = nullptr) {
        if (s_ && s_ != s) ::SysFreeString(s_);
        s_ = s;
    }
    UINT Length() const { return s_ ? ::SysStringLen(s_) : 0; }

private:
    BSTR s_ = nullptr;
};

// Owns one VARIANT.
class Variant {
public:
    Variant() { ::VariantInit(&v_); }
    ~Variant() { ::VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* Get() { return &v_; }
    const VARIANT* Get() const { return &v_; }
    VARIANT* Put() {
        ::VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

// COM for the current thread, released by the same thread.
class ComInit {
public:
    explicit ComInit(DWORD model = COINIT_APARTMENTTHREADED)
        : hr_(::CoInitializeEx(nullptr, model)) {}
    ~ComInit() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    HRESULT Result() const { return hr_; }

private:
    HRESULT hr_;
};

}  // namespace win
