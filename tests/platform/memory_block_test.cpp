#include "platform/memory_block.h"

#include <gtest/gtest.h>

using vl::platform::Block;
using vl::platform::MemoryBudget;

TEST(MemoryBlock, BudgetRefusesAndResizeKeepsOldBlockOnFailure) {
  MemoryBudget budget;
  budget.setLimit(100);
  Block a;
  ASSERT_TRUE(a.allocate(budget, 60));
  for (std::size_t i = 0; i < 60; ++i) EXPECT_EQ(a.data()[i], 0);
  a.data()[59] = 7;
  Block b;
  EXPECT_FALSE(b.allocate(budget, 41));  // 60 + 41 > 100
  EXPECT_TRUE(b.empty());
  EXPECT_FALSE(a.resize(101));
  ASSERT_EQ(a.size(), 60u);
  EXPECT_EQ(a.data()[59], 7);
  ASSERT_TRUE(a.resize(100));
  EXPECT_EQ(a.data()[59], 7);
  EXPECT_EQ(a.data()[99], 0);  // growth is zero-filled
  EXPECT_EQ(budget.used(), 100u);
  a.release();
  EXPECT_EQ(budget.used(), 0u);
}

TEST(MemoryBlock, FailAfterCountsSuccessfulAllocationsAndMovesReturnBytes) {
  MemoryBudget budget;
  budget.failAfter(2);
  Block a, b, c;
  EXPECT_TRUE(a.allocate(budget, 10));
  EXPECT_TRUE(b.allocate(budget, 10));
  EXPECT_FALSE(c.allocate(budget, 10));
  budget.failAfter(-1);
  {
    Block moved = std::move(a);
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(budget.used(), 20u);
  }
  EXPECT_EQ(budget.used(), 10u);
}
