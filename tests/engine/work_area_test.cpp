// The work area budget and its cutting into row buffer, point, vertex and chain pieces.
#include "engine/work_area.h"

#include <gtest/gtest.h>

#include "engine/paged_arrays.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine {
namespace {

TEST(WorkArea, BudgetAndPiecesFollowTheSizeRules) {
  constexpr std::size_t kPlenty = std::size_t{1} << 30;
  std::size_t w = WorkAreaBudget(kPlenty, 100);
  ASSERT_EQ(w, 65280u);
  WorkAreaLayout l = CutWorkArea(100, w);
  EXPECT_EQ(l.rowBufferOffset, 0u);
  EXPECT_EQ(l.pointWindowOffset, 100u);
  EXPECT_EQ(l.pointWindowBytes, 8160u);
  EXPECT_EQ(l.pointWindowWords(), 4080u);
  EXPECT_EQ(l.vertexWindowOffset, 8260u);
  EXPECT_EQ(l.vertexWindowBytes, 28560u);
  EXPECT_EQ(l.vertexWindowWords(), 14280u);
  EXPECT_EQ(l.chainBufferOffset, 36820u);
  EXPECT_EQ(l.chainBufferBytes, 28560u);
  EXPECT_EQ(l.totalBytes, 100u + 65280u);

  // Little free memory: 5000 bytes stay for the rest, the remainder is rounded down to 256.
  EXPECT_EQ(WorkAreaBudget(5000 + 100 + 800, 100), 768u);
  EXPECT_EQ(WorkAreaBudget(4000, 100), 0u);  // less than the reserve: no wrap-around
  EXPECT_EQ(WorkAreaBudget(5000 + 100, 100), 0u);
  EXPECT_EQ(WorkAreaBudget(5000 + 300, 100), 0u);  // 200 bytes: not even one 256-byte step

  // A tiny cap for tests: W = 256 still gives every piece room, and the sizes add up.
  w = WorkAreaBudget(kPlenty, 64, 64 + 300);
  ASSERT_EQ(w, 256u);
  l = CutWorkArea(64, w);
  EXPECT_EQ(l.pointWindowWords(), 16u);
  EXPECT_EQ(l.vertexWindowWords(), 56u);
  EXPECT_EQ(l.chainBufferBytes, 112u);
  EXPECT_EQ(l.pointWindowBytes + l.vertexWindowBytes + l.chainBufferBytes, w);

  // An odd row length still leaves the word windows on even offsets.
  l = CutWorkArea(7, 256);
  EXPECT_EQ(l.pointWindowOffset % 2, 0u);
  EXPECT_EQ(l.vertexWindowOffset % 2, 0u);
  EXPECT_EQ(l.totalBytes, l.chainBufferOffset + l.chainBufferBytes);
}

TEST(WorkArea, AllocationIsChargedAndItsPiecesCarryTheArrays) {
  test::TestRuntime t;
  t.memory.setLimit(5000 + 32 + 600);
  std::size_t w = WorkAreaBudget(t.rt, 32);
  ASSERT_EQ(w, 512u);
  WorkArea area;
  ASSERT_TRUE(AllocateWorkArea(t.rt, 32, w, area));
  EXPECT_EQ(t.memory.used(), 32u + 512u);

  // Each array works in its own piece without touching its neighbours.
  ChainBuffer chain(t.rt, area.chainBuffer(), area.layout.chainBufferBytes);
  PointWindow points(t.rt, area.pointWindow(), area.layout.pointWindowWords());
  VertexWindow vertices(t.rt, area.vertexWindow(), area.layout.vertexWindowWords());
  ASSERT_TRUE(chain.startRecord(5, 6));
  for (std::size_t i = 4; i < area.layout.chainBufferBytes; ++i) ASSERT_TRUE(chain.append(0x55));
  for (std::size_t i = 0; i < points.sizeWords(); ++i) ASSERT_TRUE(points.push(-2));
  vertices.setCursor(0);
  for (std::size_t k = 0; k < vertices.sizeWords(); ++k) SetVertexWord(vertices, 0x3333, k);
  for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(area.rowBuffer()[i], 0);
  EXPECT_EQ(points.wordAt(0), -2);
  EXPECT_EQ(VertexWord(vertices, 0), 0x3333);
  EXPECT_EQ(chain.byteAt(4), 0x55);
  EXPECT_FALSE(chain.spilled() || points.spilled() || vertices.spilled());

  WorkArea second;
  t.memory.failAfter(0);
  EXPECT_FALSE(AllocateWorkArea(t.rt, 32, w, second));
  EXPECT_TRUE(second.block.empty());
}

}  // namespace
}  // namespace vl::engine
