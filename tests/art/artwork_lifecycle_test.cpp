// The artwork's lifetime: start of a conversion, memory charged and returned, deleting paths,
// the view stash, and the short-path check at the start of each path.
#include <gtest/gtest.h>

#include "app/message_table.h"
#include "tests/art/art_test_env.h"

namespace vl::art::test {
namespace {

constexpr std::size_t kRecordBytes = sizeof(PathRecord);
constexpr std::size_t kStepBytes = kPointGrowthWords * 2;  // one point array step

TEST(ArtworkLifecycle, MemoryIsChargedInStepsAndReturned) {
  ArtTestEnv starved;
  starved.memory.failAfter(0);
  EXPECT_FALSE(initArtwork(starved.art, starved.rt));
  EXPECT_EQ(starved.ui.messages(), std::vector<std::string>{std::string(msg::Text(11))});

  ArtTestEnv env;
  env.state.pathsSkippedForMemory = env.state.maxPathsExceeded = true;
  env.art.minPathLength = 24;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  EXPECT_FALSE(env.state.pathsSkippedForMemory || env.state.maxPathsExceeded);
  EXPECT_EQ(env.art.minPathLength, 0);
  EXPECT_EQ(env.memory.used(), 20 * kRecordBytes);
  for (int i = 0; i < 21; ++i) ASSERT_TRUE(env.linePath({{0, 0}, {1, 1}}));
  EXPECT_EQ(env.art.capacity, 40);
  EXPECT_EQ(env.memory.used(), 40 * kRecordBytes + 21 * kStepBytes);

  // A point array grows by 100 words when fewer than seven words are left.
  ASSERT_TRUE(env.stepPath(47));
  EXPECT_EQ(env.art.paths[21].capacityWords, 100);
  ASSERT_TRUE(env.lineTo({47, 0}));
  EXPECT_EQ(env.art.paths[21].capacityWords, 200);
  EXPECT_EQ(memoryUsedKB(env.art), long(40 * kRecordBytes + 23 * kStepBytes + 512) / 1024);

  freeArtwork(env.art);
  EXPECT_EQ(env.memory.used(), 0u);
  EXPECT_EQ(env.art.count + env.art.capacity, 0);
}

TEST(ArtworkLifecycle, DeletePathKeepsTheOrderAndEveryIndex) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  for (std::uint32_t i = 0; i < 5; ++i) {
    env.art.pen.color = i;
    ASSERT_TRUE(env.linePath({{0, 0}, {double(i), 1}}));
  }
  env.art.paths[1].flags |= kSelected;
  env.art.paths[3].flags |= kSelected;
  env.art.selectedCount = 2;
  env.art.firstNewPath = 3;

  deletePath(env.art, 1);
  ASSERT_EQ(env.art.count, 4);
  EXPECT_EQ(env.art.paths[1].fillColor, 2u);
  EXPECT_EQ(env.words(3), (Words{0, 0, 4, 1}));  // the point arrays moved with their records
  EXPECT_EQ(env.art.selectedCount, 1);
  EXPECT_EQ(env.art.firstNewPath, 2);
  EXPECT_EQ(env.art.currentPath, 3);
  EXPECT_EQ(selectedArtBounds(env.art)->right, 3 + kBoundsMargin);
  deletePath(env.art, 3);
  EXPECT_EQ(env.art.currentPath, kNoPath);
  EXPECT_FALSE(addPoint(env.art, env.rt, false));

  while (env.art.count > 0) deletePath(env.art, 0);
  EXPECT_EQ(env.art.capacity, 0);
  EXPECT_EQ(env.memory.used(), 0u);
  EXPECT_FALSE(selectedArtBounds(env.art).has_value());
}

TEST(ArtworkLifecycle, StashHidesThePathsAndANewConversionAppends) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(env.linePath({{0, 0}, {5, double(i)}}));

  stashArtwork(env.art);
  stashArtwork(env.art);  // already stashed: the saved count stays
  EXPECT_EQ(env.art.count, 0);
  EXPECT_EQ(totalAnchors(env.art), 0);
  restoreArtwork(env.art);
  EXPECT_EQ(totalAnchors(env.art), 6);

  stashArtwork(env.art);
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  EXPECT_EQ(env.art.firstNewPath, 3);
  ASSERT_TRUE(env.linePath({{9, 9}, {9, 1}}));
  stashArtwork(env.art);
  ASSERT_TRUE(env.linePath({{8, 8}, {8, 1}}));  // begun while stashed: appended
  ASSERT_EQ(env.art.count, 5);
  EXPECT_EQ(env.words(2), (Words{0, 0, 5, 2}));
  EXPECT_EQ(env.words(3), (Words{9, 9, 9, 1}));

  stashArtwork(env.art);
  freeArtwork(env.art);
  EXPECT_EQ(env.art.count + env.art.stashedCount + env.art.firstNewPath, 0);
  EXPECT_EQ(env.memory.used(), 0u);
}

TEST(ArtworkLifecycle, BeginPathDropsThePreviousPathWhenShort) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  ASSERT_TRUE(env.linePath({{0, 0}, {2, 2}}));  // length 4, kept while the minimum is 0
  ASSERT_TRUE(env.linePath({{0, 0}, {20, 0}}));
  env.art.minPathLength = 8;
  ASSERT_TRUE(env.linePath({{0, 0}, {2, 2}}));
  ASSERT_TRUE(env.linePath({{0, 0}, {4, 4}}));  // the length-4 path before it goes
  ASSERT_TRUE(env.linePath({{0, 0}, {1, 1}}));  // the length-8 path before it stays
  ASSERT_EQ(env.art.count, 4);
  EXPECT_EQ(env.words(0), (Words{0, 0, 2, 2}));  // only the previous path is measured
  EXPECT_EQ(env.words(2), (Words{0, 0, 4, 4}));
}

}  // namespace
}  // namespace vl::art::test
