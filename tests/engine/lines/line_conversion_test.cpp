// The Line Recognition method: a form converts into exactly straight two-anchor paths and
// closed rectangles, stroked with the measured weights; with Outline or Centerline the rest of
// the drawing (text, also where it touches a line) is traced by those methods.
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

bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

// Square-capped strokes drawn as boxes: a box (50..250 x 40..200, 5 pixels) and a rule.
bool FormInk(int x, int y) {
  const bool box = (In(y, 38, 42) || In(y, 198, 202)) && In(x, 48, 252);
  const bool sides = (In(x, 48, 52) || In(x, 248, 252)) && In(y, 38, 202);
  const bool rule = In(y, 279, 281) && In(x, 19, 281);  // 3 pixels, x 20..280 at y 280
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

// Without Uniform Line Weight a line's weight is its measured thickness in points, whatever
// the resolution (the path store keeps tenths of a point, cut off); with it, the chosen weight.
TEST(LinesAlone, WeightsAreTheMeasuredThicknessOrTheUniformOne) {
  for (double resolution : {72.0, 150.0, 300.0, 600.0})
    for (bool uniform : {false, true}) {
      SCOPED_TRACE(testing::Message() << resolution << (uniform ? " uniform" : ""));
      LinesRig rig;
      rig.active.set(settings::kUniformLineWeight, uniform);
      rig.active.uniformWeight = 240;  // hundredths of a point
      rig.load(320, 320, FormInk);
      rig.image.xResolution = rig.image.yResolution = resolution;
      ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
      const auto paths = rig.paths();
      ASSERT_EQ(paths.size(), 2u);
      const double tenth = resolution / 720.0;  // pixels in a tenth of a point
      for (int i = 0; i < 2; ++i) {
        const double wanted = uniform ? 24 * tenth : (i == 0 ? 5.0 : 3.0) - tenth / 2;
        EXPECT_NEAR(paths[i].widthPixels, wanted, uniform ? 1e-6 : tenth / 2 + 1e-9) << i;
      }
    }
}

TEST(LinesAlone, ADrawingWithoutLinesFindsNoPaths) {
  LinesRig rig;
  rig.load(200, 200, Disc(100, 100, 60));
  EXPECT_EQ(rig.convert().result, ConversionResult::kNoPathsFound);
}

// A form with text: the box and rule of FormInk, "IT" standing on the rule (stems 4 pixels
// wide, 36 tall) and an "L" inside the box.
bool TextInk(int x, int y) {
  const bool i = In(x, 100, 103) && In(y, 242, 278);
  const bool t = (In(x, 130, 152) && In(y, 242, 245)) || (In(x, 139, 142) && In(y, 242, 278));
  const bool l = (In(x, 100, 103) && In(y, 100, 135)) || (In(x, 100, 118) && In(y, 132, 135));
  return i || t || l;
}
bool FormWithTextInk(int x, int y) { return FormInk(x, y) || TextInk(x, y); }

bool IsLinePath(const TracedPath& p) {
  if (p.fill != art::PaintType::None || (p.anchors.size() != 2 && p.anchors.size() != 5))
    return false;
  for (std::size_t i = 0; i + 1 < p.anchors.size(); ++i)
    if (p.anchors[i].x != p.anchors[i + 1].x && p.anchors[i].y != p.anchors[i + 1].y) return false;
  return true;
}

// Even-odd inside test over the flattened black-filled paths.
bool InsideFilled(const std::vector<TracedPath>& paths, PagePoint q) {
  bool inside = false;
  for (const TracedPath& p : paths) {
    if (p.fill != art::PaintType::Black) continue;
    const auto& v = p.points;
    for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++)
      if ((v[i].y > q.y) != (v[j].y > q.y) &&
          q.x < (v[j].x - v[i].x) * (q.y - v[i].y) / (v[j].y - v[i].y) + v[i].x)
        inside = !inside;
  }
  return inside;
}

TEST(LinesWithOutline, LinesAreExactAndTheTextIsTracedWithoutGaps) {
  LinesRig rig;
  rig.active.set(settings::kMethodOutline, true);
  rig.load(320, 320, FormWithTextInk);
  const auto before = rig.bitLayer();
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  const auto paths = rig.paths();
  std::vector<TracedPath> lines, shapes;
  for (const TracedPath& p : paths) (IsLinePath(p) ? lines : shapes).push_back(p);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].anchors.size(), 5u);
  EXPECT_NEAR(lines[1].anchors[0].y, 280.5, 1.0);
  EXPECT_NEAR(lines[1].widthPixels, 3.0, 0.5);
  ASSERT_GE(shapes.size(), 1u);
  // Every text pixel, down to the rows touching the rule, is inside a traced shape.
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 320; ++x)
      if (TextInk(x, y)) {
        ASSERT_TRUE(InsideFilled(shapes, {x + 0.5, y + 0.5})) << x << "," << y;
      }
  // The rule and the box are not traced again as shapes.
  for (PagePoint q : {PagePoint{60.5, 280.5}, PagePoint{250.5, 280.5}, PagePoint{150.5, 40.5},
                      PagePoint{250.5, 120.5}})
    EXPECT_FALSE(InsideFilled(shapes, q)) << q.x << "," << q.y;
  EXPECT_EQ(rig.bitLayer(), before);  // the lines were taken out for tracing only
}

