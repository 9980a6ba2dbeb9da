#pragma once
// Reads catalog.xml into a Catalog. The definitions decide which packages
// get run on the machine, so a file with any fault is refused as a whole:
// unknown elements, missing or malformed values, duplicate identifiers,
// references to nothing, and supersedence cycles.

#include <windows.h>
#include <msxml2.h>

#include <string>

#include "updateengine/catalog.h"

namespace updateengine {

class CatalogReader {
public:
    // Relative download addresses are taken relative to baseFolder.
    explicit CatalogReader(std::wstring baseFolder) : baseFolder_(std::move(baseFolder)) {}

    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) for a missing file,
    // HRESULT_FROM_WIN32(ERROR_INVALID_DATA) for a faulty one (Error() says
    // what is wrong). The catalog is filled only on success.
    HRESULT Load(const std::wstring& path, Catalog& catalog);
    const std::wstring& Error() const { return error_; }

private:
    bool Fail(const std::wstring& message);
    bool ReadRoot(IXMLDOMElement* root, Catalog& catalog);
    bool ReadNameTable(IXMLDOMElement* section, Catalog& catalog);
    bool ReadVulnerabilities(IXMLDOMElement* section, Catalog& catalog);
    bool ReadBulletins(IXMLDOMElement* section, Catalog& catalog);
    bool ReadUpdates(IXMLDOMElement* section, Catalog& catalog);
    bool ReadUpdate(IXMLDOMElement* e, CatalogUpdate& update);
    bool ReadPoint(IXMLDOMElement* e, CatalogPoint& point);
    bool ReadDetection(IXMLDOMElement* e, DetectionRule& rule);
    bool ReadCondition(IXMLDOMElement* e, int depth, Condition& condition);
    bool CheckReferences(const Catalog& catalog);
    bool CheckSupersedence(const Catalog& catalog);
    std::wstring ResolveAddress(const std::wstring& address) const;

    std::wstring baseFolder_;
    std::wstring error_;
};

}  // namespace updateengine
