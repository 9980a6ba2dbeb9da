#include "qor/com/qor_module.h"

#include <mutex>

#include "qor/com/vtable_view.h"
#include "win/com.h"
#include "win/text.h"

namespace qor {
namespace {

HINSTANCE g_instance = nullptr;
volatile LONG g_lockCount = 0;
std::mutex g_typeLibLock;
ITypeLib* g_typeLib = nullptr;  // cached for the module's lifetime

}  // namespace

void QorModule::SetInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE QorModule::Instance() {
    return g_instance ? g_instance : ::GetModuleHandleA(nullptr);
}

std::string QorModule::Path() {
    char path[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(Instance(), path, MAX_PATH);
    return std::string(path, n);
}

void QorModule::Lock() { ::InterlockedIncrement(&g_lockCount); }
void QorModule::Unlock() { ::InterlockedDecrement(&g_lockCount); }
LONG QorModule::LockCount() { return ::InterlockedCompareExchange(&g_lockCount, 0, 0); }

HRESULT QorModule::GetTypeLib(ITypeLib** library) {
    if (!library) return E_POINTER;
    *library = nullptr;
    std::lock_guard<std::mutex> guard(g_typeLibLock);
    if (!g_typeLib) {
        std::wstring path = win::AnsiToWide(Path());
        HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &g_typeLib);
        if (FAILED(hr)) {
            g_typeLib = nullptr;
            return hr;
        }
    }
    g_typeLib->AddRef();
    *library = g_typeLib;
    return S_OK;
}

void QorModule::ReleaseTypeLib() {
    std::lock_guard<std::mutex> guard(g_typeLibLock);
    if (g_typeLib) g_typeLib->Release();
    g_typeLib = nullptr;
}

HRESULT QorModule::GetTypeInfo(REFGUID guid, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    win::ComPtr<ITypeLib> library;
    HRESULT hr = GetTypeLib(library.GetAddressOf());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(guid, info);
}

HRESULT QorModule::GetVtableTypeInfo(REFGUID guid, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    win::ComPtr<ITypeInfo> view;
    HRESULT hr = GetTypeInfo(guid, view.GetAddressOf());
    if (SUCCEEDED(hr)) hr = ToVtableView(view);
    if (FAILED(hr)) return hr;
    *info = view.Detach();
    return S_OK;
}

}  // namespace qor
