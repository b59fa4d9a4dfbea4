// The engine's base: the work area's budget, and the three paged arrays against plain vectors
// with windows of a few units (so that every array spills through several windows), also
// where no scratch file can be made.
#include <algorithm>
#include <random>
#include <span>

#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {
namespace {

TEST(WorkArea, BudgetLeavesAReserveAndTheAllocationCanFail) {
  // 5000 bytes stay for the rest, the remainder is rounded down to 256; less than one step
  // (or than the reserve: no wrap-around) gives nothing.
  EXPECT_EQ(WorkAreaBudget(5000 + 100 + 800, 100), 768u);
  EXPECT_EQ(WorkAreaBudget(5000 + 300, 100), 0u);
  EXPECT_EQ(WorkAreaBudget(4000, 100), 0u);
  TestRuntime t;
  t.memory.setLimit(5000 + 32 + 600);
  WorkArea area, second;
  ASSERT_TRUE(AllocateWorkArea(t.rt, 32, WorkAreaBudget(t.rt, 32), area));
  EXPECT_EQ(t.memory.used(), 32u + 512u);  // charged to the budget
  t.memory.failAfter(0);
  EXPECT_FALSE(AllocateWorkArea(t.rt, 32, 512, second));
  EXPECT_TRUE(second.block.empty());
}

std::int16_t Word(int i) { return std::int16_t(i * 37 - 900); }

// Every index of `model` read through `at` backward, forward and at random.
template <class At, class T>
void ExpectReadsBack(At at, const std::vector<T>& model) {
  std::mt19937 rng(5);
  const auto n = std::int64_t(model.size());
  for (std::int64_t i = 0; i < 3 * n + 200; ++i) {
    const std::int64_t k = i < n ? n - 1 - i : i < 2 * n ? i - n : std::int64_t(rng() % n);
    ASSERT_EQ(at(k), model[k]) << k;
  }
}

TEST(ChainBuffer, RecordsSpillOnlyPastOneBufferFullAndReadBackInAnyOrder) {
  TestRuntime t;
  std::uint8_t window[8];
  ChainBuffer chain(t.rt, window, sizeof window);
  // Exactly one buffer-full (no file), then long, then shorter: stale bytes stay in the file.
  for (int codes : {3, 45, 11}) {
    SCOPED_TRACE(codes);
    ASSERT_TRUE(chain.startRecord(-3, 1234));
    std::vector<std::uint8_t> model = {0xFD, 0xFF, 0xD2, 0x04};  // -3, 1234 little-endian
    for (int n = 0; n < codes; ++n) model.push_back(std::uint8_t(n * 5 % 8));
    model.push_back(kChainEnd);
    for (std::size_t i = 4; i < model.size(); ++i) ASSERT_TRUE(chain.append(model[i]));
    ASSERT_TRUE(chain.finishRecord());
    EXPECT_EQ(chain.spilled(), codes > 3);
    EXPECT_EQ(t.scratchExists("edgearr"), codes > 3);
    EXPECT_EQ(chain.lengthBytes(), std::int64_t(model.size()));
    EXPECT_EQ(chain.heldOffset(), 0);  // the first buffer-full is back after finishing
    ExpectReadsBack([&](std::int64_t i) { return chain.byteAt(i); }, model);
    EXPECT_EQ(chain.byteAt(std::int64_t(model.size())), kChainEnd);
    EXPECT_EQ(chain.byteAt(-1), kChainEnd);
    // A range is given whole only from the buffer-full held, and then as byteAt reads it.
    const auto n = std::int64_t(model.size());
    for (std::int64_t from = 0; from <= n; ++from)
      for (std::int64_t to = from; to <= n + 1; ++to) {
        const std::int64_t held = chain.heldOffset();
        const std::span<const std::uint8_t> bytes = chain.heldBytes(from, to);
        const bool inside = from >= held && to <= std::min(n, held + std::int64_t(sizeof window));
        ASSERT_EQ(bytes.size(), inside ? std::size_t(to - from) : 0u) << from << ".." << to;
        for (std::int64_t i = 0; i < std::int64_t(bytes.size()); ++i) ASSERT_EQ(bytes[i], model[from + i]);
      }
  }
  EXPECT_TRUE(t.messages().empty());
}

TEST(PointWindow, SpillsWholeWindowsReadsBackAndStartsNewSides) {
  TestRuntime t;
  std::int16_t window[8];
  PointWindow points(t.rt, window, 8);
  std::vector<std::int16_t> model;
  auto push = [&](int from, int count) {
    for (int i = from; i < from + count; ++i) {
      ASSERT_TRUE(points.push(Word(i)));
      model.push_back(Word(i));
    }
  };
  auto wordAt = [&](std::int64_t i) { return points.wordAt(i); };
  push(0, 8);  // exactly full: still no file
  EXPECT_FALSE(points.spilled() || t.scratchExists("seglist"));
  push(8, 35);
  // Five full windows were written, each at byte 2 x base; the last one is still in memory.
  EXPECT_EQ(points.base(), 40);
  EXPECT_EQ(platform::FileSize(t.state.scratch.seglist), 2 * 40);
  ExpectReadsBack(wordAt, model);
  points.truncate(13);  // back into an earlier window, and on from there
  model.resize(13);
  push(100, 20);
  ExpectReadsBack(wordAt, model);
  // A new side: the window in use goes back to the file, the one at base 0 comes in.
  ASSERT_TRUE(points.resetForNewSide());
  EXPECT_EQ(points.base(), 0);
  EXPECT_EQ(window[3], model[3]);
  model.clear();
  push(500, 10);
  ExpectReadsBack(wordAt, model);
  EXPECT_TRUE(t.messages().empty());
}

TEST(VertexWindow, WordsAroundTheCursorPageTheirWindowInFromAnyDistance) {
  TestRuntime t;
  std::int16_t window[6];
  VertexWindow vertices(t.rt, window, 6);  // records straddle the windows' edges
  std::vector<std::int16_t> model(4 * 20);
  for (int i = 0; i < 80; ++i) {
    vertices.setCursor(8 * (i / 4));
    SetVertexWord(vertices, model[i] = Word(i), i % 4);
    if (i == 5) {  // within the first window: no file yet
      EXPECT_FALSE(vertices.spilled() || t.scratchExists("linarr"));
    }
  }
  std::mt19937 rng(3);
  for (int n = 0; n < 400; ++n) {
    const int r = n < 20 ? 19 - n : int(rng() % 20);
    const int k = int(rng() % model.size()) - 4 * r;  // any word, even far behind
    vertices.setCursor(8 * r);
    if (n % 3 == 0) SetVertexWord(vertices, model[4 * r + k] = std::int16_t(n), k);
    ASSERT_EQ(VertexWord(vertices, k), model[4 * r + k]) << r << " " << k;
  }
  // Starting the list again from a later window leaves the words of both windows intact.
  vertices.setCursor(40);
  EXPECT_EQ(VertexWord(vertices, 0), model[20]);
  vertices.restart();
  SetVertexWord(vertices, 77, 0);
  vertices.setCursor(40);
  EXPECT_EQ(VertexWord(vertices, 0), model[20]);
  vertices.setCursor(0);
  EXPECT_EQ(VertexWord(vertices, 0), 77);
  EXPECT_EQ(VertexWord(vertices, -1), 77);  // nothing lies before the array: word 0 stands in
  EXPECT_TRUE(t.messages().empty());
}

TEST(PagedArrays, AnUnwritableScratchFolderFailsTheFirstSpillWith155Once) {
  std::uint8_t bytes[8];
  std::int16_t words[8];
  const std::function<bool(base::Runtime&)> spills[] = {
      [&](base::Runtime& rt) {
        ChainBuffer chain(rt, bytes, 8);
        bool ok = chain.startRecord(1, 1);
        for (int i = 0; i < 8; ++i) ok = chain.append(2) && ok;
        return chain.append(kChainEnd) && chain.finishRecord() && ok;
      },
      [&](base::Runtime& rt) {
        PointWindow points(rt, words, 8);
        for (int i = 0; i < 8; ++i) points.push(3);
        return bool(points.push(3) | points.push(3));  // the second push fails quietly
      },
      [&](base::Runtime& rt) {
        VertexWindow vertices(rt, words, 8);
        vertices.setCursor(64);
        return SetVertexWord(vertices, 4, 0), rt.state.abortRequested == 0;
      },
  };
  for (auto& spill : spills) {
    TestRuntime t;
    t.scratchFolder = BlockedFolder(t.root);
    EXPECT_FALSE(spill(t.rt));
    EXPECT_EQ(t.messages(), Shown({155}));  // not at every access
    EXPECT_EQ(t.state.abortRequested, 1);
  }
}

}  // namespace
}  // namespace vl::engine::test
