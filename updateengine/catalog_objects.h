#pragma once
// The catalog and what it hands out: update information, bulletins, named
// entries, vulnerabilities and text lists. Thin COM views of the Catalog,
// which each of them keeps alive.

#include <memory>
#include <string>
#include <vector>

#include "updateengine/catalog.h"
#include "updateengine/com_object.h"
#include "zema/engine/update_engine.h"

namespace updateengine {

using CatalogRef = std::shared_ptr<const Catalog>;

class TextListObject : public ComObject<ITextList> {
public:
    explicit TextListObject(std::vector<std::wstring> items) : items_(std::move(items)) {}
    STDMETHODIMP get_Count(LONG* count) override;
    STDMETHODIMP get_Item(LONG index, BSTR* text) override;

private:
    std::vector<std::wstring> items_;
};

class CatalogEntryObject : public ComObject<ICatalogEntry> {
public:
    CatalogEntryObject(int32_t id, std::wstring name) : id_(id), name_(std::move(name)) {}
    STDMETHODIMP get_ID(LONG* id) override;
    STDMETHODIMP get_Name(BSTR* name) override;

private:
    int32_t id_;
    std::wstring name_;
};

class VulnerabilityObject : public ComObject<IVulnerability> {
public:
    explicit VulnerabilityObject(const Vulnerability& v) : v_(v) {}
    STDMETHODIMP get_ID(LONG* id) override;
    STDMETHODIMP get_Name(BSTR* name) override;
    STDMETHODIMP get_Description(BSTR* description) override;

protected:
    void* FindMore(REFIID iid) override;

private:
    Vulnerability v_;
};

class VulnerabilitiesObject : public ComObject<IVulnerabilities> {
public:
    VulnerabilitiesObject(CatalogRef catalog, std::vector<int32_t> ids)
        : catalog_(std::move(catalog)), ids_(std::move(ids)) {}
    STDMETHODIMP get_Count(LONG* count) override;
    STDMETHODIMP get_Item(LONG index, IVulnerability** item) override;

private:
    CatalogRef catalog_;
    std::vector<int32_t> ids_;
};

class BulletinObject : public ComObject<ISecurityBulletin> {
public:
    BulletinObject(CatalogRef catalog, const Bulletin& bulletin)
        : catalog_(std::move(catalog)), b_(bulletin) {}
    STDMETHODIMP get_Impact(ICatalogEntry** impact) override;
    STDMETHODIMP get_Vulnerabilities(IVulnerabilities** vulnerabilities) override;
    STDMETHODIMP get_ID(LONG* id) override;
    STDMETHODIMP get_Name(BSTR* name) override;
    STDMETHODIMP get_KnowledgeBase(ITextList** articles) override;
    STDMETHODIMP get_Date(DATE* published) override;
    STDMETHODIMP get_Publisher(BSTR* publisher) override;
    STDMETHODIMP get_Brief(BSTR* brief) override;
    STDMETHODIMP get_Recommendation(BSTR* recommendation) override;
    STDMETHODIMP get_Description(BSTR* description) override;
    STDMETHODIMP get_WebPage(BSTR* address) override;

private:
    CatalogRef catalog_;
    const Bulletin& b_;  // inside *catalog_
};

class UpdateInfoObject : public ComObject<IUpdateInfo> {
public:
    UpdateInfoObject(CatalogRef catalog, const CatalogUpdate& update)
        : catalog_(std::move(catalog)), u_(update) {}
    STDMETHODIMP get_DownloadURL(BSTR* address) override;
    STDMETHODIMP get_CheckValue(BSTR* checkValue) override;
    STDMETHODIMP get_Language(ICatalogEntry** language) override;
    STDMETHODIMP get_Title(BSTR* title) override;
    STDMETHODIMP get_Size(ULONGLONG* bytes) override;
    STDMETHODIMP get_RebootBehavior(LONG* behavior) override;
    STDMETHODIMP get_ID(LONG* updateId) override;

private:
    CatalogRef catalog_;
    const CatalogUpdate& u_;  // inside *catalog_
};

class UpdateCatalogObject : public ComObject<IUpdateCatalog> {
public:
    explicit UpdateCatalogObject(CatalogRef catalog) : catalog_(std::move(catalog)) {}
    STDMETHODIMP GetBulletin(LONG bulletinId, ISecurityBulletin** bulletin) override;
    STDMETHODIMP GetUpdate(LONG updateId, IUpdateInfo** update) override;
    STDMETHODIMP GetProductName(LONG productId, BSTR* name) override;
    STDMETHODIMP GetImpactName(LONG impactId, BSTR* name) override;
    STDMETHODIMP GetLanguageName(LONG languageId, BSTR* name) override;
    STDMETHODIMP GetSeverityName(LONG rating, BSTR* name) override;
    STDMETHODIMP GetSoftwareName(LONG softwareId, BSTR* name) override;
    STDMETHODIMP GetVulnerabilityName(LONG vulnerabilityId, BSTR* name) override;
    STDMETHODIMP GetVulnerabilityDescription(LONG vulnerabilityId, BSTR* description) override;

private:
    CatalogRef catalog_;
};

}  // namespace updateengine
