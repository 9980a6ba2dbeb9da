#include "qor/com/class_factory.h"

#include "qor/com/qor_downloader.h"
#include "qor/com/qor_module.h"

namespace qor {

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
