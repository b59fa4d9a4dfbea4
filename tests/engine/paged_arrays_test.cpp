// The three paged arrays against plain vectors, with windows of a few units so that every
// array spills through several windows.
#include "engine/paged_arrays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/conversion_state.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine {
namespace {

using test::TestRuntime;

std::int16_t Word(int i) { return static_cast<std::int16_t>(i * 37 - 900); }

TEST(ChainBuffer, SpilledRecordsReadBackForwardBackwardAndAtRandom) {
  TestRuntime t;
  std::uint8_t window[8];
  ChainBuffer chain(t.rt, window, sizeof window);
  std::mt19937 rng(11);

  // Three records through the same file: long, shorter (stale bytes remain past its end in the
  // file), and exactly one buffer-full, which must not spill.
  for (int codes : {45, 11, 3}) {
    ASSERT_TRUE(chain.startRecord(-3, 1234));
    std::vector<std::uint8_t> model = {0xFD, 0xFF, 0xD2, 0x04};  // -3, 1234 little-endian
    for (int n = 0; n < codes; ++n) {
      auto code = static_cast<std::uint8_t>(rng() % 8);
      ASSERT_TRUE(chain.append(code));
      model.push_back(code);
    }
    ASSERT_TRUE(chain.append(kChainEnd));
    model.push_back(kChainEnd);
    ASSERT_TRUE(chain.finishRecord());
    SCOPED_TRACE(codes);

    const auto n = static_cast<std::int64_t>(model.size());
    EXPECT_EQ(chain.spilled(), n > 8);
    EXPECT_EQ(chain.lengthBytes(), n);
    EXPECT_EQ(chain.heldOffset(), 0);  // the first buffer-full is back after finishing
    EXPECT_EQ(chain.startX(), -3);
    EXPECT_EQ(chain.startY(), 1234);
    for (std::int64_t i = 0; i < n; ++i) ASSERT_EQ(chain.byteAt(i), model[i]) << i;
    for (std::int64_t i = n - 1; i >= 0; --i) ASSERT_EQ(chain.byteAt(i), model[i]) << i;
    for (int r = 0; r < 200; ++r) {
      std::int64_t i = rng() % n;
      ASSERT_EQ(chain.byteAt(i), model[i]) << i;
    }
    EXPECT_EQ(chain.byteAt(n), kChainEnd);
    EXPECT_EQ(chain.byteAt(-1), kChainEnd);

    platform::Block all;
    ASSERT_TRUE(chain.readAll(all));
    ASSERT_EQ(all.size(), model.size());
    EXPECT_TRUE(std::equal(model.begin(), model.end(), all.data()));
  }
  EXPECT_TRUE(t.ui.messages().empty());
}

TEST(ChainBuffer, ReplaceRecordAndBlockFailure) {
  TestRuntime t;
  std::uint8_t window[8];
  ChainBuffer chain(t.rt, window, sizeof window);
  std::vector<std::uint8_t> longer = {1, 0, 2, 0, 5, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7, 0xFF};
  ASSERT_TRUE(chain.replaceRecord(longer));
  EXPECT_TRUE(chain.spilled());
  EXPECT_EQ(chain.startX(), 1);
  EXPECT_EQ(chain.startY(), 2);
  for (std::size_t i = longer.size(); i-- > 0;) ASSERT_EQ(chain.byteAt(i), longer[i]) << i;

  std::vector<std::uint8_t> shorter = {9, 0, 8, 0, 3, 0xFF};
  ASSERT_TRUE(chain.replaceRecord(shorter));
  EXPECT_FALSE(chain.spilled());
  for (std::size_t i = 0; i < shorter.size(); ++i) EXPECT_EQ(chain.byteAt(i), shorter[i]);
  EXPECT_EQ(chain.byteAt(6), kChainEnd);

  t.memory.failAfter(0);
  platform::Block all;
  EXPECT_FALSE(chain.readAll(all));
  EXPECT_TRUE(all.empty());
  EXPECT_EQ(chain.byteAt(4), 3);
}

TEST(PointWindow, SpillsWholeWindowsAndReadsBackInAnyOrder) {
  TestRuntime t;
  std::int16_t window[8];
  PointWindow points(t.rt, window, 8);
  std::vector<std::int16_t> model;
  for (int i = 0; i < 43; ++i) {
    ASSERT_TRUE(points.push(Word(i)));
    model.push_back(Word(i));
  }
  EXPECT_TRUE(points.spilled());
  EXPECT_EQ(points.base(), 40);
  // Five full windows were written, each at byte 2 x base; the last one is still in memory.
  EXPECT_EQ(platform::FileSize(t.state.scratch.seglist), 2 * 40);

  std::mt19937 rng(5);
  auto checkAll = [&] {
    const auto n = static_cast<std::int64_t>(model.size());
    for (std::int64_t i = n - 1; i >= 0; --i) ASSERT_EQ(points.wordAt(i), model[i]) << i;
    for (std::int64_t i = 0; i < n; ++i) ASSERT_EQ(points.wordAt(i), model[i]) << i;
    for (int r = 0; r < 200; ++r) {
      std::int64_t i = rng() % n;
      ASSERT_EQ(points.wordAt(i), model[i]) << i;
    }
  };
  checkAll();

  // Dropping points back into an earlier window and writing on from there.
  points.truncate(13);
  model.resize(13);
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(points.push(Word(100 + i)));
    model.push_back(Word(100 + i));
  }
  ASSERT_TRUE(points.setWordAt(30, -1));
  model[30] = -1;
  checkAll();

