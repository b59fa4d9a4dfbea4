// The discard passes: what the path count limit and running out of memory delete, which
// closing-message flag they set, and when they give up with message 66.
#include <gtest/gtest.h>

#include "app/message_table.h"
#include "tests/art/art_test_env.h"

namespace vl::art::test {
namespace {

// Appends a horizontal path of the given length in art units, coloured `tag` to follow it.
void AddTagged(ArtTestEnv& env, std::uint32_t tag, double length) {
  env.art.pen.color = tag;
  ASSERT_TRUE(env.linePath({{0, 0}, {length, 0}}));
}

void ExpectTags(const ArtTestEnv& env, const std::vector<std::uint32_t>& tags) {
  std::vector<std::uint32_t> actual;
  for (const PathRecord& path : pathsInUse(env.art)) actual.push_back(path.fillColor);
  EXPECT_EQ(actual, tags);
}

TEST(DiscardPasses, PathCountLimitDropsShortPathsKeepingTheOrder) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  const double lengths[3] = {4, 12, 20};
  for (std::uint32_t i = 0; i < 10000; ++i) AddTagged(env, i, lengths[i % 3]);
  EXPECT_FALSE(env.state.maxPathsExceeded);

  AddTagged(env, 10000, 20);  // the pass runs before this path begins
  EXPECT_TRUE(env.state.maxPathsExceeded);
  EXPECT_FALSE(env.state.pathsSkippedForMemory);
  EXPECT_EQ(env.art.minPathLength, 8);
  // Tags 0, 3, ..., 9996 went; 9999 was the current path and stays.
  std::vector<std::uint32_t> expected;
  for (std::uint32_t i = 0; i <= 10000; ++i) {
    if (i % 3 != 0 || i >= 9999) expected.push_back(i);
  }
  ExpectTags(env, expected);

  // The next pass raises the minimum to 16: the length-12 paths and the former current go.
  std::uint32_t tag = 20000;
  while (env.art.count < 10000) AddTagged(env, tag++, 20);
  AddTagged(env, tag, 20);
  EXPECT_EQ(env.art.minPathLength, 16);
  ASSERT_EQ(env.art.count, 10000 - 3333 - 1 + 1);
  for (const PathRecord& path : pathsInUse(env.art)) EXPECT_GE(pathLength(path, 100), 16);
  EXPECT_EQ(env.state.abortRequested, 0);
  EXPECT_TRUE(env.ui.messages().empty());
}

TEST(DiscardPasses, MemoryRunningOutDropsShortPathsAndRetries) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  for (std::uint32_t i = 0; i < 120; ++i) AddTagged(env, i, i % 2 ? 20 : 4);
  env.art.pen.color = 500;
  ASSERT_TRUE(env.stepPath(47));  // 94 of 100 words: the next point needs a larger array
  env.art.paths[0].flags |= kSelected;
  env.art.selectedCount = 1;
  env.memory.setLimit(env.memory.used());

  ASSERT_TRUE(env.lineTo({47, 0}));
  EXPECT_TRUE(env.state.pathsSkippedForMemory);
  EXPECT_FALSE(env.state.maxPathsExceeded);
  EXPECT_EQ(env.art.minPathLength, 8);
  std::vector<std::uint32_t> expected;
  for (std::uint32_t i = 1; i < 120; i += 2) expected.push_back(i);
  expected.push_back(500);
  ExpectTags(env, expected);
  EXPECT_EQ(env.art.selectedCount, 0);  // the selected path was short
  EXPECT_EQ(env.art.currentPath, 60);
  EXPECT_EQ(env.art.paths[60].usedWords, 96);

  // A slot that cannot be had makes room the same way. Length 12 survives the minimum of 8
  // as paths begin, not the next pass; the last of them is current and stays.
  env.memory.setLimit(platform::MemoryBudget::kUnlimited);
  for (std::uint32_t i = 0; i < 79; ++i) AddTagged(env, 600 + i, i % 2 ? 20 : 12);
  ASSERT_EQ(env.art.count, env.art.capacity);
  env.memory.setLimit(env.memory.used());
  AddTagged(env, 700, 20);
  EXPECT_EQ(env.art.minPathLength, 16);
  EXPECT_EQ(env.art.count, 140 - 39 + 1);
  EXPECT_EQ(env.art.paths[env.art.count - 2].fillColor, 678u);
  EXPECT_TRUE(env.ui.messages().empty());
}

TEST(DiscardPasses, FewerThan100PathsAbortWithMessage66AndKeepThePaths) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  for (std::uint32_t i = 0; i < 98; ++i) AddTagged(env, i, i % 2 ? 20 : 4);
  ASSERT_TRUE(env.stepPath(47));
  const std::vector<std::string> disposalFailed{std::string(msg::Text(66))};
  env.memory.setLimit(env.memory.used());

  EXPECT_FALSE(env.lineTo({47, 0}));
  EXPECT_EQ(env.state.abortRequested, 1);
  EXPECT_EQ(env.ui.messages(), disposalFailed);
  EXPECT_EQ(env.art.count, 99);
  EXPECT_EQ(env.art.paths[98].usedWords, 94);
  EXPECT_EQ(env.art.minPathLength, 0);
  EXPECT_FALSE(env.state.pathsSkippedForMemory);
  // Once aborted nothing more is added, no empty path is left behind, nothing more is said.
  EXPECT_FALSE(env.begin({1, 1}));
  EXPECT_EQ(env.art.count, 99);
  EXPECT_EQ(env.ui.messages(), disposalFailed);

  ArtTestEnv small;  // the path count limit gives up the same way
  ASSERT_TRUE(initArtwork(small.art, small.rt));
  small.art.maxPaths = 3;
  for (std::uint32_t i = 0; i < 3; ++i) AddTagged(small, i, 4);
  EXPECT_FALSE(small.begin({1, 1}));
  EXPECT_EQ(small.art.count, 3);
  EXPECT_EQ(small.ui.messages(), disposalFailed);
}

TEST(DiscardPasses, TheMinimumLengthStopsRisingBeforeItWraps) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  for (std::uint32_t i = 0; i < 100; ++i) AddTagged(env, i, 20);
  env.art.minPathLength = 32752;
  EXPECT_TRUE(discardShortPaths(env.art, env.rt, DiscardCause::Memory));
  EXPECT_EQ(env.art.minPathLength, 32760);
  EXPECT_EQ(env.art.count, 1);  // all but the current path were shorter

  ArtTestEnv full;
  ASSERT_TRUE(initArtwork(full.art, full.rt));
  for (std::uint32_t i = 0; i < 100; ++i) AddTagged(full, i, 20);
  full.art.minPathLength = 32760;
  EXPECT_FALSE(discardShortPaths(full.art, full.rt, DiscardCause::PathCount));
  EXPECT_EQ(full.art.minPathLength, 32760);
  EXPECT_EQ(full.art.count, 100);
  EXPECT_EQ(full.state.abortRequested, 1);
  EXPECT_EQ(full.ui.messages().size(), 1u);
}

}  // namespace
}  // namespace vl::art::test
