#pragma once
// What the result view and the summary panel read besides the records: the
// grouping sets, the vulnerability list, the counters and the catalogue's
// names. The engine session supplies them through EngineResultSource; tests
// and benchmarks supply their own.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "zema/core/session_types.h"

namespace zema {

// Show-by modes; the numbers are the combo box's item data.
enum class ShowBy : int {
    Nothing = 1,
    Product = 2,
    Severity = 3,
    Impact = 4,
    Language = 5,
};

struct UpdateFacts {
    std::string title;
    uint64_t size = 0;
    int32_t language = 0;
    bool known = false;
};

struct BulletinFacts {
    std::string name;
    DATE date = 0;
    int32_t impact = 0;
    bool known = false;
};

class ResultSource {
public:
    virtual ~ResultSource() = default;
    virtual const GroupingSets& Groups() const = 0;
    virtual const std::vector<VulnerabilityEntry>& Vulnerabilities() const = 0;
    virtual SessionSummary Summary() const = 0;
    virtual UpdateFacts Update(int32_t updateId) const = 0;
    virtual BulletinFacts Bulletin(int32_t bulletinId) const = 0;
    virtual std::string GroupName(ShowBy by, int32_t id) const = 0;
    // False when the catalogue does not know the vulnerability.
    virtual bool VulnerabilityName(int32_t id, std::string& name) const = 0;
};

// Named skin lookups the row builders need; the windows hand in the skin.
class SkinLookup {
public:
    virtual ~SkinLookup() = default;
    virtual std::string String(const char* name) const = 0;
    virtual COLORREF Colour(const char* name) const = 0;
};

}  // namespace zema
