#include "zema/core/scan_worker.h"

#include <map>

#include "win/com.h"
#include "win/text.h"
#include "zema/core/update_list_file.h"
#include "zema/engine/update_engine.h"

namespace zema {
namespace {

constexpr DWORD kEngineContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;
// Deeper supersedence chains than this are cut rather than followed.
constexpr int kMaxSupersededDepth = 64;

// Category texts hold decimal numbers; only positive ones name a category.
std::vector<int32_t> ReadCategories(IDetectedItem* item) {
    std::vector<int32_t> categories;
    win::ComPtr<ITextList> texts;
    LONG count = 0;
    if (FAILED(item->get_CategoryIDs(texts.GetAddressOf())) || !texts ||
        FAILED(texts->get_Count(&count)))
        return categories;
    for (LONG i = 0; i < count; ++i) {
        win::Bstr text;
        if (FAILED(texts->get_Item(i, text.Put()))) continue;
        std::string digits = win::FromBstr(text.Get());
        char* end = nullptr;
        long value = strtol(digits.c_str(), &end, 10);
        if (end != digits.c_str() && value > 0 && value <= INT32_MAX)
            categories.push_back(static_cast<int32_t>(value));
    }
    return categories;
}

void ReadPoint(IDetectedItem* item, UpdatePoint& point, int depth) {
    LONG value = 0;
    if (SUCCEEDED(item->get_ID(&value))) point.id = value;
    if (SUCCEEDED(item->get_UpdateID(&value))) point.updateId = value;
    if (SUCCEEDED(item->get_SecurityBulletinID(&value))) point.securityBulletinId = value;
    if (SUCCEEDED(item->get_ImpactedSoftwareID(&value))) point.impactedSoftwareId = value;
    if (SUCCEEDED(item->get_ImpactedComponentID(&value))) point.impactedComponentId = value;
    SHORT rating = 0;
    if (SUCCEEDED(item->get_SeverityRating(&rating))) point.severityRating = rating;
    point.categoryIds = ReadCategories(item);
    if (depth >= kMaxSupersededDepth) return;
    win::ComPtr<IDetectedItems> superseded;
    LONG count = 0;
    if (FAILED(item->get_SupersededItems(superseded.GetAddressOf())) || !superseded ||
        FAILED(superseded->get_Count(&count)))
        return;
    for (LONG i = 0; i < count; ++i) {
        win::ComPtr<IDetectedItem> older;
        if (FAILED(superseded->get_Item(i, older.GetAddressOf())) || !older) continue;
        UpdatePoint olderPoint;
        ReadPoint(older.Get(), olderPoint, depth + 1);
        point.supersededPoints.push_back(std::move(olderPoint));
    }
}

}  // namespace

bool AddDetectedItems(IDetectedItems* items, const std::set<int32_t>& excluded,
                      UpdateList& records) {
    LONG count = 0;
    if (!items || FAILED(items->get_Count(&count))) return false;
    std::map<int32_t, UpdateRecord*> byId;
    for (const auto& record : records) byId[record->id] = record.get();
    for (LONG i = 0; i < count; ++i) {
        win::ComPtr<IDetectedItem> item;
        LONG updateId = 0;
        if (FAILED(items->get_Item(i, item.GetAddressOf())) || !item ||
            FAILED(item->get_UpdateID(&updateId)))
            continue;
        UpdateRecord*& record = byId[updateId];
        if (!record) {
            auto created = std::make_unique<UpdateRecord>();
            created->id = updateId;
            record = created.get();
            records.push_back(std::move(created));
        }
        // A record waiting for its reboot is complete as it was saved.
        if (record->status != UpdateStatus::InstalledNeedsReboot) {
            UpdatePoint point;
            ReadPoint(item.Get(), point, 0);
            record->updatePoints.push_back(std::move(point));
        }
        if (excluded.count(updateId)) record->excluded = true;
    }
    return true;
}

int RunScan(const ScanRequest& request, UpdateList& records) {
    win::ComPtr<IUpdateEngine> engine;
    if (FAILED(::CoCreateInstance(CLSID_UpdateEngine, nullptr, kEngineContext,
                                  IID_PPV_ARGS(engine.GetAddressOf()))))
        return kScanNoEngine;
    win::Bstr folder = win::ToBstr(request.installFolder);
    if (FAILED(engine->Open(folder.Get()))) return kScanNoEngine;

    int result = kScanFailed;
    win::ComPtr<IScanResult> scan;
    win::ComPtr<IDetectedItems> items;
    if (SUCCEEDED(engine->Scan(scan.GetAddressOf())) && scan &&
        SUCCEEDED(scan->get_DetectedItems(items.GetAddressOf())) && items) {
        LoadUpdateList(request.rebootXmlPath, records);
        if (AddDetectedItems(items.Get(), request.excluded, records)) result = kScanSucceeded;
    }
    items.Reset();
    scan.Reset();
    engine->Close();
    return result;
}

}  // namespace zema
