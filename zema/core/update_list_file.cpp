#include "zema/core/update_list_file.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <set>
#include <type_traits>

#include "win/text.h"
#include "win/xml.h"
#include "zema/core/ini_file.h"

namespace zema {
namespace {

using win::ComPtr;

constexpr wchar_t kRootElement[] = L"UpdateList";
constexpr wchar_t kRecordElement[] = L"Update";
constexpr wchar_t kPointListElement[] = L"UpdatePointList";
constexpr wchar_t kPointElement[] = L"UPDATEPOINT_INFO";
constexpr wchar_t kSupersededListElement[] = L"SupersededUpdatePointList";
constexpr char kCategorySeparator = ';';

// Superseded points nest only a few levels in practice; the limit keeps a
// hostile file from exhausting the stack.
constexpr int kMaxPointDepth = 64;

// The shortest plain decimal text (never an exponent) that reads back as
// the same float, whatever the locale.
std::wstring FormatFloat(float value) {
    char text[64];
    std::to_chars_result r =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed);
    if (r.ec != std::errc()) return L"0";
    return std::wstring(text, r.ptr);
}

template <typename Int>
std::wstring FormatInt(Int value) {
    return std::to_wstring(static_cast<long long>(value));
}

std::wstring FormatCategoryIds(const std::vector<int32_t>& ids) {
    std::wstring text;
    for (int32_t id : ids) {
        text += std::to_wstring(id);
        text += static_cast<wchar_t>(kCategorySeparator);
    }
    return text;
}

using Attributes = std::vector<std::pair<const wchar_t*, std::wstring>>;

// Appends an element with its attributes (in this order) and its one list
// child, which it returns.
HRESULT AppendElement(IXMLDOMDocument* doc, IXMLDOMNode* parent, const wchar_t* name,
                      const Attributes& attributes, const wchar_t* listName,
                      ComPtr<IXMLDOMElement>& list) {
    ComPtr<IXMLDOMElement> e;
    HRESULT hr = win::AppendElement(doc, parent, name, e);
    if (FAILED(hr)) return hr;
    for (const auto& [attribute, value] : attributes) {
        hr = win::WriteAttribute(e.Get(), attribute, value);
        if (FAILED(hr)) return hr;
    }
    return win::AppendElement(doc, e.Get(), listName, list);
}

HRESULT WritePoint(IXMLDOMDocument* doc, IXMLDOMNode* parent, const UpdatePoint& point) {
    ComPtr<IXMLDOMElement> superseded;
    HRESULT hr = AppendElement(doc, parent, kPointElement,
                               {{L"ID", FormatInt(point.id)},
                                {L"UpdateID", FormatInt(point.updateId)},
                                {L"SecurityBulletinID", FormatInt(point.securityBulletinId)},
                                {L"ImpactedSoftwareID", FormatInt(point.impactedSoftwareId)},
                                {L"ImpactedComponentID", FormatInt(point.impactedComponentId)},
                                {L"SeverityRating", FormatInt(point.severityRating)},
                                {L"CategoryIDs", FormatCategoryIds(point.categoryIds)}},
                               kSupersededListElement, superseded);
    for (size_t i = 0; SUCCEEDED(hr) && i < point.supersededPoints.size(); ++i)
        hr = WritePoint(doc, superseded.Get(), point.supersededPoints[i]);
    return hr;
}

HRESULT WriteRecord(IXMLDOMDocument* doc, IXMLDOMNode* parent, const UpdateRecord& record) {
    ComPtr<IXMLDOMElement> points;
    HRESULT hr = AppendElement(doc, parent, kRecordElement,
                               {{L"ID", FormatInt(record.id)},
                                {L"Status", FormatInt(static_cast<int32_t>(record.status))},
                                {L"Reboot", FormatInt(record.reboot)},
                                {L"Percent", FormatFloat(record.percent)},
                                {L"AverageRate", FormatInt(record.averageRate)},
                                {L"ConsumeTime", FormatInt(record.consumeTime)},
                                {L"LeftTime", FormatInt(record.leftTime)},
                                {L"RetryTimes", FormatInt(record.retryTimes)},
                                {L"RetryLeftTime", FormatInt(record.retryLeftTime)},
                                {L"FileName", win::AnsiToWide(record.fileName)},
                                {L"CheckValue", win::AnsiToWide(record.checkValue)}},
                               kPointListElement, points);
    for (size_t i = 0; SUCCEEDED(hr) && i < record.updatePoints.size(); ++i)
        hr = WritePoint(doc, points.Get(), record.updatePoints[i]);
    return hr;
}

bool ReadText(IXMLDOMElement* e, const wchar_t* name, std::string& value) {
    std::wstring text;
    if (!win::ReadAttribute(e, name, text)) return false;
    value = win::WideToAnsi(text);
    return true;
}

// Decimal text as the field's type; absent, unreadable or out-of-range
// values keep what the field holds.
template <typename Int>
bool ReadInt(IXMLDOMElement* e, const wchar_t* name, Int& value) {
    static_assert(std::is_integral_v<Int>);
    std::string text;
    int64_t parsed = 0;
    if (!ReadText(e, name, text) || !ParseLeadingInt64(text, parsed)) return false;
    if (parsed < std::numeric_limits<Int>::min() || parsed > std::numeric_limits<Int>::max())
        return false;
    value = static_cast<Int>(parsed);
    return true;
}

// Progress is a fraction; anything else in the file is damage.
void ReadPercent(IXMLDOMElement* e, float& value) {
    std::string text;
    if (!ReadText(e, L"Percent", text)) return;
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return;
    float parsed = 0.0f;
    std::from_chars_result r = std::from_chars(text.data() + start, text.data() + text.size(),
                                               parsed);
    if (r.ec != std::errc() || !std::isfinite(parsed)) return;
    value = parsed < 0.0f ? 0.0f : (parsed > 1.0f ? 1.0f : parsed);
}

// Each piece before a ";" is one identifier; text after the last ";" is not
// read, and pieces that are not positive numbers are dropped.
std::vector<int32_t> ParseCategoryIds(const std::string& text) {
    std::vector<int32_t> ids;
    size_t start = 0;
    for (size_t end = text.find(kCategorySeparator); end != std::string::npos;
         start = end + 1, end = text.find(kCategorySeparator, start)) {
        int64_t id = 0;
        if (ParseLeadingInt64(text.substr(start, end - start), id) && id > 0 &&
            id <= std::numeric_limits<int32_t>::max())
            ids.push_back(static_cast<int32_t>(id));
    }
    return ids;
}

// A package name names a file inside the save folder and nothing else, since
// the program later opens and deletes that file.
bool IsPlainFileName(const std::string& name) {
    return name.find_first_of("\\/:") == std::string::npos && name != "." && name != "..";
}

UpdatePoint ReadPoint(IXMLDOMElement* e, int depth) {
    UpdatePoint point;
    ReadInt(e, L"ID", point.id);
    ReadInt(e, L"UpdateID", point.updateId);
    ReadInt(e, L"SecurityBulletinID", point.securityBulletinId);
    ReadInt(e, L"ImpactedSoftwareID", point.impactedSoftwareId);
    ReadInt(e, L"ImpactedComponentID", point.impactedComponentId);
    ReadInt(e, L"SeverityRating", point.severityRating);
    std::string categories;
    if (ReadText(e, L"CategoryIDs", categories)) point.categoryIds = ParseCategoryIds(categories);
    if (depth >= kMaxPointDepth) return point;
    if (ComPtr<IXMLDOMElement> list = win::FirstChildElement(e, kSupersededListElement)) {
        for (ComPtr<IXMLDOMElement>& child : win::ChildElements(list.Get()))
            point.supersededPoints.push_back(ReadPoint(child.Get(), depth + 1));
    }
    return point;
}

// Null for a record that has no usable identity or state.
std::unique_ptr<UpdateRecord> ReadRecord(IXMLDOMElement* e) {
    auto record = std::make_unique<UpdateRecord>();
    int32_t status = 0;
    if (!ReadInt(e, L"ID", record->id) || !ReadInt(e, L"Status", status) ||
        !IsKnownUpdateStatus(status))
        return nullptr;
    record->status = static_cast<UpdateStatus>(status);
    ReadInt(e, L"Reboot", record->reboot);
    ReadPercent(e, record->percent);
    ReadInt(e, L"AverageRate", record->averageRate);
    ReadInt(e, L"ConsumeTime", record->consumeTime);
    ReadInt(e, L"LeftTime", record->leftTime);
    ReadInt(e, L"RetryTimes", record->retryTimes);
    ReadInt(e, L"RetryLeftTime", record->retryLeftTime);
    if (ReadText(e, L"FileName", record->fileName) && !IsPlainFileName(record->fileName))
        record->fileName.clear();
    ReadText(e, L"CheckValue", record->checkValue);
    if (ComPtr<IXMLDOMElement> list = win::FirstChildElement(e, kPointListElement)) {
        for (ComPtr<IXMLDOMElement>& child : win::ChildElements(list.Get()))
            record->updatePoints.push_back(ReadPoint(child.Get(), 0));
    }
    return record;
}

}  // namespace

