#include "updateengine/catalog_objects.h"

namespace updateengine {
namespace {

// A name from one of the catalog's tables; E_FAIL for an unknown one.
HRESULT ReturnName(const std::wstring* name, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!name) return E_FAIL;
    return ReturnText(*name, out);
}

HRESULT ReturnEntry(int32_t id, const std::wstring* name, ICatalogEntry** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!name) return E_FAIL;
    return Guarded([&] { return HandOut(MakeObject<CatalogEntryObject>(id, *name), out); });
}

}  // namespace

STDMETHODIMP TextListObject::get_Count(LONG* count) {
    return ReturnValue(static_cast<LONG>(items_.size()), count);
}

STDMETHODIMP TextListObject::get_Item(LONG index, BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= items_.size()) return E_FAIL;
    return ReturnText(items_[index], text);
}

STDMETHODIMP CatalogEntryObject::get_ID(LONG* id) { return ReturnValue<LONG>(id_, id); }
STDMETHODIMP CatalogEntryObject::get_Name(BSTR* name) { return ReturnText(name_, name); }

STDMETHODIMP VulnerabilityObject::get_ID(LONG* id) { return ReturnValue<LONG>(v_.id, id); }
STDMETHODIMP VulnerabilityObject::get_Name(BSTR* name) { return ReturnText(v_.name, name); }
STDMETHODIMP VulnerabilityObject::get_Description(BSTR* description) {
    return ReturnText(v_.description, description);
}

void* VulnerabilityObject::FindMore(REFIID iid) {
    return iid == IID_ICatalogEntry ? static_cast<ICatalogEntry*>(this) : nullptr;
}

STDMETHODIMP VulnerabilitiesObject::get_Count(LONG* count) {
    return ReturnValue(static_cast<LONG>(ids_.size()), count);
}

STDMETHODIMP VulnerabilitiesObject::get_Item(LONG index, IVulnerability** item) {
    if (!item) return E_POINTER;
    *item = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= ids_.size()) return E_FAIL;
    const Vulnerability* v = catalog_->FindVulnerability(ids_[index]);
    if (!v) return E_FAIL;
    return Guarded([&] { return HandOut(MakeObject<VulnerabilityObject>(*v), item); });
}

STDMETHODIMP BulletinObject::get_Impact(ICatalogEntry** impact) {
    return ReturnEntry(b_.impactId, catalog_->ImpactName(b_.impactId), impact);
}

STDMETHODIMP BulletinObject::get_Vulnerabilities(IVulnerabilities** vulnerabilities) {
    if (!vulnerabilities) return E_POINTER;
    *vulnerabilities = nullptr;
    return Guarded([&] {
        return HandOut(MakeObject<VulnerabilitiesObject>(catalog_, b_.vulnerabilityIds),
                       vulnerabilities);
    });
}

STDMETHODIMP BulletinObject::get_ID(LONG* id) { return ReturnValue<LONG>(b_.id, id); }
STDMETHODIMP BulletinObject::get_Name(BSTR* name) { return ReturnText(b_.name, name); }

STDMETHODIMP BulletinObject::get_KnowledgeBase(ITextList** articles) {
    if (!articles) return E_POINTER;
    *articles = nullptr;
    return Guarded(
        [&] { return HandOut(MakeObject<TextListObject>(b_.knowledgeBase), articles); });
}

STDMETHODIMP BulletinObject::get_Date(DATE* published) { return ReturnValue(b_.date, published); }
STDMETHODIMP BulletinObject::get_Publisher(BSTR* publisher) {
    return ReturnText(b_.publisher, publisher);
}
STDMETHODIMP BulletinObject::get_Brief(BSTR* brief) { return ReturnText(b_.brief, brief); }
STDMETHODIMP BulletinObject::get_Recommendation(BSTR* recommendation) {
    return ReturnText(b_.recommendation, recommendation);
}
STDMETHODIMP BulletinObject::get_Description(BSTR* description) {
    return ReturnText(b_.description, description);
}
STDMETHODIMP BulletinObject::get_WebPage(BSTR* address) { return ReturnText(b_.webPage, address); }

STDMETHODIMP UpdateInfoObject::get_DownloadURL(BSTR* address) {
    return ReturnText(u_.downloadUrl, address);
}
STDMETHODIMP UpdateInfoObject::get_CheckValue(BSTR* checkValue) {
    return ReturnText(u_.checkValue, checkValue);
}
STDMETHODIMP UpdateInfoObject::get_Language(ICatalogEntry** language) {
    return ReturnEntry(u_.languageId, catalog_->LanguageName(u_.languageId), language);
}
STDMETHODIMP UpdateInfoObject::get_Title(BSTR* title) { return ReturnText(u_.title, title); }
STDMETHODIMP UpdateInfoObject::get_Size(ULONGLONG* bytes) {
    return ReturnValue<ULONGLONG>(u_.size, bytes);
}
STDMETHODIMP UpdateInfoObject::get_RebootBehavior(LONG* behavior) {
    return ReturnValue<LONG>(u_.reboot, behavior);
}
STDMETHODIMP UpdateInfoObject::get_ID(LONG* updateId) { return ReturnValue<LONG>(u_.id, updateId); }

STDMETHODIMP UpdateCatalogObject::GetBulletin(LONG bulletinId, ISecurityBulletin** bulletin) {
    if (!bulletin) return E_POINTER;
    *bulletin = nullptr;
    const Bulletin* found = catalog_->FindBulletin(bulletinId);
    if (!found) return E_FAIL;
    return Guarded([&] { return HandOut(MakeObject<BulletinObject>(catalog_, *found), bulletin); });
}

STDMETHODIMP UpdateCatalogObject::GetUpdate(LONG updateId, IUpdateInfo** update) {
    if (!update) return E_POINTER;
    *update = nullptr;
    const CatalogUpdate* found = catalog_->FindUpdate(updateId);
    if (!found) return E_FAIL;
    return Guarded([&] { return HandOut(MakeObject<UpdateInfoObject>(catalog_, *found), update); });
}

STDMETHODIMP UpdateCatalogObject::GetProductName(LONG productId, BSTR* name) {
    return ReturnName(catalog_->ProductName(productId), name);
}
STDMETHODIMP UpdateCatalogObject::GetImpactName(LONG impactId, BSTR* name) {
    return ReturnName(catalog_->ImpactName(impactId), name);
}
STDMETHODIMP UpdateCatalogObject::GetLanguageName(LONG languageId, BSTR* name) {
    return ReturnName(catalog_->LanguageName(languageId), name);
}
STDMETHODIMP UpdateCatalogObject::GetSeverityName(LONG rating, BSTR* name) {
    return ReturnName(catalog_->SeverityName(rating), name);
}
STDMETHODIMP UpdateCatalogObject::GetSoftwareName(LONG softwareId, BSTR* name) {
    return ReturnName(catalog_->SoftwareName(softwareId), name);
}
STDMETHODIMP UpdateCatalogObject::GetVulnerabilityName(LONG vulnerabilityId, BSTR* name) {
    const Vulnerability* v = catalog_->FindVulnerability(vulnerabilityId);
    return ReturnName(v ? &v->name : nullptr, name);
}
STDMETHODIMP UpdateCatalogObject::GetVulnerabilityDescription(LONG vulnerabilityId,
                                                              BSTR* description) {
    const Vulnerability* v = catalog_->FindVulnerability(vulnerabilityId);
    return ReturnName(v ? &v->description : nullptr, description);
}

}  // namespace updateengine
