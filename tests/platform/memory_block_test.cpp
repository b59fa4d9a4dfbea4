// Budgeted blocks: the limit, zero-filled growth, the failAfter hook, moves that hand bytes on.
#include "platform/memory_block.h"

#include <gtest/gtest.h>

namespace vl::platform {
namespace {

TEST(MemoryBlock, BudgetAndFailAfterRefuseAndAFailedResizeKeepsTheOldBlock) {
  MemoryBudget budget;
  budget.setLimit(100);
  Block a, b, c;
  ASSERT_TRUE(a.allocate(budget, 60));
  for (std::size_t i = 0; i < 60; ++i) EXPECT_EQ(a.data()[i], 0);
  a.data()[59] = 7;
  EXPECT_FALSE(b.allocate(budget, 41));  // 60 + 41 > 100
  EXPECT_FALSE(a.resize(101));
  EXPECT_TRUE(b.empty() && a.size() == 60u && a.data()[59] == 7);
  ASSERT_TRUE(a.resize(100));
  EXPECT_TRUE(a.data()[59] == 7 && a.data()[99] == 0);  // growth is zero-filled
  a.release();
  EXPECT_EQ(budget.used(), 0u);

  budget.failAfter(2);  // counts successful allocations
  EXPECT_TRUE(a.allocate(budget, 10) && b.allocate(budget, 10));
  EXPECT_FALSE(c.allocate(budget, 10));
  budget.failAfter(-1);
  {
    Block moved = std::move(a);
    EXPECT_TRUE(a.empty() && budget.used() == 20u);
  }
  EXPECT_EQ(budget.used(), 10u);
}

}  // namespace
}  // namespace vl::platform
