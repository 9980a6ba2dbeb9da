#pragma once
// What the whole QOR module shares: its instance handle, the count of live
// objects and server locks that decides whether it may be unloaded, and its
// type library (TYPELIB resource 1).

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace qor {

class QorModule {
public:
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE Instance();
    static std::string Path();

    static void Lock();
    static void Unlock();
    static LONG LockCount();

    // The library's own type info for a GUID (for a dual interface, its
    // dispatch view).
    static HRESULT GetTypeInfo(REFGUID guid, ITypeInfo** info);
    // The vtable view of a dual interface, the one that invokes its methods.
    static HRESULT GetVtableTypeInfo(REFGUID guid, ITypeInfo** info);
    static HRESULT GetTypeLib(ITypeLib** library);
    // Drops the cached library once nothing uses the module.
    static void ReleaseTypeLib();
};

// Counts one live object of the module for its lifetime.
class ModuleObject {
public:
    ModuleObject() { QorModule::Lock(); }
    ~ModuleObject() { QorModule::Unlock(); }
    ModuleObject(const ModuleObject&) = delete;
    ModuleObject& operator=(const ModuleObject&) = delete;
};

}  // namespace qor
