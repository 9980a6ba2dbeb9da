#pragma once
// The engine's main object: loads the definitions on Open, scans this
// machine and hands out the catalog and installers.

#include <memory>

#include "updateengine/catalog.h"
#include "updateengine/com_object.h"
#include "updateengine/definitions_folder.h"
#include "zema/engine/update_engine.h"

namespace updateengine {

class EngineObject : public ComObject<IUpdateEngine> {
public:
    STDMETHODIMP Scan(IScanResult** result) override;
    STDMETHODIMP GetCatalog(LONG language, IUpdateCatalog** catalog) override;
    // The definitions come from the folder the product's registry key
    // names; the install folder is not needed by this engine.
    STDMETHODIMP Open(BSTR installFolder) override;
    STDMETHODIMP Close() override;
    STDMETHODIMP GetInstaller(IUpdateInstaller** installer) override;

private:
    std::shared_ptr<const Catalog> catalog_;  // null until opened
};

}  // namespace updateengine
