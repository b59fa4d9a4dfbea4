// Removal of collinear anchors: midpoints of axis-parallel runs go; corners, curve ends, the
// first and last anchors and short paths stay.
#include <gtest/gtest.h>

#include "tests/art/art_test_env.h"

namespace vl::art::test {
namespace {

TEST(CollinearAnchors, AxisParallelMidpointsGoAndCornersStay) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  ASSERT_TRUE(env.linePath({{10, 5}, {10, 12}, {10, 20}, {30, 20}}));
  ASSERT_TRUE(env.linePath({{10, 5}, {11, 12}, {10, 20}, {30, 20}}));
  ASSERT_TRUE(env.linePath({{10, 5}, {10, 12}, {10, 20}}));  // 6 words: not examined
  // A square with a midpoint on every side, walked from a corner and closed on it.
  ASSERT_TRUE(env.linePath({{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5},
                            {0, 0}}));
  // A spike out and back, a repeated point, and runs reversing direction on one line.
  ASSERT_TRUE(env.linePath({{0, 0}, {10, 0}, {10, 5}, {10, 0}, {20, 0}, {20, 0}, {30, 0}, {25, 0},
                            {40, 0}}));
  removeCollinearAnchors(env.art);

  EXPECT_EQ(env.words(0), (Words{10, 5, 10, 20, 30, 20}));
  EXPECT_EQ(env.words(1), (Words{10, 5, 11, 12, 10, 20, 30, 20}));
  EXPECT_EQ(env.words(2), (Words{10, 5, 10, 12, 10, 20}));
  EXPECT_EQ(env.words(3), (Words{0, 0, 10, 0, 10, 10, 0, 10, 0, 0}));
  EXPECT_EQ(anchorCount(env.art.paths[3]), 4);
  EXPECT_EQ(env.words(4), (Words{0, 0, 10, 0, 10, 5, 10, 0, 30, 0, 25, 0, 40, 0}));
  EXPECT_EQ(env.art.paths[3].capacityWords, 100);  // the array is not shrunk
}

TEST(CollinearAnchors, AnchorsTouchingCurvesStay) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  ASSERT_TRUE(env.linePath({{0, 0}, {5, 0}, {10, 0}}));
  ASSERT_TRUE(env.curveTo({12, 3}, {14, 7}, {10, 10}));
  ASSERT_TRUE(env.lineTo({10, 20}));
  ASSERT_TRUE(env.lineTo({10, 30}));
  ASSERT_TRUE(env.begin({0, 0}));
  ASSERT_TRUE(env.lineTo({0, 5}));
  ASSERT_TRUE(env.curveTo({1, 7}, {1, 9}, {0, 10}));
  ASSERT_TRUE(env.curveTo({1, 12}, {1, 14}, {0, 15}));
  ASSERT_TRUE(env.lineTo({0, 25}));
  ASSERT_TRUE(env.lineTo({0, 30}));
  removeCollinearAnchors(env.art);

  // (5, 0) goes and the curve after it moves down intact; (10, 20) goes.
  EXPECT_EQ(env.words(0),
            (Words{0, 0, 10 | kCurveBit, 0, 12, 3, 14, 7, 10, 10 | kCurveBit, 10, 30}));
  // (0, 5) and (0, 15) lie between their neighbours but touch curves; (0, 25) goes.
  EXPECT_EQ(env.words(1), (Words{0, 0, kCurveBit, 5, 1, 7, 1, 9, kCurveBit, 10 | kCurveBit, 1, 12,
                                 1, 14, 0, 15 | kCurveBit, 0, 30}));
}

}  // namespace
}  // namespace vl::art::test
