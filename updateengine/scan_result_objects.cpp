#include "updateengine/scan_result_objects.h"

#include "updateengine/catalog_objects.h"

namespace updateengine {

STDMETHODIMP DetectedItemsObject::get_Count(LONG* count) {
    return ReturnValue(static_cast<LONG>(items_.size()), count);
}

STDMETHODIMP DetectedItemsObject::get_Item(LONG index, IDetectedItem** item) {
    if (!item) return E_POINTER;
    *item = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= items_.size()) return E_FAIL;
    return Guarded([&] { return HandOut(MakeObject<DetectedItemObject>(scan_, items_[index]), item); });
}

STDMETHODIMP DetectedItemObject::get_ID(LONG* id) { return ReturnValue<LONG>(p_.id, id); }
STDMETHODIMP DetectedItemObject::get_UpdateID(LONG* updateId) {
    return ReturnValue<LONG>(p_.updateId, updateId);
}
STDMETHODIMP DetectedItemObject::get_SecurityBulletinID(LONG* bulletinId) {
    return ReturnValue<LONG>(p_.bulletinId, bulletinId);
}
STDMETHODIMP DetectedItemObject::get_SeverityRating(SHORT* rating) {
    return ReturnValue<SHORT>(p_.severity, rating);
}
STDMETHODIMP DetectedItemObject::get_SupersededItems(IDetectedItems** items) {
    if (!items) return E_POINTER;
    *items = nullptr;
    return Guarded([&] { return HandOut(MakeObject<DetectedItemsObject>(scan_, p_.superseded), items); });
}
STDMETHODIMP DetectedItemObject::get_ImpactedSoftwareID(LONG* softwareId) {
    return ReturnValue<LONG>(p_.softwareId, softwareId);
}
STDMETHODIMP DetectedItemObject::get_ImpactedComponentID(LONG* componentId) {
    return ReturnValue<LONG>(p_.componentId, componentId);
}
STDMETHODIMP DetectedItemObject::get_CategoryIDs(ITextList** categories) {
    if (!categories) return E_POINTER;
    *categories = nullptr;
    return Guarded([&] {
        std::vector<std::wstring> texts;
        for (int32_t id : p_.categoryIds) texts.push_back(std::to_wstring(id));
        return HandOut(MakeObject<TextListObject>(std::move(texts)), categories);
    });
}

STDMETHODIMP ScanResultObject::get_DetectedItems(IDetectedItems** items) {
    if (!items) return E_POINTER;
    *items = nullptr;
    return Guarded([&] { return HandOut(MakeObject<DetectedItemsObject>(scan_, *scan_), items); });
}

}  // namespace updateengine
