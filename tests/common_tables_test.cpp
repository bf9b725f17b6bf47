#include <gtest/gtest.h>

#include "common/tables.h"

TEST(CommonTables, ColumnGrowsAndReadsZeroBeyondEnd) {
  torven::Column<int> c;
  EXPECT_EQ(c.get(1000), 0);
  c[5] = 7;
  EXPECT_EQ(c.get(5), 7);
  EXPECT_EQ(c.get(4), 0);
}