bool SaveUpdateList(const std::string& path, const UpdateList& list) {
    ComPtr<IXMLDOMDocument> doc;
    if (FAILED(win::CreateXmlDocument(doc))) return false;
    ComPtr<IXMLDOMElement> root;
    if (FAILED(win::AppendElement(doc.Get(), doc.Get(), kRootElement, root))) return false;
    for (const std::unique_ptr<UpdateRecord>& record : list) {
        if (record->status != UpdateStatus::InstalledNeedsReboot) continue;
        if (FAILED(WriteRecord(doc.Get(), root.Get(), *record))) return false;
    }
    return SUCCEEDED(win::SaveXmlFile(doc.Get(), win::AnsiToWide(path)));
}

bool LoadUpdateList(const std::string& path, UpdateList& list) {
    ComPtr<IXMLDOMDocument> doc;
    if (FAILED(win::LoadXmlFile(win::AnsiToWide(path), doc))) return false;
    ComPtr<IXMLDOMElement> root;
    if (FAILED(win::DocumentElement(doc.Get(), root))) return false;
    std::set<int32_t> ids;
    for (const std::unique_ptr<UpdateRecord>& record : list) ids.insert(record->id);
    for (ComPtr<IXMLDOMElement>& child : win::ChildElements(root.Get())) {
        std::unique_ptr<UpdateRecord> record = ReadRecord(child.Get());
        if (record && ids.insert(record->id).second) list.push_back(std::move(record));
    }
    return true;
}

}  // namespace zema
