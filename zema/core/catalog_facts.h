#pragma once
// What the catalogue knows about one update and its bulletins, read into
// plain data (texts in the ANSI code page), so that the views built from it
// can be tested without the engine.

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <string>
#include <vector>

struct IUpdateCatalog;

namespace zema {

struct UpdateDetails {
    std::string title;
    std::string downloadAddress;
    uint64_t size = 0;
    std::string language;
    int32_t rebootBehavior = 0;
};

struct VulnerabilityDetails {
    int32_t id = 0;
    std::string name;  // the CVE identifier
    std::string description;
};

struct BulletinDetails {
    int32_t id = 0;
    std::string name;
    std::vector<std::string> knowledgeBase;
    DATE published = 0;
    std::string publisher;
    std::string brief;
    std::string impact;
    std::string recommendation;
    std::string description;
    std::string webPage;
    std::vector<VulnerabilityDetails> vulnerabilities;
};

class CatalogFacts {
public:
    virtual ~CatalogFacts() = default;
    // False when the catalogue does not know the identifier.
    virtual bool Update(int32_t updateId, UpdateDetails& facts) const = 0;
    virtual bool Bulletin(int32_t bulletinId, BulletinDetails& facts) const = 0;
    virtual std::string SeverityName(int32_t rating) const = 0;
    // Impacted software and components share one table.
    virtual std::string SoftwareName(int32_t softwareId) const = 0;
};

// The engine's catalogue behind CatalogFacts. A null catalogue knows nothing.
class EngineCatalogFacts : public CatalogFacts {
public:
    explicit EngineCatalogFacts(IUpdateCatalog* catalog) : catalog_(catalog) {}
    bool Update(int32_t updateId, UpdateDetails& facts) const override;
    bool Bulletin(int32_t bulletinId, BulletinDetails& facts) const override;
    std::string SeverityName(int32_t rating) const override;
    std::string SoftwareName(int32_t softwareId) const override;

private:
    IUpdateCatalog* catalog_;
};

}  // namespace zema
