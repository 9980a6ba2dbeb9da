#include "zema/core/catalog_facts.h"

#include "win/com.h"
#include "win/text.h"
#include "zema/engine/update_engine.h"

namespace zema {
namespace {

// Reads one text property; a failed call leaves the text empty.
template <typename Object, typename Getter>
std::string Text(Object* object, Getter getter) {
    win::Bstr text;
    if (FAILED((object->*getter)(text.Put()))) return std::string();
    return win::FromBstr(text.Get());
}

std::string EntryName(ICatalogEntry* entry) {
    return entry ? Text(entry, &ICatalogEntry::get_Name) : std::string();
}

std::vector<std::string> TextList(ITextList* list) {
    std::vector<std::string> texts;
    LONG count = 0;
    if (!list || FAILED(list->get_Count(&count))) return texts;
    for (LONG i = 0; i < count; ++i) {
        win::Bstr text;
        if (SUCCEEDED(list->get_Item(i, text.Put()))) texts.push_back(win::FromBstr(text.Get()));
    }
    return texts;
}

std::vector<VulnerabilityDetails> Vulnerabilities(ISecurityBulletin* bulletin) {
    std::vector<VulnerabilityDetails> facts;
    win::ComPtr<IVulnerabilities> list;
    LONG count = 0;
    if (FAILED(bulletin->get_Vulnerabilities(list.GetAddressOf())) || !list ||
        FAILED(list->get_Count(&count)))
        return facts;
    for (LONG i = 0; i < count; ++i) {
        win::ComPtr<IVulnerability> item;
        LONG id = 0;
        if (FAILED(list->get_Item(i, item.GetAddressOf())) || !item || FAILED(item->get_ID(&id)))
            continue;
        VulnerabilityDetails vulnerability;
        vulnerability.id = id;
        vulnerability.name = Text(item.Get(), &IVulnerability::get_Name);
        vulnerability.description = Text(item.Get(), &IVulnerability::get_Description);
        facts.push_back(std::move(vulnerability));
    }
    return facts;
}

}  // namespace

bool EngineCatalogFacts::Update(int32_t updateId, UpdateDetails& facts) const {
    win::ComPtr<IUpdateInfo> update;
    if (!catalog_ || FAILED(catalog_->GetUpdate(updateId, update.GetAddressOf())) || !update)
        return false;
    facts = UpdateDetails();
    facts.title = Text(update.Get(), &IUpdateInfo::get_Title);
    facts.downloadAddress = Text(update.Get(), &IUpdateInfo::get_DownloadURL);
    ULONGLONG size = 0;
    if (SUCCEEDED(update->get_Size(&size))) facts.size = size;
    win::ComPtr<ICatalogEntry> language;
    if (SUCCEEDED(update->get_Language(language.GetAddressOf())))
        facts.language = EntryName(language.Get());
    LONG reboot = 0;
    if (SUCCEEDED(update->get_RebootBehavior(&reboot))) facts.rebootBehavior = reboot;
    return true;
}

bool EngineCatalogFacts::Bulletin(int32_t bulletinId, BulletinDetails& facts) const {
    win::ComPtr<ISecurityBulletin> bulletin;
    if (!catalog_ || FAILED(catalog_->GetBulletin(bulletinId, bulletin.GetAddressOf())) ||
        !bulletin)
        return false;
    facts = BulletinDetails();
    facts.id = bulletinId;
    facts.name = Text(bulletin.Get(), &ISecurityBulletin::get_Name);
    win::ComPtr<ITextList> articles;
    if (SUCCEEDED(bulletin->get_KnowledgeBase(articles.GetAddressOf())))
        facts.knowledgeBase = TextList(articles.Get());
    DATE published = 0;
    if (SUCCEEDED(bulletin->get_Date(&published))) facts.published = published;
    facts.publisher = Text(bulletin.Get(), &ISecurityBulletin::get_Publisher);
    facts.brief = Text(bulletin.Get(), &ISecurityBulletin::get_Brief);
    win::ComPtr<ICatalogEntry> impact;
    if (SUCCEEDED(bulletin->get_Impact(impact.GetAddressOf())))
        facts.impact = EntryName(impact.Get());
    facts.recommendation = Text(bulletin.Get(), &ISecurityBulletin::get_Recommendation);
    facts.description = Text(bulletin.Get(), &ISecurityBulletin::get_Description);
    facts.webPage = Text(bulletin.Get(), &ISecurityBulletin::get_WebPage);
    facts.vulnerabilities = Vulnerabilities(bulletin.Get());
    return true;
}

std::string EngineCatalogFacts::SeverityName(int32_t rating) const {
    win::Bstr name;
    if (!catalog_ || FAILED(catalog_->GetSeverityName(rating, name.Put()))) return std::string();
    return win::FromBstr(name.Get());
}

std::string EngineCatalogFacts::SoftwareName(int32_t softwareId) const {
    win::Bstr name;
    if (!catalog_ || FAILED(catalog_->GetSoftwareName(softwareId, name.Put()))) return std::string();
    return win::FromBstr(name.Get());
}

}  // namespace zema
