// The artwork model: path words, curve flags, rounding, bounds; memory charged and returned;
// deleting paths; the short-path check and discard passes; collinear anchors; screen colours.
#include <gtest/gtest.h>

#include <limits>

#include "art/display_color.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

using Tags = std::vector<std::uint32_t>;
using Messages = std::vector<std::string>;

// Appends a horizontal path of the given length in art units, coloured `tag` to follow it.
void AddTagged(ArtTestEnv& env, std::uint32_t tag, double length) {
  env.art.pen.color = tag;
  ASSERT_TRUE(env.linePath({{0, 0}, {length, 0}}));
}

Tags TagsOf(const ArtTestEnv& env) {
  Tags tags;
  for (const PathRecord& path : pathsInUse(env.art)) tags.push_back(path.fillColor);
  return tags;
}

TEST(PathBuilding, AnchorsCurveFlagsBoundsAndClamping) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  ASSERT_TRUE(env.linePath({{1, 1}, {5, 1}, {5, 4}, {1, 4}, {1, 1}}));
  EXPECT_EQ(env.words(0), (Words{1, 1, 5, 1, 5, 4, 1, 4, 1, 1}));
  EXPECT_TRUE(isClosed(env.art.paths[0]));
  EXPECT_EQ(anchorCount(env.art.paths[0]), 4);
  ASSERT_TRUE(env.begin({10, 20}));
  ASSERT_TRUE(env.curveTo({12.2, 21.7}, {14.5, 25}, {16, 30}));  // controls round, anchors not
  ASSERT_TRUE(env.lineTo({20, 30}));
  ASSERT_TRUE(env.curveTo({100, 100}, {0, 90}, {30, 40}));
  EXPECT_EQ(env.words(1), (Words{10 | kCurveBit, 20, 12, 22, 15, 25, 16, 30 | kCurveBit,
                                 20 | kCurveBit, 30, 100, 100, 0, 90, 30, 40 | kCurveBit}));
  const PathRecord& path = env.art.paths[1];
  EXPECT_EQ(anchorCount(path), 4);
  EXPECT_EQ(pathLength(path, 1000), 16 + 4 + 20);
  EXPECT_EQ((std::vector<int>{path.left, path.top, path.right, path.bottom}),
            (std::vector<int>{5, 15, 35, 45}));  // the anchors' box and the margin
  // Coordinates clamp to 0..32767 and never reach the flag bit; bounds do not wrap either.
  EXPECT_EQ(controlToArt(std::numeric_limits<double>::quiet_NaN(), 1.0), 0);
  env.art.pen.artScale = 4.0;
  ASSERT_TRUE(env.begin({9000, -2}));
  ASSERT_TRUE(env.curveTo({-50, 9000}, {1, 1}, {8191.9, 9000}));
  EXPECT_EQ(env.words(2), (Words{32767 | kCurveBit, 0, 0, 32767, 4, 4, 32767, 32767 | kCurveBit}));
  EXPECT_EQ(env.art.paths[2].right, 32767 + kBoundsMargin);
}

TEST(ArtworkLifecycle, MemoryIsChargedInStepsAndReturned) {
  ArtTestEnv starved;
  starved.memory.failAfter(0);
  EXPECT_FALSE(initArtwork(starved.art, starved.rt));
  EXPECT_EQ(starved.ui.messages(), Only(11));
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  for (int i = 0; i < 21; ++i) ASSERT_TRUE(env.linePath({{0, 0}, {1, 1}}));
  EXPECT_EQ(env.art.capacity, 40);  // records come 20 at a time
  // A point array grows by 100 words when fewer than seven words are left: 96 words take 200.
  ASSERT_TRUE(env.stepPath(48));
  EXPECT_EQ(env.art.paths[21].capacityWords, 200);
  EXPECT_EQ(env.memory.used(), 40 * sizeof(PathRecord) + 23 * kPointGrowthWords * 2);
  freeArtwork(env.art);
  EXPECT_EQ(env.memory.used(), 0u);
  // An overlong path stops the conversion with the memory message instead of wrapping.
  EXPECT_FALSE(env.stepPath(40000));
  EXPECT_EQ(env.art.paths[0].usedWords, 65530);
  EXPECT_EQ(env.state.abortRequested, 1);
  EXPECT_EQ(env.ui.messages(), Only(11));
}

