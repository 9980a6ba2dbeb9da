// The four exports of the in-process server.

#include <windows.h>
#include <unknwn.h>

#include <new>

#include "qor/com/class_factory.h"
#include "qor/com/qor_module.h"
#include "qor/com/registration.h"
#include "qor/qor.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        qor::QorModule::SetInstance(instance);
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    if (qor::QorModule::LockCount() != 0) return S_FALSE;
    qor::QorModule::ReleaseTypeLib();
    return S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_QORDownloader) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) qor::ClassFactory();
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

STDAPI DllRegisterServer() { return qor::Registration::Register(qor::QorModule::Path()); }

STDAPI DllUnregisterServer() { return qor::Registration::Unregister(); }
