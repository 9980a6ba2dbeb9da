#pragma once
// The engine's definitions as loaded from catalog.xml: names, bulletins and
// updates with their update points and detection rules. Built once by the
// CatalogReader, then only read (and shared between threads read-only).

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "updateengine/detection_rule.h"

namespace updateengine {

struct Vulnerability {
    int32_t id = 0;
    std::wstring name;  // the CVE identifier
    std::wstring description;
};

struct Bulletin {
    int32_t id = 0;
    std::wstring name;
    std::vector<std::wstring> knowledgeBase;
    DATE date = 0;
    std::wstring publisher;
    std::wstring brief;
    std::wstring recommendation;
    std::wstring description;  // paragraphs separated by "\r\n"
    std::wstring webPage;
    int32_t impactId = 0;
    std::vector<int32_t> vulnerabilityIds;
};

struct CatalogPoint {
    int32_t id = 0;
    int32_t updateId = 0;
    int32_t bulletinId = 0;
    int32_t softwareId = 0;
    int32_t componentId = 0;  // 0: none
    int16_t severity = 0;
    std::vector<int32_t> categoryIds;  // the first is the product
    std::vector<int32_t> supersededPointIds;
};

struct CatalogUpdate {
    int32_t id = 0;
    std::wstring title;
    uint64_t size = 0;
    int32_t languageId = 0;
    int32_t reboot = 0;         // 1 never, 2 always, 3 maybe
    std::wstring downloadUrl;   // relative addresses already resolved
    std::wstring checkValue;    // 16 upper-case hexadecimal digits
    std::wstring arguments;     // for a silent installation
    DetectionRule detection;
    std::vector<CatalogPoint> points;
};

class Catalog {
public:
    using NameTable = std::map<int32_t, std::wstring>;

    LONG Language() const { return language_; }
    void SetLanguage(LONG language) { language_ = language; }

    // Each table refuses a second entry with the same identifier.
    bool AddProduct(int32_t id, std::wstring name) { return Add(products_, id, std::move(name)); }
    bool AddImpact(int32_t id, std::wstring name) { return Add(impacts_, id, std::move(name)); }
    bool AddLanguage(int32_t id, std::wstring name) { return Add(languages_, id, std::move(name)); }
    bool AddSeverity(int32_t id, std::wstring name) { return Add(severities_, id, std::move(name)); }
    bool AddSoftware(int32_t id, std::wstring name) { return Add(software_, id, std::move(name)); }
    bool AddVulnerability(Vulnerability v);
    bool AddBulletin(Bulletin b);
    // Also indexes the update's points; false when the update's or a
    // point's identifier is taken.
    bool AddUpdate(CatalogUpdate u);

    // Null when the identifier is unknown.
    const std::wstring* ProductName(int32_t id) const { return Find(products_, id); }
    const std::wstring* ImpactName(int32_t id) const { return Find(impacts_, id); }
    const std::wstring* LanguageName(int32_t id) const { return Find(languages_, id); }
    const std::wstring* SeverityName(int32_t id) const { return Find(severities_, id); }
    const std::wstring* SoftwareName(int32_t id) const { return Find(software_, id); }
    const Vulnerability* FindVulnerability(int32_t id) const;
    const Bulletin* FindBulletin(int32_t id) const;
    const CatalogUpdate* FindUpdate(int32_t id) const;
    const CatalogPoint* FindPoint(int32_t id) const;

    // In catalog order.
    const std::vector<CatalogUpdate>& Updates() const { return updates_; }

private:
    static bool Add(NameTable& table, int32_t id, std::wstring name) {
        return table.emplace(id, std::move(name)).second;
    }
    static const std::wstring* Find(const NameTable& table, int32_t id) {
        auto it = table.find(id);
        return it == table.end() ? nullptr : &it->second;
    }

    LONG language_ = 0;
    NameTable products_;
    NameTable impacts_;
    NameTable languages_;
    NameTable severities_;
    NameTable software_;
    std::map<int32_t, Vulnerability> vulnerabilities_;
    std::map<int32_t, Bulletin> bulletins_;
    std::vector<CatalogUpdate> updates_;
    std::map<int32_t, size_t> updateIndex_;
    // Point identifier to (update index, point index).
    std::map<int32_t, std::pair<size_t, size_t>> pointIndex_;
};

}  // namespace updateengine