TEST(LinesWithCenterline, LinesAreExactAndTextEndsOnTheRule) {
  LinesRig rig;
  rig.active.set(settings::kMethodCenterline, true);
  rig.load(320, 320, FormWithTextInk);
  const auto before = rig.bitLayer();
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  const auto paths = rig.paths();
  std::vector<TracedPath> lines, strokes;
  for (const TracedPath& p : paths) (IsLinePath(p) && p.anchors.size() == 5 ? lines : strokes).push_back(p);
  ASSERT_EQ(lines.size(), 1u);  // the box
  // The rule is one of the straight paths; the stems of "I" and "T" end exactly on it.
  const double ruleY = 280.5;
  std::string seen;
  for (const TracedPath& p : strokes) {
    seen += "\n";
    for (const PagePoint& a : p.anchors) seen += std::to_string(a.x) + "," + std::to_string(a.y) + " ";
  }
  int rules = 0, stemsOnRule = 0;
  for (const TracedPath& p : strokes) {
    EXPECT_EQ(p.fill, art::PaintType::None);
    if (IsLinePath(p) && p.anchors[0].y == ruleY && p.anchors[1].y == ruleY) {
      ++rules;
      continue;
    }
    for (const PagePoint& a : {p.anchors.front(), p.anchors.back()})
      if (std::abs(a.y - ruleY) < 0.01 && (std::abs(a.x - 102.0) < 2 || std::abs(a.x - 141.0) < 2))
        ++stemsOnRule;
  }
  EXPECT_EQ(rules, 1) << seen;
  EXPECT_EQ(stemsOnRule, 2) << seen;
  EXPECT_GE(strokes.size(), 4u);  // the rule, "I", "T" (one or two paths) and "L"
  EXPECT_EQ(rig.bitLayer(), before);
}

// Drawings of lines only: with Outline everything becomes straight stroked paths, nothing is
// left over to be traced as a shape.
struct OnlyLines {
  const char* name;
  bool (*ink)(int x, int y);
};

class LinesOnlyTest : public ::testing::TestWithParam<OnlyLines> {};

TEST_P(LinesOnlyTest, NothingIsLeftForTheOutlines) {
  LinesRig rig;
  rig.active.set(settings::kMethodOutline, true);
  rig.load(320, 320, GetParam().ink);
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  const auto paths = rig.paths();
  ASSERT_FALSE(paths.empty());
  for (const TracedPath& p : paths)
    EXPECT_TRUE(IsLinePath(p)) << GetParam().name << ": " << p.anchors.size() << " anchors at "
                               << p.anchors[0].x << "," << p.anchors[0].y;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LinesOnlyTest,
    ::testing::Values(
        OnlyLines{"Crossing",
                  [](int x, int y) {
                    return (In(y, 159, 161) && In(x, 20, 300)) || (In(x, 158, 162) && In(y, 20, 300));
                  }},
        OnlyLines{"Dashed",
                  [](int x, int y) { return In(y, 99, 101) && In(x, 70, 274) && x % 70 < 65; }},
        OnlyLines{"AtTheImageEdges",
                  [](int x, int y) {
                    return In(y, 0, 2) || In(y, 317, 319) || In(x, 0, 2) || In(x, 317, 319);
                  }},
        OnlyLines{"ThickBar", [](int x, int y) { return In(y, 140, 165) && In(x, 30, 290); }},
        OnlyLines{"RectangleWithAGap",
                  [](int x, int y) {
                    const bool tb = (In(y, 49, 51) || In(y, 249, 251)) && In(x, 49, 251);
                    const bool lr = (In(x, 49, 51) || In(x, 249, 251)) && In(y, 49, 251);
                    return (tb || lr) && !(In(x, 120, 160) && y < 60);
                  }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinesWithOutline, StopDuringTheLineScanEndsTheConversionAndKeepsTheImage) {
  LinesRig rig;
  rig.active.set(settings::kMethodOutline, true);
  rig.load(320, 320, FormWithTextInk);
  const auto before = rig.bitLayer();
  rig.env.ui.stopAtDrain = 3;
  const ConversionOutcome out = rig.convert();
  EXPECT_EQ(out.result, ConversionResult::kStopped);
  for (const TracedPath& p : rig.paths()) EXPECT_TRUE(IsLinePath(p));  // no shape traced
  EXPECT_EQ(rig.bitLayer(), before);
}

}  // namespace
}  // namespace vl::engine::test