TEST(ArtworkLifecycle, DeletingAndDroppingShortPathsKeepTheOrderAndEveryIndex) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  for (std::uint32_t i = 0; i < 5; ++i) AddTagged(env, i, i);
  for (int i : {1, 3}) env.art.paths[i].flags |= kSelected;
  env.art.selectedCount = 2;
  env.art.firstNewPath = 3;
  deletePath(env.art, 1);
  EXPECT_EQ(TagsOf(env), (Tags{0, 2, 3, 4}));
  EXPECT_EQ(env.words(3), (Words{0, 0, 4, 0}));  // the point arrays moved with their records
  EXPECT_EQ((std::vector<int>{env.art.selectedCount, env.art.firstNewPath, env.art.currentPath}),
            (std::vector<int>{1, 2, 3}));
  deletePath(env.art, 3);
  EXPECT_FALSE(addPoint(env.art, env.rt, false));  // the current path went
  // A path shorter than the minimum goes as the next begins; only the last one is measured
  // (3 and 10 go, the short 0 and 2 before them stay).
  env.art.minPathLength = 8;
  for (std::uint32_t tag : {10, 11, 12}) AddTagged(env, tag, tag == 11 ? 8 : 4);
  EXPECT_EQ(TagsOf(env), (Tags{0, 2, 11, 12}));
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
  // The next pass raises the minimum to 16: the length-12 paths and the former current go.
  std::uint32_t tag = 20000;
  while (env.art.count < 10000) AddTagged(env, tag++, 20);
  AddTagged(env, tag, 20);
  EXPECT_EQ(env.art.minPathLength, 16);
  ASSERT_EQ(env.art.count, 10000 - 3333 - 1 + 1);
  for (const PathRecord& path : pathsInUse(env.art)) EXPECT_GE(pathLength(path, 100), 16);
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
    EXPECT_EQ(env.ui.messages(), room ? Messages{} : Only(66));
  }
}

TEST(CollinearAnchors, AxisParallelMidpointsGoWhileCornersAndCurveEndsStay) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  ASSERT_TRUE(env.linePath({{10, 5}, {10, 12}, {10, 20}, {30, 20}}));
  ASSERT_TRUE(env.linePath({{10, 5}, {10, 12}, {10, 20}}));  // 6 words: not examined
  // A square with a midpoint on every side, walked from a corner and closed on it.
  ASSERT_TRUE(env.linePath(
      {{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}, {0, 0}}));
  // A spike out and back, a repeated point, and runs reversing direction on one line.
  ASSERT_TRUE(env.linePath(
      {{0, 0}, {10, 0}, {10, 5}, {10, 0}, {20, 0}, {20, 0}, {30, 0}, {25, 0}, {40, 0}}));
  ASSERT_TRUE(env.linePath({{0, 0}, {5, 0}, {10, 0}}));
  ASSERT_TRUE(env.curveTo({12, 3}, {14, 7}, {10, 10}));
  ASSERT_TRUE(env.lineTo({10, 20}) && env.lineTo({10, 30}) && env.linePath({{0, 0}, {0, 5}}));
  ASSERT_TRUE(env.curveTo({1, 7}, {1, 9}, {0, 10}) && env.curveTo({1, 12}, {1, 14}, {0, 15}));
  ASSERT_TRUE(env.lineTo({0, 25}) && env.lineTo({0, 30}));
  removeCollinearAnchors(env.art);
  EXPECT_EQ(env.words(0), (Words{10, 5, 10, 20, 30, 20}));
  EXPECT_EQ(env.words(1), (Words{10, 5, 10, 12, 10, 20}));
  EXPECT_EQ(env.words(2), (Words{0, 0, 10, 0, 10, 10, 0, 10, 0, 0}));
  EXPECT_EQ(anchorCount(env.art.paths[2]), 4);
  EXPECT_EQ(env.words(3), (Words{0, 0, 10, 0, 10, 5, 10, 0, 30, 0, 25, 0, 40, 0}));
  // (5, 0) goes and the curve after it moves down intact; (10, 20) goes.
  EXPECT_EQ(env.words(4),
            (Words{0, 0, 10 | kCurveBit, 0, 12, 3, 14, 7, 10, 10 | kCurveBit, 10, 30}));
  // (0, 5) and (0, 15) lie between their neighbours but touch curves; (0, 25) goes.
  EXPECT_EQ(env.words(5), (Words{0, 0, kCurveBit, 5, 1, 7, 1, 9, kCurveBit, 10 | kCurveBit, 1, 12,
                                 1, 14, 0, 15 | kCurveBit, 0, 30}));
}

TEST(DisplayColor, InksInvertDarkenAndTemperGreenAndBlue) {
  // Cyan: g = max(255 - 31, (255 + 255) / 2); cyan + yellow: g - g / 8 wins; green just over
  // red: (239 + 255) / 2 wins.
  const std::pair<std::uint32_t, std::vector<int>> cases[] = {{0x000000FF, {0, 255, 255}},
      {kBlackColor, {0, 0, 0}}, {0x00FF00FF, {0, 224, 0}}, {0x00FF0010, {239, 247, 0}}};
  for (const auto& [cmyk, rgb] : cases) {
    const Rgb c = displayColor(cmyk);
    EXPECT_EQ((std::vector<int>{c.r, c.g, c.b}), rgb) << std::hex << cmyk;
  }
}

}  // namespace
}  // namespace vl::art::test
