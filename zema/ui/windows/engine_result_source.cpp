#include "zema/ui/windows/engine_result_source.h"

#include "win/com.h"
#include "win/text.h"

namespace zema {
namespace {

template <typename Object>
std::string Text(Object* object, HRESULT (STDMETHODCALLTYPE Object::*getter)(BSTR*)) {
    win::Bstr text;
    if (!object || FAILED((object->*getter)(text.Put())) || !text.Get()) return {};
    return win::FromBstr(text.Get());
}

int32_t EntryId(ICatalogEntry* entry) {
    LONG id = 0;
    if (!entry || FAILED(entry->get_ID(&id))) return 0;
    return id;
}

}  // namespace

UpdateFacts EngineResultSource::Update(int32_t updateId) const {
    UpdateFacts facts;
    IUpdateCatalog* catalog = session_.Catalog();
    win::ComPtr<IUpdateInfo> info;
    if (!catalog || FAILED(catalog->GetUpdate(updateId, info.GetAddressOf())) || !info)
        return facts;
    facts.known = true;
    facts.title = Text(info.Get(), &IUpdateInfo::get_Title);
    ULONGLONG size = 0;
    if (SUCCEEDED(info->get_Size(&size))) facts.size = size;
    win::ComPtr<ICatalogEntry> language;
    if (SUCCEEDED(info->get_Language(language.GetAddressOf())))
        facts.language = EntryId(language.Get());
    return facts;
}

BulletinFacts EngineResultSource::Bulletin(int32_t bulletinId) const {
    BulletinFacts facts;
    IUpdateCatalog* catalog = session_.Catalog();
    win::ComPtr<ISecurityBulletin> bulletin;
    if (!catalog || FAILED(catalog->GetBulletin(bulletinId, bulletin.GetAddressOf())) ||
        !bulletin)
        return facts;
    facts.known = true;
    facts.name = Text(bulletin.Get(), &ISecurityBulletin::get_Name);
    DATE date = 0;
    if (SUCCEEDED(bulletin->get_Date(&date))) facts.date = date;
    win::ComPtr<ICatalogEntry> impact;
    if (SUCCEEDED(bulletin->get_Impact(impact.GetAddressOf()))) facts.impact = EntryId(impact.Get());
    return facts;
}

std::string EngineResultSource::GroupName(ShowBy by, int32_t id) const {
    IUpdateCatalog* catalog = session_.Catalog();
    if (!catalog) return {};
    win::Bstr name;
    HRESULT hr = E_FAIL;
    switch (by) {
    case ShowBy::Product: hr = catalog->GetProductName(id, name.Put()); break;
    case ShowBy::Severity: hr = catalog->GetSeverityName(id, name.Put()); break;
    case ShowBy::Impact: hr = catalog->GetImpactName(id, name.Put()); break;
    case ShowBy::Language: hr = catalog->GetLanguageName(id, name.Put()); break;
    default: break;
    }
    if (FAILED(hr) || !name.Get()) return {};
    return win::FromBstr(name.Get());
}

bool EngineResultSource::VulnerabilityName(int32_t id, std::string& name) const {
    IUpdateCatalog* catalog = session_.Catalog();
    win::Bstr text;
    if (!catalog || catalog->GetVulnerabilityName(id, text.Put()) != S_OK) return false;
    name = text.Get() ? win::FromBstr(text.Get()) : std::string();
    return true;
}

}  // namespace zema
