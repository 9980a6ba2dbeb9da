#pragma once
// IUnknown written once for every COM object of the product: a thread-safe
// count that starts at one (the creator's reference), QueryInterface over
// the listed interfaces, and the object deleted with its last reference.

#include <windows.h>
#include <unknwn.h>
#include <oaidl.h>

#include <atomic>
#include <tuple>
#include <type_traits>

namespace win {

// The interface a listed base stands for: the base itself, or the
// `ComInterface` that a base implementing one (IDispatch from a type
// library, say) names. A base naming void has no identity of its own: it
// only shares the object's count.
template <typename T, typename = void>
struct InterfaceOf {
    using Type = T;
};
template <typename T>
struct InterfaceOf<T, std::void_t<typename T::ComInterface>> {
    using Type = typename T::ComInterface;
};

template <typename... Bases>
class ComObject : public Bases... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = Find(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    // Identities beyond the listed interfaces and their dispatch identity
    // (an interface they derive from, one known only at run time).
    virtual void* FindMore(REFIID) { return nullptr; }

    // A reference unless the object is already being freed: for a table
    // that lists live objects without holding them.
    bool TryAddRef() {
        ULONG current = references_.load();
        while (current != 0) {
            if (references_.compare_exchange_weak(current, current + 1)) return true;
        }
        return false;
    }

private:
    template <typename Base>
    void* As() {
        return static_cast<typename InterfaceOf<Base>::Type*>(static_cast<Base*>(this));
    }

    template <typename Base>
    void* Listed(REFIID iid) {
        if constexpr (std::is_void_v<typename InterfaceOf<Base>::Type>) {
            return nullptr;
        } else {
            return iid == __uuidof(typename InterfaceOf<Base>::Type) ? As<Base>() : nullptr;
        }
    }

    // A dual interface answers for IDispatch too: the first listed one.
    template <typename Base>
    void* Dispatch() {
        if constexpr (std::is_base_of_v<IDispatch, typename InterfaceOf<Base>::Type>) {
            return As<Base>();
        } else {
            return nullptr;
        }
    }

    void* Find(REFIID iid) {
        using First = std::tuple_element_t<0, std::tuple<Bases...>>;
        if (iid == IID_IUnknown)
            return static_cast<IUnknown*>(
                static_cast<typename InterfaceOf<First>::Type*>(static_cast<First*>(this)));
        void* found = nullptr;
        ((found = found ? found : Listed<Bases>(iid)), ...);
        if (!found && iid == IID_IDispatch) ((found = found ? found : Dispatch<Bases>()), ...);
        return found ? found : FindMore(iid);
    }

    std::atomic<ULONG> references_{1};
};

}  // namespace win
