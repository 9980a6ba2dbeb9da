#pragma once
// A scan's result as COM objects: the result, collections of detected items
// and the items themselves, all sharing the scan's list of points.

#include <memory>
#include <vector>

#include "updateengine/com_object.h"
#include "updateengine/scanner.h"
#include "zema/engine/update_engine.h"

namespace updateengine {

using DetectionRef = std::shared_ptr<const std::vector<DetectedPoint>>;

class DetectedItemsObject : public ComObject<IDetectedItems> {
public:
    // `items` lies inside *scan.
    DetectedItemsObject(DetectionRef scan, const std::vector<DetectedPoint>& items)
        : scan_(std::move(scan)), items_(items) {}
    STDMETHODIMP get_Count(LONG* count) override;
    STDMETHODIMP get_Item(LONG index, IDetectedItem** item) override;

private:
    DetectionRef scan_;
    const std::vector<DetectedPoint>& items_;
};

class DetectedItemObject : public ComObject<IDetectedItem> {
public:
    DetectedItemObject(DetectionRef scan, const DetectedPoint& point)
        : scan_(std::move(scan)), p_(point) {}
    STDMETHODIMP get_ID(LONG* id) override;
    STDMETHODIMP get_UpdateID(LONG* updateId) override;
    STDMETHODIMP get_SecurityBulletinID(LONG* bulletinId) override;
    STDMETHODIMP get_SeverityRating(SHORT* rating) override;
    STDMETHODIMP get_SupersededItems(IDetectedItems** items) override;
    STDMETHODIMP get_ImpactedSoftwareID(LONG* softwareId) override;
    STDMETHODIMP get_ImpactedComponentID(LONG* componentId) override;
    STDMETHODIMP get_CategoryIDs(ITextList** categories) override;

private:
    DetectionRef scan_;
    const DetectedPoint& p_;
};

class ScanResultObject : public ComObject<IScanResult> {
public:
    explicit ScanResultObject(DetectionRef scan) : scan_(std::move(scan)) {}
    STDMETHODIMP get_DetectedItems(IDetectedItems** items) override;

private:
    DetectionRef scan_;
};

}  // namespace updateengine
