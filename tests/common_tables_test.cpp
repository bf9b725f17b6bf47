#include <gtest/gtest.h>

#include "common/tables.h"

TEST(CommonTables, ColumnGrowsAndReadsZeroBeyondEnd) {
  torven::Column<int> c;
  EXPECT_EQ(c.get(1000), 0);
  c[5] = 7;
  EXPECT_EQ(c.get(5), 7);
  EXPECT_EQ(c.get(4), 0);

  // Grown ahead, the column keeps its values and does not move when an
  // index up to the grown one is written.
  c.grow_to(100);
  EXPECT_EQ(c.get(5), 7);
  const int* before = &c[5];
  c[100] = 1;
  EXPECT_EQ(&c[5], before);
}
