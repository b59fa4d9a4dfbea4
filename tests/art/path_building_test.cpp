// Building paths: the stored words, curve flags, rounding, bounds and the paint a new path gets.
#include <gtest/gtest.h>

#include <limits>

#include "app/message_table.h"
#include "tests/art/art_test_env.h"

namespace vl::art::test {
namespace {

TEST(PathBuilding, LinePathsStoreAnchorsAndCountThem) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  ASSERT_TRUE(env.linePath({{1, 1}, {5, 1}, {5, 4}, {1, 4}, {1, 1}}));
  ASSERT_TRUE(env.linePath({{1, 1}, {5, 1}, {5, 4}, {1, 4}}));
  ASSERT_TRUE(env.linePath({{7, 7}}));

  EXPECT_EQ(env.words(0), (Words{1, 1, 5, 1, 5, 4, 1, 4, 1, 1}));
  EXPECT_TRUE(isClosed(env.art.paths[0]));
  EXPECT_EQ(anchorCount(env.art.paths[0]), 4);
  EXPECT_EQ(env.art.paths[1].usedWords, 8);
  EXPECT_FALSE(isClosed(env.art.paths[1]));
  EXPECT_EQ(anchorCount(env.art.paths[1]), 4);
  EXPECT_EQ(anchorCount(env.art.paths[2]), 0);  // a lone anchor
  env.art.paths[1].flags |= kSelected;
  EXPECT_EQ(totalAnchors(env.art), 8);
  EXPECT_EQ(selectedAnchors(env.art), 4);
  EXPECT_EQ(pathLength(env.art.paths[0], 1000), 14);
  EXPECT_EQ(pathLength(env.art.paths[0], 10), 10);  // stops at the limit
}

TEST(PathBuilding, CurvesFlagTheirAnchorsAndBoundsFollowAnchorsOnly) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  ASSERT_TRUE(env.begin({10, 20}));
  ASSERT_TRUE(env.curveTo({12.2, 21.7}, {14.5, 25}, {16, 30}));
  // Control points round to nearest, anchors truncate.
  EXPECT_EQ(env.words(0), (Words{10 | kCurveBit, 20, 12, 22, 15, 25, 16, 30 | kCurveBit}));
  ASSERT_TRUE(env.lineTo({20, 30}));
  ASSERT_TRUE(env.curveTo({100, 100}, {0, 90}, {30, 40}));
  EXPECT_EQ(env.words(0), (Words{10 | kCurveBit, 20, 12, 22, 15, 25, 16, 30 | kCurveBit,
                                 20 | kCurveBit, 30, 100, 100, 0, 90, 30, 40 | kCurveBit}));
  const PathRecord& path = env.art.paths[0];
  EXPECT_EQ(anchorCount(path), 4);
  EXPECT_EQ(pathLength(path, 1000), 16 + 4 + 20);
  EXPECT_EQ(std::vector<int>({path.left, path.top, path.right, path.bottom}),
            std::vector<int>({5, 15, 35, 45}));

  replaceLastAnchor(env.art, 40000, 33);  // clamped; the arriving-curve flag stays
  EXPECT_EQ(env.words(0)[14], 32767);
  EXPECT_EQ(env.words(0)[15], 33 | kCurveBit);
  EXPECT_EQ(path.right, 35);  // replacing does not widen, widenBounds does
  widenBounds(env.art, 100, 2);
  EXPECT_EQ(path.right, 105);
  EXPECT_EQ(path.top, -3);
}

TEST(PathBuilding, CoordinatesRoundAndNeverReachTheFlagBit) {
  EXPECT_EQ(controlToArt(2.3, 4.0), 9);    // 9.2 + 0.5
  EXPECT_EQ(controlToArt(2.45, 4.0), 10);  // 9.8 + 0.5
  EXPECT_EQ(anchorToArt(2.45, 4.0), 9);
  EXPECT_EQ(controlToArt(std::numeric_limits<double>::quiet_NaN(), 1.0), 0);
  EXPECT_EQ(anchorToArt(1e300, 16.0), 32767);

  ArtTestEnv env;
  env.art.pen.artScale = 4.0;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  ASSERT_TRUE(env.begin({9000, -2}));
  ASSERT_TRUE(env.curveTo({-50, 9000}, {1, 1}, {8191.9, 9000}));
  EXPECT_EQ(env.words(0), (Words{32767 | kCurveBit, 0, 0, 32767, 4, 4, 32767, 32767 | kCurveBit}));
  EXPECT_EQ(env.art.paths[0].right, 32767 + kBoundsMargin);  // no 16-bit wrap-around
}

