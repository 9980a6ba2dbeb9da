#include "zema/core/scan_worker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win/com.h"
#include "win/com_object.h"
#include "zema/engine/update_engine.h"

namespace zema {
namespace {

// Reference counting for the fake engine objects below.
template <typename Interface>
using Fake = win::ComObject<Interface>;

class FakeTexts : public Fake<ITextList> {
public:
    explicit FakeTexts(std::vector<std::wstring> texts) : texts_(std::move(texts)) {}
    STDMETHODIMP get_Count(LONG* count) override {
        *count = static_cast<LONG>(texts_.size());
        return S_OK;
    }
    STDMETHODIMP get_Item(LONG index, BSTR* text) override {
        *text = SysAllocString(texts_.at(static_cast<size_t>(index)).c_str());
        return S_OK;
    }

private:
    std::vector<std::wstring> texts_;
};

class FakeItems;

class FakeItem : public Fake<IDetectedItem> {
public:
    FakeItem(LONG id, LONG updateId, std::vector<std::wstring> categories)
        : id_(id), updateId_(updateId), categories_(std::move(categories)) {}
    void Supersedes(win::ComPtr<FakeItem> older) { superseded_.push_back(std::move(older)); }

    STDMETHODIMP get_ID(LONG* v) override { return *v = id_, S_OK; }
    STDMETHODIMP get_UpdateID(LONG* v) override { return *v = updateId_, S_OK; }
    STDMETHODIMP get_SecurityBulletinID(LONG* v) override { return *v = 10 * id_, S_OK; }
    STDMETHODIMP get_SeverityRating(SHORT* v) override { return *v = 2, S_OK; }
    STDMETHODIMP get_SupersededItems(IDetectedItems** items) override;
    STDMETHODIMP get_ImpactedSoftwareID(LONG* v) override { return *v = 7, S_OK; }
    STDMETHODIMP get_ImpactedComponentID(LONG* v) override { return *v = 8, S_OK; }
    STDMETHODIMP get_CategoryIDs(ITextList** list) override {
        *list = new FakeTexts(categories_);
        return S_OK;
    }

private:
    LONG id_;
    LONG updateId_;
    std::vector<std::wstring> categories_;
    std::vector<win::ComPtr<FakeItem>> superseded_;
};

class FakeItems : public Fake<IDetectedItems> {
public:
    explicit FakeItems(std::vector<win::ComPtr<FakeItem>> items) : items_(std::move(items)) {}
    STDMETHODIMP get_Count(LONG* count) override {
        *count = static_cast<LONG>(items_.size());
        return S_OK;
    }
    STDMETHODIMP get_Item(LONG index, IDetectedItem** item) override {
        *item = items_.at(static_cast<size_t>(index)).Get();
        (*item)->AddRef();
        return S_OK;
    }

private:
    std::vector<win::ComPtr<FakeItem>> items_;
};

STDMETHODIMP FakeItem::get_SupersededItems(IDetectedItems** items) {
    *items = new FakeItems(superseded_);
    return S_OK;
}

win::ComPtr<FakeItem> Item(LONG id, LONG updateId, std::vector<std::wstring> categories = {}) {
    return win::TakeOwnership(new FakeItem(id, updateId, std::move(categories)));
}

win::ComPtr<FakeItems> Items(std::vector<win::ComPtr<FakeItem>> items) {
    return win::TakeOwnership(new FakeItems(std::move(items)));
}

TEST(AddDetectedItems, OneRecordPerUpdateWithAPointPerItem) {
    auto items = Items({Item(1, 100), Item(2, 200), Item(3, 100)});
    UpdateList records;
    ASSERT_TRUE(AddDetectedItems(items.Get(), {}, records));
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(100, records[0]->id);
    EXPECT_EQ(UpdateStatus::None, records[0]->status);
    EXPECT_TRUE(records[0]->officialSource);
    ASSERT_EQ(2u, records[0]->updatePoints.size());
    EXPECT_EQ(3, records[0]->updatePoints[1].id);
    const UpdatePoint& point = records[1]->updatePoints.at(0);
    EXPECT_EQ(200, point.updateId);
    EXPECT_EQ(20, point.securityBulletinId);
    EXPECT_EQ(7, point.impactedSoftwareId);
    EXPECT_EQ(8, point.impactedComponentId);
    EXPECT_EQ(2, point.severityRating);
}

TEST(AddDetectedItems, OnlyPositiveDecimalCategoriesCount) {
    auto items = Items({Item(1, 100, {L"12", L"0", L"abc", L"-4", L"", L"40"})});
    UpdateList records;
    ASSERT_TRUE(AddDetectedItems(items.Get(), {}, records));
    EXPECT_EQ((std::vector<int32_t>{12, 40}), records[0]->updatePoints[0].categoryIds);
}

TEST(AddDetectedItems, SupersededItemsNestToAnyDepth) {
    auto newest = Item(3, 300);
    auto middle = Item(2, 200);
    middle->Supersedes(Item(1, 100));
    newest->Supersedes(middle);
    UpdateList records;
    ASSERT_TRUE(AddDetectedItems(Items({newest}).Get(), {}, records));
    ASSERT_EQ(1u, records.size()) << "superseded items make no records of their own";
    const UpdatePoint& top = records[0]->updatePoints.at(0);
    ASSERT_EQ(1u, top.supersededPoints.size());
    ASSERT_EQ(1u, top.supersededPoints[0].supersededPoints.size());
    EXPECT_EQ(1, top.supersededPoints[0].supersededPoints[0].id);
}

TEST(AddDetectedItems, RecordsWaitingForRebootGetNoNewPoints) {
    UpdateList records;
    records.push_back(std::make_unique<UpdateRecord>());
    records[0]->id = 100;
    records[0]->status = UpdateStatus::InstalledNeedsReboot;
    ASSERT_TRUE(AddDetectedItems(Items({Item(1, 100), Item(2, 200)}).Get(), {200}, records));
    ASSERT_EQ(2u, records.size());
    EXPECT_TRUE(records[0]->updatePoints.empty());
    EXPECT_EQ(UpdateStatus::InstalledNeedsReboot, records[0]->status);
    EXPECT_FALSE(records[0]->excluded);
    EXPECT_TRUE(records[1]->excluded);
}

TEST(AddDetectedItems, MissingListIsAFailure) {
    UpdateList records;
    EXPECT_FALSE(AddDetectedItems(nullptr, {}, records));
    EXPECT_TRUE(records.empty());
}

}  // namespace
}  // namespace zema
