#include "qor/com/class_factory.h"

#include "qor/com/qor_downloader.h"
#include "qor/com/qor_module.h"

namespace qor {

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) ClassFactory::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return QORDownloader::Create(riid, object);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
    if (lock) QorModule::Lock();
    else QorModule::Unlock();
    return S_OK;
}

}  // namespace qor
