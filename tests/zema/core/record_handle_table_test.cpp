#include "zema/core/record_handle_table.h"

#include <gtest/gtest.h>

#include <limits>

namespace zema {
namespace {

TEST(RecordHandleTable, HandlesArePositiveDistinctAndFindTheirRecord) {
    UpdateRecord a, b;
    RecordHandleTable table;
    int32_t ha = table.Add(&a);
    int32_t hb = table.Add(&b);
    EXPECT_GT(ha, 0);
    EXPECT_GT(hb, 0);
    EXPECT_NE(ha, hb);
    EXPECT_EQ(&a, table.Find(ha));
    EXPECT_EQ(&b, table.Find(hb));
    EXPECT_EQ(hb, table.HandleOf(&b));
    EXPECT_EQ(nullptr, table.Find(0));
    EXPECT_EQ(nullptr, table.Find(-1));
    EXPECT_EQ(nullptr, table.Find(hb + 1000));
}

TEST(RecordHandleTable, RemovedHandlesNoLongerFindARecordAndAreNotReusedAtOnce) {
    UpdateRecord a, b;
    RecordHandleTable table;
    int32_t ha = table.Add(&a);
    table.Remove(ha);
    EXPECT_EQ(nullptr, table.Find(ha));
    EXPECT_EQ(0, table.HandleOf(&a));
    int32_t hb = table.Add(&b);
    EXPECT_NE(ha, hb);
    EXPECT_EQ(nullptr, table.Find(ha));
    table.Clear();
    EXPECT_EQ(nullptr, table.Find(hb));
    EXPECT_EQ(0u, table.Size());
}

TEST(RecordHandleTable, WrapsPastTheLargestHandleToOne) {
    UpdateRecord a, b, c;
    const int32_t max = std::numeric_limits<int32_t>::max();
    RecordHandleTable table(max - 1);
    EXPECT_EQ(max - 1, table.Add(&a));
    EXPECT_EQ(max, table.Add(&b));
    EXPECT_EQ(1, table.Add(&c));
    EXPECT_EQ(&b, table.Find(max));
    EXPECT_EQ(&c, table.Find(1));
}

}  // namespace
}  // namespace zema
