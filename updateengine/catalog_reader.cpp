#include "updateengine/catalog_reader.h"

#include <cwctype>
#include <limits>
#include <map>
#include <set>

#include "win/xml.h"

namespace updateengine {
namespace {

using win::ComPtr;

constexpr wchar_t kRootElement[] = L"UpdateCatalog";
constexpr wchar_t kFormatVersion[] = L"1";
constexpr int kMaxConditionDepth = 16;
constexpr size_t kCheckValueDigits = 16;
constexpr int32_t kMaxId = std::numeric_limits<int32_t>::max();
constexpr int32_t kMaxSeverity = std::numeric_limits<int16_t>::max();
constexpr int32_t kMaxReboot = 3;
constexpr wchar_t kCategorySeparator = L';';
constexpr wchar_t kParagraphBreak[] = L"\r\n";

// Name tables: section element, entry element.
struct NameSection {
    const wchar_t* section;
    const wchar_t* entry;
    bool (Catalog::*add)(int32_t, std::wstring);
};

constexpr NameSection kNameSections[] = {
    {L"Products", L"Product", &Catalog::AddProduct},
    {L"Impacts", L"Impact", &Catalog::AddImpact},
    {L"Languages", L"Language", &Catalog::AddLanguage},
    {L"Severities", L"Severity", &Catalog::AddSeverity},
    {L"SoftwareList", L"Software", &Catalog::AddSoftware},
    {L"SoftwareList", L"Component", &Catalog::AddSoftware},
};

// A whole decimal number within [min, max], blanks around it allowed.
bool ParseInteger(const std::wstring& text, int64_t min, int64_t max, int64_t& value) {
    size_t begin = text.find_first_not_of(L" \t\r\n");
    size_t end = text.find_last_not_of(L" \t\r\n");
    if (begin == std::wstring::npos) return false;
    bool negative = text[begin] == L'-';
    if (negative) ++begin;
    if (begin > end) return false;
    uint64_t magnitude = 0;
    for (size_t i = begin; i <= end; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - L'0');
        if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
    }
    int64_t parsed = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (parsed < min || parsed > max) return false;
    value = parsed;
    return true;
}

bool ParseUnsigned64(const std::wstring& text, uint64_t& value) {
    if (text.empty() || text.size() > 20 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    uint64_t parsed = 0;
    for (wchar_t c : text) {
        uint64_t digit = static_cast<uint64_t>(c - L'0');
        if (parsed > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
        parsed = parsed * 10 + digit;
    }
    value = parsed;
    return true;
}

// Runs of white space become one blank; none at either end.
std::wstring CollapseSpace(const std::wstring& text) {
    std::wstring out;
    bool pendingSpace = false;
    for (wchar_t c : text) {
        if (iswspace(c)) {
            pendingSpace = !out.empty();
        } else {
            if (pendingSpace) out += L' ';
            pendingSpace = false;
            out += c;
        }
    }
    return out;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// "YYYY-MM-DD" as a COM date.
bool ParseDate(const std::wstring& text, DATE& date) {
    constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int64_t year = 0, month = 0, day = 0;
    if (text.size() != 10 || text[4] != L'-' || text[7] != L'-' ||
        !ParseInteger(text.substr(0, 4), 1601, 9999, year) ||
        !ParseInteger(text.substr(5, 2), 1, 12, month) ||
        !ParseInteger(text.substr(8, 2), 1, 31, day))
        return false;
    int last = kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(static_cast<int>(year)) ? 1 : 0);
    if (day > last) return false;
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    return ::SystemTimeToVariantTime(&st, &date) != FALSE;
}

bool IsCheckValue(const std::wstring& text) {
    if (text.size() != kCheckValueDigits) return false;
    for (wchar_t c : text) {
        if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'))) return false;
    }
    return true;
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    size_t n = wcslen(prefix);
    return text.size() >= n && _wcsnicmp(text.c_str(), prefix, n) == 0;
}

// Registry paths of the rules are relative to HKEY_LOCAL_MACHINE; a leading
// name of that root is allowed, any other root is not.
bool NormaliseKey(std::wstring& key) {
    for (const wchar_t* root : {L"HKLM\\", L"HKEY_LOCAL_MACHINE\\"}) {
        if (StartsWithNoCase(key, root)) {
            key.erase(0, wcslen(root));
            break;
        }
    }
    return !key.empty() && !StartsWithNoCase(key, L"HKEY_") && key[0] != L'\\';
}

// A description: its Paragraph children joined by line breaks, or its whole
// text as one paragraph.
std::wstring ReadParagraphs(IXMLDOMElement* e) {
    std::wstring text;
    bool any = false;
    for (ComPtr<IXMLDOMElement>& child : win::ChildElements(e)) {
        if (win::ElementName(child.Get()) != L"Paragraph") continue;
        any = true;
        std::wstring paragraph = CollapseSpace(win::NodeText(child.Get()));
        if (paragraph.empty()) continue;
        if (!text.empty()) text += kParagraphBreak;
        text += paragraph;
    }
    return any ? text : CollapseSpace(win::NodeText(e));
}

// Attribute access that explains its failures.
class Element {
public:
    Element(IXMLDOMElement* e, std::wstring context, std::wstring& error)
        : e_(e), context_(std::move(context)), error_(error) {}

    bool Fail(const std::wstring& message) const {
        error_ = context_ + L": " + message;
        return false;
    }

    bool Has(const wchar_t* name) const {
        std::wstring ignored;
        return win::ReadAttribute(e_, name, ignored);
    }

    bool Text(const wchar_t* name, std::wstring& value, bool allowEmpty = false) const {
        if (!win::ReadAttribute(e_, name, value)) return Fail(L"missing " + std::wstring(name));
        if (!allowEmpty && CollapseSpace(value).empty())
            return Fail(L"empty " + std::wstring(name));
        return true;
    }

    template <typename Int>
    bool Number(const wchar_t* name, int64_t min, int64_t max, Int& value) const {
        std::wstring text;
        int64_t parsed = 0;
        if (!win::ReadAttribute(e_, name, text)) return Fail(L"missing " + std::wstring(name));
        if (!ParseInteger(text, min, max, parsed))
            return Fail(L"bad " + std::wstring(name) + L" \"" + text + L"\"");
        value = static_cast<Int>(parsed);
        return true;
    }

    bool Id(const wchar_t* name, int32_t& value) const { return Number(name, 1, kMaxId, value); }

private:
    IXMLDOMElement* e_;
    std::wstring context_;
    std::wstring& error_;
};

std::wstring Describe(const wchar_t* kind, int32_t id) {
    return std::wstring(kind) + L" " + std::to_wstring(id);
}

}  // namespace

HRESULT CatalogReader::Load(const std::wstring& path, Catalog& catalog) {
    error_.clear();
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error_ = L"no catalog at " + path;
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    ComPtr<IXMLDOMDocument> document;
    HRESULT hr = win::LoadXmlFile(path, document);
    if (hr == HRESULT_FROM_WIN32(ERROR_INVALID_DATA)) {
        error_ = L"not a well-formed XML document";
        return hr;
    }
    if (FAILED(hr)) {
        error_ = L"the catalog could not be loaded";
        return hr;
    }
    ComPtr<IXMLDOMElement> root;
    hr = win::DocumentElement(document.Get(), root);
    if (FAILED(hr)) return hr;
    Catalog loaded;
    if (!ReadRoot(root.Get(), loaded) || !CheckReferences(loaded) || !CheckSupersedence(loaded))
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    catalog = std::move(loaded);
    return S_OK;
}

bool CatalogReader::Fail(const std::wstring& message) {
    error_ = message;
    return false;
}

bool CatalogReader::ReadRoot(IXMLDOMElement* root, Catalog& catalog) {
    if (win::ElementName(root) != kRootElement)
        return Fail(L"the document element is not " + std::wstring(kRootElement));
    Element r(root, kRootElement, error_);
    std::wstring version;
    LONG language = 0;
    if (!r.Text(L"Version", version) || !r.Number(L"Language", 1, kMaxId, language)) return false;
    if (version != kFormatVersion) return r.Fail(L"unsupported Version \"" + version + L"\"");
    catalog.SetLanguage(language);

    for (ComPtr<IXMLDOMElement>& section : win::ChildElements(root)) {
        std::wstring name = win::ElementName(section.Get());
        bool ok;
        if (name == L"Vulnerabilities") {
            ok = ReadVulnerabilities(section.Get(), catalog);
        } else if (name == L"Bulletins") {
            ok = ReadBulletins(section.Get(), catalog);
        } else if (name == L"Updates") {
            ok = ReadUpdates(section.Get(), catalog);
        } else {
            ok = ReadNameTable(section.Get(), catalog);
        }
        if (!ok) return false;
    }
    return true;
}

bool CatalogReader::ReadNameTable(IXMLDOMElement* section, Catalog& catalog) {
    std::wstring sectionName = win::ElementName(section);
    bool known = false;
    for (const NameSection& s : kNameSections) known = known || sectionName == s.section;
    if (!known) return Fail(L"unknown section " + sectionName);
    for (ComPtr<IXMLDOMElement>& entry : win::ChildElements(section)) {
        std::wstring entryName = win::ElementName(entry.Get());
        const NameSection* table = nullptr;
        for (const NameSection& s : kNameSections) {
            if (sectionName == s.section && entryName == s.entry) table = &s;
        }
        if (!table) return Fail(sectionName + L": unknown element " + entryName);
        Element e(entry.Get(), entryName, error_);
        int32_t id = 0;
        std::wstring name;
        // Severity ratings travel as 16-bit numbers.
        int64_t max = table->add == &Catalog::AddSeverity ? kMaxSeverity : kMaxId;
        if (!e.Number(L"ID", 1, max, id) || !e.Text(L"Name", name)) return false;
        if (!(catalog.*(table->add))(id, CollapseSpace(name)))
            return Fail(Describe(entryName.c_str(), id) + L": duplicate identifier");
    }
    return true;
}

bool CatalogReader::ReadVulnerabilities(IXMLDOMElement* section, Catalog& catalog) {
    for (ComPtr<IXMLDOMElement>& entry : win::ChildElements(section)) {
        if (win::ElementName(entry.Get()) != L"Vulnerability")
            return Fail(L"Vulnerabilities: unknown element " + win::ElementName(entry.Get()));
        Element e(entry.Get(), L"Vulnerability", error_);
        Vulnerability v;
        if (!e.Id(L"ID", v.id) || !e.Text(L"Name", v.name)) return false;
        v.name = CollapseSpace(v.name);
        v.description = ReadParagraphs(entry.Get());
        int32_t id = v.id;
        if (!catalog.AddVulnerability(std::move(v)))
            return Fail(Describe(L"Vulnerability", id) + L": duplicate identifier");
    }
    return true;
}

bool CatalogReader::ReadBulletins(IXMLDOMElement* section, Catalog& catalog) {
    for (ComPtr<IXMLDOMElement>& entry : win::ChildElements(section)) {
        if (win::ElementName(entry.Get()) != L"Bulletin")
            return Fail(L"Bulletins: unknown element " + win::ElementName(entry.Get()));
        Bulletin b;
        if (!Element(entry.Get(), L"Bulletin", error_).Id(L"ID", b.id)) return false;
        Element e(entry.Get(), Describe(L"Bulletin", b.id), error_);
        std::wstring date;
        if (!e.Text(L"Name", b.name) || !e.Text(L"Date", date) || !e.Id(L"Impact", b.impactId))
            return false;
        if (!ParseDate(date, b.date)) return e.Fail(L"bad Date \"" + date + L"\"");
        b.name = CollapseSpace(b.name);
        if (e.Has(L"Publisher") && !e.Text(L"Publisher", b.publisher, true)) return false;
        if (e.Has(L"WebPage") && !e.Text(L"WebPage", b.webPage, true)) return false;
        b.publisher = CollapseSpace(b.publisher);
        b.webPage = CollapseSpace(b.webPage);
        for (ComPtr<IXMLDOMElement>& child : win::ChildElements(entry.Get())) {
            std::wstring name = win::ElementName(child.Get());
            if (name == L"KnowledgeBase") {
                std::wstring article = CollapseSpace(win::NodeText(child.Get()));
                if (article.empty()) return e.Fail(L"empty KnowledgeBase");
                b.knowledgeBase.push_back(article);
            } else if (name == L"Brief") {
                b.brief = ReadParagraphs(child.Get());
            } else if (name == L"Recommendation") {
                b.recommendation = ReadParagraphs(child.Get());
            } else if (name == L"Description") {
                b.description = ReadParagraphs(child.Get());
            } else if (name == L"Vulnerability") {
                int32_t id = 0;
                if (!Element(child.Get(), Describe(L"Bulletin", b.id) + L" Vulnerability", error_)
                         .Id(L"ID", id))
                    return false;
                for (int32_t listed : b.vulnerabilityIds) {
                    if (listed == id) return e.Fail(L"vulnerability " + std::to_wstring(id) +
                                                    L" listed twice");
                }
                b.vulnerabilityIds.push_back(id);
            } else {
                return e.Fail(L"unknown element " + name);
            }
        }
        int32_t id = b.id;
        if (!catalog.AddBulletin(std::move(b)))
            return Fail(Describe(L"Bulletin", id) + L": duplicate identifier");
    }
    return true;
}

bool CatalogReader::ReadUpdates(IXMLDOMElement* section, Catalog& catalog) {
    for (ComPtr<IXMLDOMElement>& entry : win::ChildElements(section)) {
        if (win::ElementName(entry.Get()) != L"Update")
            return Fail(L"Updates: unknown element " + win::ElementName(entry.Get()));
        CatalogUpdate update;
        if (!ReadUpdate(entry.Get(), update)) return false;
        int32_t id = update.id;
        if (!catalog.AddUpdate(std::move(update)))
            return Fail(Describe(L"Update", id) + L": duplicate update or point identifier");
    }
    return true;
}

bool CatalogReader::ReadUpdate(IXMLDOMElement* entry, CatalogUpdate& update) {
    if (!Element(entry, L"Update", error_).Id(L"ID", update.id)) return false;
    Element e(entry, Describe(L"Update", update.id), error_);
    std::wstring size;
    if (!e.Text(L"Title", update.title) || !e.Text(L"Size", size) ||
        !e.Id(L"Language", update.languageId) || !e.Number(L"Reboot", 1, kMaxReboot, update.reboot) ||
        !e.Text(L"DownloadURL", update.downloadUrl) || !e.Text(L"CheckValue", update.checkValue))
        return false;
    if (!ParseUnsigned64(size, update.size)) return e.Fail(L"bad Size \"" + size + L"\"");
    if (!IsCheckValue(update.checkValue))
        return e.Fail(L"CheckValue \"" + update.checkValue +
                      L"\" is not 16 upper-case hexadecimal digits");
    if (e.Has(L"Arguments") && !e.Text(L"Arguments", update.arguments, true)) return false;
    update.title = CollapseSpace(update.title);
    update.downloadUrl = ResolveAddress(CollapseSpace(update.downloadUrl));

    bool detection = false;
    for (ComPtr<IXMLDOMElement>& child : win::ChildElements(entry)) {
        std::wstring name = win::ElementName(child.Get());
        if (name == L"Detection") {
            if (detection) return e.Fail(L"more than one Detection");
            detection = true;
            if (!ReadDetection(child.Get(), update.detection))
                return e.Fail(error_);
        } else if (name == L"UpdatePoint") {
            CatalogPoint point;
            point.updateId = update.id;
            if (!ReadPoint(child.Get(), point)) return e.Fail(error_);
            update.points.push_back(std::move(point));
        } else {
            return e.Fail(L"unknown element " + name);
        }
    }
    if (!detection) return e.Fail(L"no Detection");
    if (update.points.empty()) return e.Fail(L"no UpdatePoint");
    return true;
}

bool CatalogReader::ReadPoint(IXMLDOMElement* entry, CatalogPoint& point) {
    if (!Element(entry, L"UpdatePoint", error_).Id(L"ID", point.id)) return false;
    Element e(entry, Describe(L"UpdatePoint", point.id), error_);
    std::wstring categories;
    if (!e.Id(L"Bulletin", point.bulletinId) || !e.Id(L"Software", point.softwareId) ||
        !e.Number(L"Severity", 1, kMaxSeverity, point.severity) ||
        !e.Text(L"Categories", categories))
        return false;
    if (e.Has(L"Component") && !e.Number(L"Component", 0, kMaxId, point.componentId))
        return false;
    // "10;40" and "10;40;" both name two categories.
    size_t start = 0;
    while (start < categories.size()) {
        size_t end = categories.find(kCategorySeparator, start);
        if (end == std::wstring::npos) end = categories.size();
        int64_t id = 0;
        if (!ParseInteger(categories.substr(start, end - start), 1, kMaxId, id))
            return e.Fail(L"bad Categories \"" + categories + L"\"");
        point.categoryIds.push_back(static_cast<int32_t>(id));
        start = end + 1;
    }
    for (ComPtr<IXMLDOMElement>& child : win::ChildElements(entry)) {
        std::wstring name = win::ElementName(child.Get());
        if (name != L"Supersedes") return e.Fail(L"unknown element " + name);
        int32_t older = 0;
        if (!Element(child.Get(), Describe(L"UpdatePoint", point.id) + L" Supersedes", error_)
                 .Id(L"Point", older))
            return false;
        point.supersededPointIds.push_back(older);
    }
    return true;
}

bool CatalogReader::ReadDetection(IXMLDOMElement* entry, DetectionRule& rule) {
    bool installed = false;
    bool applies = false;
    for (ComPtr<IXMLDOMElement>& child : win::ChildElements(entry)) {
        std::wstring name = win::ElementName(child.Get());
        std::vector<Condition>* list = nullptr;
        if (name == L"Applies" && !applies) {
            applies = true;
            list = &rule.applies;
        } else if (name == L"Installed" && !installed) {
            installed = true;
            list = &rule.installed;
        } else {
            return Fail(L"Detection: unexpected element " + name);
        }
        for (ComPtr<IXMLDOMElement>& c : win::ChildElements(child.Get())) {
            Condition condition;
            if (!ReadCondition(c.Get(), 1, condition)) return false;
            list->push_back(std::move(condition));
        }
    }
    if (rule.installed.empty()) return Fail(L"Detection: no Installed condition");
    return true;
}

bool CatalogReader::ReadCondition(IXMLDOMElement* entry, int depth, Condition& condition) {
    std::wstring name = win::ElementName(entry);
    Element e(entry, L"Detection " + name, error_);
    if (depth > kMaxConditionDepth) return e.Fail(L"conditions nested too deeply");
    if (name == L"All" || name == L"Any" || name == L"Not") {
        condition.kind = name == L"All"   ? Condition::Kind::All
                         : name == L"Any" ? Condition::Kind::Any
                                          : Condition::Kind::Not;
        for (ComPtr<IXMLDOMElement>& child : win::ChildElements(entry)) {
            Condition inner;
            if (!ReadCondition(child.Get(), depth + 1, inner)) return false;
            condition.children.push_back(std::move(inner));
        }
        if (condition.children.empty()) return e.Fail(L"no condition inside");
        if (condition.kind == Condition::Kind::Not && condition.children.size() != 1)
            return e.Fail(L"must hold exactly one condition");
        return true;
    }
    if (!win::ChildElements(entry).empty()) return e.Fail(L"unexpected element inside");
    if (name == L"RegistryKey" || name == L"RegistryValue") {
        condition.kind = name == L"RegistryKey" ? Condition::Kind::RegistryKey
                                                : Condition::Kind::RegistryValue;
        if (!e.Text(L"Key", condition.key)) return false;
        if (!NormaliseKey(condition.key)) return e.Fail(L"Key \"" + condition.key +
                                                        L"\" is not under HKEY_LOCAL_MACHINE");
        if (condition.kind == Condition::Kind::RegistryValue) {
            // An empty name is the key's default value.
            if (!e.Text(L"Name", condition.name, true)) return false;
            condition.compare = e.Has(L"Equals");
            if (condition.compare && !e.Text(L"Equals", condition.equals, true)) return false;
        }
        return true;
    }
    if (name == L"File" || name == L"FileVersion") {
        if (!e.Text(L"Path", condition.path)) return false;
        if (name == L"File") {
            condition.kind = Condition::Kind::File;
            return true;
        }
        condition.kind = Condition::Kind::FileVersion;
        bool below = e.Has(L"Below");
        if (below == e.Has(L"AtLeast")) return e.Fail(L"needs exactly one of Below and AtLeast");
        condition.below = below;
        std::wstring version;
        if (!e.Text(below ? L"Below" : L"AtLeast", version)) return false;
        if (!FileVersion::Parse(version, condition.version))
            return e.Fail(L"bad version \"" + version + L"\"");
        return true;
    }
    return Fail(L"Detection: unknown condition " + name);
}

bool CatalogReader::CheckReferences(const Catalog& catalog) {
    // Every bulletin and update is reached through the updates' points, but
    // bulletins are checked on their own too so that every name the views
    // may ask for exists.
    for (const CatalogUpdate& update : catalog.Updates()) {
        std::wstring context = Describe(L"Update", update.id) + L": ";
        if (!catalog.LanguageName(update.languageId))
            return Fail(context + L"unknown language " + std::to_wstring(update.languageId));
        for (const CatalogPoint& point : update.points) {
            std::wstring where = context + Describe(L"UpdatePoint", point.id) + L": ";
            const Bulletin* bulletin = catalog.FindBulletin(point.bulletinId);
            if (!bulletin)
                return Fail(where + L"unknown bulletin " + std::to_wstring(point.bulletinId));
            if (!catalog.ImpactName(bulletin->impactId))
                return Fail(Describe(L"Bulletin", bulletin->id) + L": unknown impact " +
                            std::to_wstring(bulletin->impactId));
            for (int32_t v : bulletin->vulnerabilityIds) {
                if (!catalog.FindVulnerability(v))
                    return Fail(Describe(L"Bulletin", bulletin->id) +
                                L": unknown vulnerability " + std::to_wstring(v));
            }
            if (!catalog.SoftwareName(point.softwareId))
                return Fail(where + L"unknown software " + std::to_wstring(point.softwareId));
            if (point.componentId != 0 && !catalog.SoftwareName(point.componentId))
                return Fail(where + L"unknown component " + std::to_wstring(point.componentId));
            if (!catalog.SeverityName(point.severity))
                return Fail(where + L"unknown severity " + std::to_wstring(point.severity));
            if (!catalog.ProductName(point.categoryIds.front()))
                return Fail(where + L"the first category " +
                            std::to_wstring(point.categoryIds.front()) + L" is not a product");
            for (int32_t older : point.supersededPointIds) {
                const CatalogPoint* target = catalog.FindPoint(older);
                if (!target)
                    return Fail(where + L"supersedes unknown point " + std::to_wstring(older));
                if (target->updateId == update.id)
                    return Fail(where + L"supersedes a point of its own update");
            }
        }
    }
    return true;
}

bool CatalogReader::CheckSupersedence(const Catalog& catalog) {
    // Depth-first search over "supersedes"; a point met again while still
    // on the path closes a cycle.
    enum class Mark { Unvisited, OnPath, Done };
    std::map<int32_t, Mark> marks;
    struct Frame {
        const CatalogPoint* point;
        size_t next;
    };
    for (const CatalogUpdate& update : catalog.Updates()) {
        for (const CatalogPoint& start : update.points) {
            if (marks[start.id] != Mark::Unvisited) continue;
            std::vector<Frame> path{{&start, 0}};
            marks[start.id] = Mark::OnPath;
            while (!path.empty()) {
                Frame& top = path.back();
                if (top.next == top.point->supersededPointIds.size()) {
                    marks[top.point->id] = Mark::Done;
                    path.pop_back();
                    continue;
                }
                const CatalogPoint* older = catalog.FindPoint(top.point->supersededPointIds[top.next++]);
                Mark& mark = marks[older->id];
                if (mark == Mark::OnPath)
                    return Fail(Describe(L"UpdatePoint", older->id) + L": supersedence cycle");
                if (mark == Mark::Unvisited) {
                    mark = Mark::OnPath;
                    path.push_back({older, 0});
                }
            }
        }
    }
    return true;
}

std::wstring CatalogReader::ResolveAddress(const std::wstring& address) const {
    bool absolute = address.find(L"://") != std::wstring::npos ||
                    StartsWithNoCase(address, L"\\\\") || address.find(L':') != std::wstring::npos ||
                    address[0] == L'\\' || address[0] == L'/';
    if (absolute || baseFolder_.empty()) return address;
    return baseFolder_ + L"\\" + address;
}

}  // namespace updateengine
