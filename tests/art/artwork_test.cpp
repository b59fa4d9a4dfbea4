// The artwork model: clamped coordinates, memory charged and returned, the point array's size
// limit, and the discard passes of the path count and of memory.
#include <gtest/gtest.h>

#include <limits>

#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

using Tags = std::vector<std::uint32_t>;

// Appends a horizontal path of the given length in art units, coloured `tag` to follow it.
void AddTagged(ArtTestEnv& env, std::uint32_t tag, double length) {
  env.art.pen.color = tag;
  ASSERT_TRUE(env.linePath({{0, 0}, {length, 0}}));
}

Tags TagsOf(const ArtTestEnv& env) {
  Tags tags;
  for (const PathRecord& path : PathsInUse(env.art)) tags.push_back(path.fillColor);
  return tags;
}

TEST(ArtworkModel, CoordinatesClampAndMemoryIsChargedInStepsReturnedAndLimited) {
  ArtTestEnv starved;
  starved.memory.failAfter(0);
  EXPECT_FALSE(initArtwork(starved.art, starved.rt));
  EXPECT_EQ(starved.ui.messages(), Only(11));
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  // Coordinates clamp to 0..32767, never reaching the flag bit; controls round, anchors not.
  env.art.pen.artScale = 4.0;
  ASSERT_TRUE(env.begin({9000, -2}) && env.curveTo({-50, 9000}, {1.1, 0.9}, {8191.9, 9000}));
  EXPECT_EQ(env.words(0), (Words{32767 | kCurveBit, 0, 0, 32767, 4, 4, 32767, 32767 | kCurveBit}));
  EXPECT_EQ(env.art.paths[0].right, 32767 + kBoundsMargin);  // bounds do not wrap either
  EXPECT_EQ(ControlToArt(std::numeric_limits<double>::quiet_NaN(), 1.0), 0);
  for (int i = 0; i < 21; ++i) ASSERT_TRUE(env.linePath({{0, 0}, {1, 1}}));
  EXPECT_EQ(env.art.capacity, 40);  // records come 20 at a time
  // A point array grows by 100 words when fewer than seven words are left: 96 words take 200.
  ASSERT_TRUE(env.stepPath(48));
  EXPECT_EQ(env.art.paths[22].capacityWords, 200);
  EXPECT_EQ(env.memory.used(), 40 * sizeof(PathRecord) + 24 * kPointGrowthWords * 2);
  freeArtwork(env.art);
  EXPECT_EQ(env.memory.used(), 0u);
  // An overlong path stops the conversion with the memory message instead of wrapping.
  EXPECT_FALSE(env.stepPath(40000));
  EXPECT_EQ(env.art.paths[0].usedWords, 65530);
  EXPECT_EQ(env.state.abortRequested, 1);
  EXPECT_EQ(env.ui.messages(), Only(11));
}

TEST(DiscardPasses, PathCountLimitDropsShortPathsKeepingTheOrder) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  const double lengths[3] = {4, 12, 20};
  for (std::uint32_t i = 0; i < 10000; ++i) AddTagged(env, i, lengths[i % 3]);
  EXPECT_FALSE(env.state.maxPathsExceeded);
  AddTagged(env, 10000, 20);  // the pass runs before this path begins
  EXPECT_TRUE(env.state.maxPathsExceeded && !env.state.pathsSkippedForMemory);
  EXPECT_EQ(env.art.minPathLength, 8);
  Tags expected;  // tags 0, 3, ..., 9996 went; 9999 was the current path and stays
  for (std::uint32_t i = 0; i <= 10000; ++i)
    if (i % 3 != 0 || i >= 9999) expected.push_back(i);
  EXPECT_EQ(TagsOf(env), expected);
  EXPECT_TRUE(env.ui.messages().empty());
}

TEST(DiscardPasses, MemoryRunningOutDropsShortPathsOrGivesUpWithMessage66) {
  for (std::uint32_t paths : {120u, 98u}) {  // below 100 paths discarding is not tried
    SCOPED_TRACE(paths);
    const bool room = paths >= 100;
    ArtTestEnv env;
    ASSERT_TRUE(initArtwork(env.art, env.rt));
    for (std::uint32_t i = 0; i < paths; ++i) AddTagged(env, i, i % 2 ? 20 : 4);
    env.art.pen.color = 500;
    ASSERT_TRUE(env.stepPath(47));  // 94 of 100 words: the next point needs a larger array
    env.art.paths[0].flags |= kSelected;
    env.art.selectedCount = 1;
    env.memory.setLimit(env.memory.used());
    EXPECT_EQ(env.lineTo({47, 0}), room);
    EXPECT_EQ(env.state.pathsSkippedForMemory, room);
    EXPECT_EQ(env.art.minPathLength, room ? 8 : 0);
    Tags expected;  // the short paths went, or nothing did
    for (std::uint32_t i = room; i < paths; i += room ? 2 : 1) expected.push_back(i);
    expected.push_back(500);
    EXPECT_EQ(TagsOf(env), expected);
    EXPECT_EQ(env.art.selectedCount, room ? 0 : 1);  // the selected path was short
    EXPECT_EQ(env.art.paths[env.art.count - 1].usedWords, room ? 96 : 94);
    EXPECT_EQ(env.state.abortRequested, !room);
    // Once aborted nothing more is added, no empty path is left behind, nothing more is said.
    EXPECT_EQ(env.begin({1, 1}), room);
    EXPECT_EQ(env.art.count, room ? 62 : 99);
    EXPECT_EQ(env.ui.messages(), room ? Lines{} : Only(66));
  }
}

}  // namespace
}  // namespace vl::art::test
