#include "updateengine/scanner.h"

#include <gtest/gtest.h>

#include "tests/updateengine/fake_machine.h"

namespace updateengine {
namespace {

using updateengine_test::FakeMachine;

constexpr wchar_t kMarkers[] = L"SOFTWARE\\Markers";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Product";

// Update `id` with points id*10+1 ... ; installed when its marker exists,
// applicable when the product key exists if `needsProduct` is set.
CatalogUpdate MakeUpdate(int32_t id, int points = 1, bool needsProduct = false) {
    CatalogUpdate u;
    u.id = id;
    Condition marker;
    marker.kind = Condition::Kind::RegistryValue;
    marker.key = kMarkers;
    marker.name = std::to_wstring(id);
    u.detection.installed.push_back(marker);
    if (needsProduct) {
        Condition product;
        product.kind = Condition::Kind::RegistryKey;
        product.key = kProductKey;
        u.detection.applies.push_back(product);
    }
    for (int i = 1; i <= points; ++i) {
        CatalogPoint p;
        p.id = id * 10 + i;
        p.updateId = id;
        p.bulletinId = 1000 + id;
        p.softwareId = 201;
        p.componentId = i == 1 ? 301 : 0;
        p.severity = static_cast<int16_t>(i);
        p.categoryIds = {10, 40 + i};
        u.points.push_back(p);
    }
    return u;
}

class ScannerTest : public ::testing::Test {
protected:
    void Add(CatalogUpdate u) { ASSERT_TRUE(catalog_.AddUpdate(std::move(u))); }
    void Install(int32_t id) { machine_.SetNumber(kMarkers, std::to_wstring(id), 1); }
    std::vector<DetectedPoint> Scan() { return Scanner(catalog_, machine_).Scan(); }

    Catalog catalog_;
    FakeMachine machine_;
};

std::vector<int32_t> Ids(const std::vector<DetectedPoint>& points) {
    std::vector<int32_t> ids;
    for (const DetectedPoint& p : points) ids.push_back(p.id);
    return ids;
}

TEST_F(ScannerTest, ReportsThePointsOfMissingUpdatesInCatalogOrder) {
    Add(MakeUpdate(3, 2));
    Add(MakeUpdate(1));
    Add(MakeUpdate(2, 1, /*needsProduct=*/true));
    Install(1);
    std::vector<DetectedPoint> found = Scan();
    EXPECT_EQ((std::vector<int32_t>{31, 32}), Ids(found));
    const DetectedPoint& p = found[0];
    EXPECT_EQ(3, p.updateId);
    EXPECT_EQ(1003, p.bulletinId);
    EXPECT_EQ(201, p.softwareId);
    EXPECT_EQ(301, p.componentId);
    EXPECT_EQ(0, found[1].componentId);
    EXPECT_EQ(1, p.severity);
    EXPECT_EQ((std::vector<int32_t>{10, 41}), p.categoryIds);

    machine_.keys.insert(kProductKey);
    EXPECT_EQ((std::vector<int32_t>{31, 32, 21}), Ids(Scan()));
    Scanner scanner(catalog_, machine_);
    EXPECT_EQ(UpdateState::Installed, scanner.StateOf(1));
    EXPECT_EQ(UpdateState::Missing, scanner.StateOf(2));
    EXPECT_EQ(UpdateState::NotApplicable, scanner.StateOf(99));
}

// 3 supersedes 2, which supersedes 1.
class SupersedenceTest : public ScannerTest {
protected:
    void SetUp() override {
        CatalogUpdate oldest = MakeUpdate(1);
        CatalogUpdate middle = MakeUpdate(2, 1, /*needsProduct=*/true);
        middle.points[0].supersededPointIds = {11};
        CatalogUpdate newest = MakeUpdate(3);
        newest.points[0].supersededPointIds = {21};
        Add(oldest);
        Add(middle);
        Add(newest);
        machine_.keys.insert(kProductKey);
    }
};

TEST_F(SupersedenceTest, OnlyTheNewestIsReportedWithTheWholeChainBelowIt) {
    std::vector<DetectedPoint> found = Scan();
    ASSERT_EQ((std::vector<int32_t>{31}), Ids(found));
    ASSERT_EQ((std::vector<int32_t>{21}), Ids(found[0].superseded));
    EXPECT_EQ(2, found[0].superseded[0].updateId);
    EXPECT_EQ((std::vector<int32_t>{11}), Ids(found[0].superseded[0].superseded));
}

TEST_F(SupersedenceTest, InstalledNewerUpdateCoversTheOlderOnes) {
    Install(3);
    EXPECT_TRUE(Scan().empty());
    Install(2);
    EXPECT_TRUE(Scan().empty());
}

TEST_F(SupersedenceTest, InstalledOlderUpdatesDropOutOfTheChain) {
    Install(2);
    std::vector<DetectedPoint> found = Scan();
    ASSERT_EQ((std::vector<int32_t>{31}), Ids(found));
    // 1 is still missing, but 2 is installed and repairs it already.
    EXPECT_TRUE(found[0].superseded.empty());
}

TEST_F(SupersedenceTest, AnUpdateThatDoesNotApplyCoversNothing) {
    machine_.keys.clear();  // 2 does not apply
    Install(3);
    // 1 was covered only by 2.
    EXPECT_EQ((std::vector<int32_t>{11}), Ids(Scan()));
}

TEST_F(ScannerTest, UpdateWithAPointNoOtherReplacesIsStillReported) {
    Add(MakeUpdate(1, 2));
    CatalogUpdate newer = MakeUpdate(2);
    newer.points[0].supersededPointIds = {11};
    Add(newer);
    std::vector<DetectedPoint> found = Scan();
    EXPECT_EQ((std::vector<int32_t>{11, 12, 21}), Ids(found));
    EXPECT_EQ((std::vector<int32_t>{11}), Ids(found[2].superseded));
}

}  // namespace
}  // namespace updateengine
