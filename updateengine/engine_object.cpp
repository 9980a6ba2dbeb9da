#include "updateengine/engine_object.h"

#include "updateengine/catalog_objects.h"
#include "updateengine/catalog_reader.h"
#include "updateengine/installer_object.h"
#include "updateengine/machine_probe.h"
#include "updateengine/scan_result_objects.h"
#include "updateengine/scanner.h"

namespace updateengine {

STDMETHODIMP EngineObject::Scan(IScanResult** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!catalog_) return E_FAIL;
    return Guarded([&] {
        LocalMachineProbe machine;
        auto found = std::make_shared<const std::vector<DetectedPoint>>(
            Scanner(*catalog_, machine).Scan());
        return HandOut(MakeObject<ScanResultObject>(found), result);
    });
}

STDMETHODIMP EngineObject::GetCatalog(LONG language, IUpdateCatalog** catalog) {
    if (!catalog) return E_POINTER;
    *catalog = nullptr;
    // The definitions carry their texts in one language.
    if (!catalog_ || language != catalog_->Language()) return E_FAIL;
    return Guarded([&] { return HandOut(MakeObject<UpdateCatalogObject>(catalog_), catalog); });
}

STDMETHODIMP EngineObject::Open(BSTR /*installFolder*/) {
    if (catalog_) return E_FAIL;
    return Guarded([&] {
        std::wstring folder;
        HRESULT hr = ReadDefinitionsFolder(DefinitionsLocation(), folder);
        if (FAILED(hr)) return hr;
        auto loaded = std::make_shared<Catalog>();
        CatalogReader reader(folder);
        hr = reader.Load(folder + L"\\" + kCatalogFileName, *loaded);
        if (FAILED(hr)) return hr;
        catalog_ = std::move(loaded);
        return S_OK;
    });
}

STDMETHODIMP EngineObject::Close() {
    catalog_.reset();
    return S_OK;
}

STDMETHODIMP EngineObject::GetInstaller(IUpdateInstaller** installer) {
    if (!installer) return E_POINTER;
    *installer = nullptr;
    if (!catalog_) return E_FAIL;
    return Guarded([&] { return InstallerObject::Create(catalog_, installer); });
}

}  // namespace updateengine