  // A new side: the window at base 32 goes back to the file, the one at base 0 comes in.
  EXPECT_EQ(points.wordAt(32), model[32]);
  ASSERT_EQ(points.base(), 32);
  ASSERT_TRUE(points.resetForNewSide());
  EXPECT_EQ(points.base(), 0);
  EXPECT_EQ(points.lengthWords(), 0);
  EXPECT_EQ(window[3], model[3]);
  model.clear();
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(points.push(Word(500 + i)));
    model.push_back(Word(500 + i));
  }
  checkAll();
  EXPECT_TRUE(t.ui.messages().empty());
}

TEST(PointWindow, AbortDuringSpillStopsTheWriter) {
  TestRuntime t;
  t.ui.useManualClock(0);
  std::int16_t window[4];
  PointWindow points(t.rt, window, 4);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(points.push(Word(i)));
  t.ui.requestAbort();
  EXPECT_FALSE(points.push(99));  // the abort poll runs before the window is written
  EXPECT_EQ(t.state.abortRequested, 1);
  EXPECT_EQ(points.lengthWords(), 4);
  EXPECT_EQ(platform::FileSize(t.state.scratch.seglist), 0);
  EXPECT_FALSE(points.push(99));
  EXPECT_TRUE(t.ui.messages().empty());  // an abort shows nothing
}

TEST(VertexWindow, RandomAccessAcrossWindowsMatchesModel) {
  TestRuntime t;
  std::int16_t window[6];  // 6 words: records straddle the window edges
  VertexWindow vertices(t.rt, window, 6);
  constexpr int kRecords = 20;
  std::vector<std::int16_t> model(4 * kRecords);
  for (int r = 0; r < kRecords; ++r) {
    vertices.setCursor(8 * r);
    for (int w = 0; w < 4; ++w) {
      SetVertexWord(vertices, Word(4 * r + w), w);
      model[4 * r + w] = Word(4 * r + w);
    }
  }
  EXPECT_TRUE(vertices.spilled());
  // The window in use was never written back: the file ends at its base.
  EXPECT_EQ(platform::FileSize(t.state.scratch.linarr), vertices.base());

  std::mt19937 rng(3);
  for (int r = kRecords - 1; r >= 0; --r) {
    vertices.setCursor(8 * r);
    for (int w = 3; w >= 0; --w) ASSERT_EQ(VertexWord(vertices, w), model[4 * r + w]);
  }
  for (int n = 0; n < 400; ++n) {
    int r = static_cast<int>(rng() % kRecords);
    int k = static_cast<int>(rng() % model.size()) - 4 * r;  // any word, even far behind
    vertices.setCursor(8 * r);
    if (n % 3 == 0) {
      SetVertexWord(vertices, static_cast<std::int16_t>(n), k);
      model[4 * r + k] = static_cast<std::int16_t>(n);
    }
    ASSERT_EQ(VertexWord(vertices, k), model[4 * r + k]) << r << " " << k;
  }
  EXPECT_TRUE(t.ui.messages().empty());
}

