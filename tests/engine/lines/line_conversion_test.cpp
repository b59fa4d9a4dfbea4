// The Line Recognition method alone: a form converts into exactly straight two-anchor paths and
// closed rectangles, stroked with the measured weights; combined with other methods it still
// refuses.
#include <gtest/gtest.h>

#include "tests/engine/centerline/centerline_rig.h"

namespace vl::engine::test {
namespace {

struct LinesRig : CenterlineRig {
  LinesRig() {
    active.set(settings::kMethodCenterline, false);
    active.set(settings::kMethodLineRecognition, true);
  }
};

// Square-capped strokes drawn as boxes: a box (50..250 x 40..200, 5 pixels) and a rule.
bool FormInk(int x, int y) {
  auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
  const bool box = (in(y, 38, 42) || in(y, 198, 202)) && in(x, 48, 252);
  const bool sides = (in(x, 48, 52) || in(x, 248, 252)) && in(y, 38, 202);
  const bool rule = in(y, 279, 281) && in(x, 19, 281);  // 3 pixels, x 20..280 at y 280
  return box || sides || rule;
}

TEST(LinesAlone, AFormBecomesOneRectangleAndOneStraightRule) {
  LinesRig rig;
  rig.load(320, 320, FormInk);
  const auto before = rig.bitLayer();
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted) << rig.env.messages().size();
  const auto paths = rig.paths();
  ASSERT_EQ(paths.size(), 2u);
  const TracedPath& box = paths[0];
  ASSERT_EQ(box.anchors.size(), 5u);
  EXPECT_EQ(box.anchors.front().x, box.anchors.back().x);
  EXPECT_EQ(box.anchors.front().y, box.anchors.back().y);
  for (std::size_t i = 0; i + 1 < box.anchors.size(); ++i)
    EXPECT_TRUE(box.anchors[i].x == box.anchors[i + 1].x || box.anchors[i].y == box.anchors[i + 1].y);
  EXPECT_NEAR(box.anchors[0].x, 50.5, 1.0);
  EXPECT_NEAR(box.anchors[0].y, 40.5, 1.0);
  EXPECT_NEAR(box.anchors[2].x, 250.5, 1.0);
  EXPECT_NEAR(box.anchors[2].y, 200.5, 1.0);
  EXPECT_NEAR(box.widthPixels, 5.0, 0.5);
  const TracedPath& rule = paths[1];
  ASSERT_EQ(rule.anchors.size(), 2u);
  EXPECT_EQ(rule.anchors[0].y, rule.anchors[1].y);
  EXPECT_NEAR(rule.anchors[0].x, 20.5, 1.0);
  EXPECT_NEAR(rule.anchors[1].x, 280.5, 1.0);
  EXPECT_NEAR(rule.widthPixels, 3.0, 0.5);
  for (const TracedPath& p : paths) {
    EXPECT_EQ(p.fill, art::PaintType::None);
    EXPECT_EQ(p.stroke, art::PaintType::Black);
  }
  EXPECT_EQ(rig.bitLayer(), before);  // the image is left as it was
}

TEST(LinesAlone, UniformLineWeightGivesEveryPathTheChosenWeight) {
  LinesRig rig;
  rig.active.set(settings::kUniformLineWeight, true);
  rig.active.uniformWeight = 240;  // hundredths of a point: 10 pixels at 300 pixels/inch
  rig.load(320, 320, FormInk);
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  const auto paths = rig.paths();
  ASSERT_EQ(paths.size(), 2u);
  for (const TracedPath& p : paths) EXPECT_NEAR(p.widthPixels, 10.0, 0.5);
}

TEST(LinesAlone, WithOutlineOrCenterlineItIsNotAvailableYet) {
  for (auto other : {settings::kMethodOutline, settings::kMethodCenterline}) {
    LinesRig rig;
    rig.active.set(other, true);
    rig.load(320, 320, FormInk);
    EXPECT_EQ(rig.convert(), (ConversionOutcome{ConversionResult::kRefused, 1000}));
    EXPECT_EQ(rig.env.messages(),
              std::vector<std::string>{"Line recognition is not available in this build."});
  }
}

TEST(LinesAlone, ADrawingWithoutLinesFindsNoPaths) {
  LinesRig rig;
  rig.load(200, 200, Disc(100, 100, 60));
  EXPECT_EQ(rig.convert().result, ConversionResult::kNoPathsFound);
}

}  // namespace
}  // namespace vl::engine::test