TEST(PathBuilding, AnOverlongPathStopsTheConversionInsteadOfWrapping) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  ASSERT_TRUE(env.begin({0, 0}));
  int added = 0;
  while (added < 40000 && env.lineTo({double(added % 2), 0})) ++added;
  EXPECT_EQ(env.art.paths[0].capacityWords, kMaxPointWords);
  EXPECT_EQ(env.art.paths[0].usedWords, 65530);
  EXPECT_EQ(added, 65530 / 2 - 1);
  EXPECT_EQ(env.state.abortRequested, 1);
  EXPECT_EQ(env.ui.messages(), std::vector<std::string>{std::string(msg::Text(11))});
}

TEST(PathPaint, BilevelPathsTakeThePenPaintAndTracerFlags) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  Pen& pen = env.art.pen;
  pen.color = 0x80000000;
  pen.strokeType = PaintType::Process;
  pen.strokeWeightPoints = 0.35;
  ASSERT_TRUE(env.begin({1, 1}));
  const PathRecord& plain = env.art.paths[0];
  EXPECT_EQ(plain.fillColor, 0x80000000u);
  EXPECT_EQ(plain.strokeColor, 0x80000000u);
  EXPECT_EQ(plain.fillType, PaintType::Black);
  EXPECT_EQ(plain.strokeType, PaintType::Process);
  EXPECT_EQ(plain.strokeWeight, 3);
  EXPECT_EQ(plain.flags, 0);

  pen.strokeWeightPoints = 30.0;
  env.state.tracerMode = -1;
  ASSERT_TRUE(env.begin({1, 1}));
  EXPECT_EQ(env.art.paths[1].strokeWeight, 255);
  EXPECT_EQ(env.art.paths[1].flags, kUnfilled | kGrouped);
  env.state.colorPassActive = 1;  // separated colour shapes are filled
  ASSERT_TRUE(env.begin({1, 1}));
  EXPECT_EQ(env.art.paths[2].flags, kGrouped);

  // Convert Selection Edge with the Centerline method strokes in black and does not fill.
  env.state = {};
  env.app.selectionEdgeCommand = true;
  env.settings.set(settings::kMethodCenterline, true);
  pen.fillType = PaintType::Custom;
  ASSERT_TRUE(env.begin({1, 1}));
  EXPECT_EQ(env.art.paths[3].fillType, PaintType::None);
  EXPECT_EQ(env.art.paths[3].strokeType, PaintType::Black);
  EXPECT_EQ(env.art.paths[3].strokeColor, kBlackColor);
  // Otherwise a Custom pen paint brings its colour reference along.
  env.settings.set(settings::kMethodCenterline, false);
  pen.customIndex = 12;
  pen.tint = 77;
  ASSERT_TRUE(env.begin({1, 1}));
  EXPECT_EQ(env.art.paths[4].fillType, PaintType::Custom);
  EXPECT_EQ(env.art.paths[4].fillCustomIndex, 12);
  EXPECT_EQ(env.art.paths[4].fillTint, 77);
}

TEST(PathPaint, ColourPassesChooseTheFillAndNeverStroke) {
  ArtTestEnv env;
  ASSERT_TRUE(initArtwork(env.art, env.rt));
  env.state.colorPassActive = 1;
  Pen& pen = env.art.pen;
  pen.color = 0x00102030;
  pen.fillType = pen.strokeType = PaintType::Process;
  pen.customIndex = 7;
  pen.tint = 128;
  env.settings.set(settings::kAddNewColors, true);
  env.settings.set(settings::kLimitedColors, true);
  int calls = 0;
  std::optional<std::uint16_t> answer = 42;
  auto fillOfNextPath = [&] {
    EXPECT_TRUE(env.begin({1, 1}));
    const PathRecord& path = env.art.paths[env.art.count - 1];
    EXPECT_EQ(path.strokeType, PaintType::None);
    return std::vector<int>{int(path.fillType), path.fillCustomIndex, path.fillTint};
  };
  const std::vector<int> process = {int(PaintType::Process), 0, 0};

  EXPECT_EQ(fillOfNextPath(), process);  // gray scale: no custom colours
  pen.multiSample = true;
  EXPECT_EQ(fillOfNextPath(), process);  // no custom colour table in this build
  env.art.createCustomColor = [&](std::uint32_t color) {
    ++calls;
    EXPECT_EQ(color, 0x00102030u);
    return answer;
  };
  EXPECT_EQ(fillOfNextPath(), (std::vector<int>{int(PaintType::Custom), 42, 255}));
  answer.reset();  // the table is full
  EXPECT_EQ(fillOfNextPath(), process);
  env.settings.set(settings::kUseCustomColors, true);  // the current custom colour, none new
  EXPECT_EQ(fillOfNextPath(), (std::vector<int>{int(PaintType::Custom), 7, 128}));
  pen.multiSample = false;
  EXPECT_EQ(fillOfNextPath(), process);
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace vl::art::test