TEST(VertexWindow, NegativeWordAtFirstRecordOfWindowPagesPreviousWindowIn) {
  TestRuntime t;
  std::int16_t window[8];  // two records per window
  VertexWindow vertices(t.rt, window, 8);
  for (int r = 0; r < 6; ++r) {
    vertices.setCursor(8 * r);
    for (int w = 0; w < 4; ++w) SetVertexWord(vertices, Word(4 * r + w), w);
  }
  vertices.setCursor(16);  // record 2: the first of the window at byte 16
  EXPECT_EQ(VertexWord(vertices, 0), Word(8));
  ASSERT_EQ(vertices.base(), 16);
  EXPECT_EQ(VertexWord(vertices, -2), Word(6));  // word 2 of record 1
  EXPECT_EQ(vertices.base(), 0);
  EXPECT_EQ(VertexWord(vertices, 1), Word(9));
  EXPECT_EQ(vertices.base(), 16);

  // Nothing lies before the array: the window stays and its word 0 stands in.
  vertices.setCursor(0);
  EXPECT_EQ(VertexWord(vertices, 0), Word(0));
  EXPECT_EQ(VertexWord(vertices, -1), Word(0));
  EXPECT_EQ(VertexWord(vertices, -1), window[0]);
  EXPECT_EQ(vertices.base(), 0);

  // Starting the list again from a later window leaves the words of both windows intact.
  vertices.setCursor(40);
  EXPECT_EQ(VertexWord(vertices, 0), Word(20));
  vertices.restart();
  SetVertexWord(vertices, 77, 0);
  EXPECT_EQ(vertices.base(), 0);
  EXPECT_EQ(VertexWord(vertices, 1), Word(1));
  vertices.setCursor(40);
  EXPECT_EQ(VertexWord(vertices, 0), Word(20));
  vertices.setCursor(0);
  EXPECT_EQ(VertexWord(vertices, 0), 77);
}

TEST(PagedArrays, NoFileIsCreatedWhenNothingSpills) {
  TestRuntime t;
  std::uint8_t bytes[8];
  std::int16_t pointWords[8], vertexWords[8];
  ChainBuffer chain(t.rt, bytes, 8);
  PointWindow points(t.rt, pointWords, 8);
  VertexWindow vertices(t.rt, vertexWords, 8);

  ASSERT_TRUE(chain.startRecord(1, 2));
  for (int c : {3, 4, 5, int{kChainEnd}}) ASSERT_TRUE(chain.append(static_cast<std::uint8_t>(c)));  // exactly full
  ASSERT_TRUE(chain.finishRecord());
  EXPECT_EQ(chain.byteAt(6), 5);
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(points.push(Word(i)));  // exactly full
  EXPECT_EQ(points.wordAt(7), Word(7));
  EXPECT_TRUE(points.resetForNewSide());
  vertices.setCursor(8);
  SetVertexWord(vertices, 5, 3);
  SetVertexWord(vertices, 6, -4);
  EXPECT_EQ(VertexWord(vertices, 3), 5);
  EXPECT_EQ(VertexWord(vertices, -4), 6);

  EXPECT_FALSE(chain.spilled() || points.spilled() || vertices.spilled());
  const ScratchHandles& s = t.state.scratch;
  EXPECT_EQ(s.edgearr, platform::kNoFile);
  EXPECT_EQ(s.seglist, platform::kNoFile);
  EXPECT_EQ(s.linarr, platform::kNoFile);
  EXPECT_FALSE(t.scratchExists("edgearr") || t.scratchExists("seglist") ||
               t.scratchExists("linarr"));
}

}  // namespace
}  // namespace vl::engine
