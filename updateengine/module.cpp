// UpdateEngine.dll's entry points: the class object, unloading and
// self-registration.

#include <windows.h>
#include <olectl.h>

#include <string>

#include "updateengine/com_object.h"
#include "updateengine/engine_object.h"
#include "updateengine/installer_object.h"
#include "win/unique_handle.h"
#include "zema/engine/update_engine.h"

namespace updateengine {
namespace {

HINSTANCE g_instance = nullptr;
LONG g_references = 0;

constexpr wchar_t kClassName[] = L"UpdateEngine";
constexpr wchar_t kThreadingModel[] = L"Apartment";
constexpr size_t kGuidTextLength = 39;

std::wstring ClassKey() {
    wchar_t clsid[kGuidTextLength] = {};
    ::StringFromGUID2(CLSID_UpdateEngine, clsid, static_cast<int>(kGuidTextLength));
    return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}

bool SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

bool CreateKey(HKEY parent, const std::wstring& path, win::RegKey& key) {
    return ::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(),
                             nullptr) == ERROR_SUCCESS;
}

class ClassFactory : public ComObject<IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        win::ComPtr<EngineObject> engine = MakeObject<EngineObject>();
        if (!engine) return E_OUTOFMEMORY;
        return engine->QueryInterface(iid, out);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) {
            ModuleAddRef();
        } else {
            ModuleRelease();
        }
        return S_OK;
    }
};

}  // namespace

void ModuleAddRef() { ::InterlockedIncrement(&g_references); }
void ModuleRelease() { ::InterlockedDecrement(&g_references); }
LONG ModuleReferences() { return g_references; }
HINSTANCE ModuleInstance() { return g_instance; }

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace updateengine

using namespace updateengine;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded while the process goes on: a later load may sit elsewhere.
        InstallerObject::UnregisterWindowClass();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_UpdateEngine) return CLASS_E_CLASSNOTAVAILABLE;
    win::ComPtr<ClassFactory> factory = MakeObject<ClassFactory>();
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return ModuleReferences() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = ::GetModuleFileNameW(g_instance, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return SELFREG_E_CLASS;
    win::RegKey classKey;
    win::RegKey server;
    if (!CreateKey(HKEY_LOCAL_MACHINE, ClassKey(), classKey) ||
        !SetText(classKey.Get(), nullptr, kClassName) ||
        !CreateKey(classKey.Get(), L"InprocServer32", server) ||
        !SetText(server.Get(), nullptr, path) ||
        !SetText(server.Get(), L"ThreadingModel", kThreadingModel))
        return SELFREG_E_CLASS;
    return S_OK;
}

STDAPI DllUnregisterServer() {
    std::wstring key = ClassKey();
    LSTATUS status = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return SELFREG_E_CLASS;
    status = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return SELFREG_E_CLASS;
    return S_OK;
}
