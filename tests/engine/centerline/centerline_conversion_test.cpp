// Whole centre-line conversions: thick parts as outlines beside thin strokes as centre lines,
// the uniform weight, the same art from a backup on disk, hostile images and a stop at every
// poll, each leaving the image as it was and no scratch file behind.
#include <random>

#include "tests/engine/centerline/centerline_rig.h"

namespace vl::engine::test {
namespace {

Drawing Strokes() {
  return {160, 120, {Line(20, 20.5, 140, 20.5, 3), Line(80.5, 20, 80.5, 100, 3), Arc(80, 60, 40, 100, 250, 2)}};
}

TEST(CenterlineConversion, OutlineWithCenterlineTracesSolidAreasAsOutlinesAndStrokesAsLines) {
  CenterlineRig rig;
  rig.active.set(settings::kMethodOutline, true);
  const Stroke disc = Arc(60, 60, 1, 0, 360, 44);  // a solid disc of radius 22
  Drawing d{200, 120, {disc, Line(90, 60.5, 190, 60.5, 3)}};
  rig.load(d);
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  int filled = 0, stroked = 0;
  for (const TracedPath& p : rig.paths()) {
    if (p.fill != art::PaintType::None) {
      ++filled;
      // The outline runs round the disc, not along the line.
      for (PagePoint q : p.anchors) EXPECT_LT(Distance(q, {60, 60}), 30) << q.x << ", " << q.y;
    } else {
      ++stroked;
      EXPECT_EQ(p.stroke, art::PaintType::Black);
      // The centre line is the thin stroke's, clear of the disc's inside.
      for (PagePoint q : p.points) {
        EXPECT_GT(Distance(q, {60, 60}), 15) << q.x << ", " << q.y;
        EXPECT_NEAR(q.y, 60.5, 1.0);
      }
    }
  }
  EXPECT_GE(filled, 1);
  EXPECT_GE(stroked, 1);
  EXPECT_EQ(rig.bitLayer(), rig.input);
  EXPECT_FALSE(rig.scratchLeft());
}

TEST(CenterlineConversion, UniformWeightGivesEveryLineTheSameWeight) {
  CenterlineRig rig;
  rig.active.set(settings::kUniformLineWeight, true);
  rig.active.uniformWeight = 250;  // 2.5 points
  rig.load(Strokes());
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  ASSERT_FALSE(art::PathsInUse(rig.art).empty());
  for (const art::PathRecord& p : art::PathsInUse(rig.art)) EXPECT_EQ(p.strokeWeight, 25);
}

TEST(CenterlineConversion, BackupOnDiskGivesTheSameArt) {
  std::vector<std::vector<std::uint16_t>> art[2];
  for (bool onDisk : {false, true}) {
    CenterlineRig rig;
    rig.active.set(settings::kMethodOutline, true);  // the thick-part growth reads the backup
    rig.load(Strokes(), onDisk);
    ASSERT_EQ(rig.image.backupOnDisk, onDisk);
    ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
    art[onDisk] = rig.artWords();
    EXPECT_EQ(rig.bitLayer(), rig.input);
  }
  EXPECT_EQ(art[0], art[1]);
}

TEST(CenterlineConversion, HostileImagesLeaveTheImageAsItWas) {
  std::mt19937 random(7);
  std::vector<std::uint8_t> noise(300 * 200);
  for (auto& v : noise) v = (random() % 2) != 0;
  const struct {
    const char* name;
    int width, height;
    std::function<bool(int, int)> ink;
  } cases[] = {
      {"noise", 300, 200, [&](int x, int y) { return noise[std::size_t(y * 300 + x)] != 0; }},
      {"all black", 120, 90, [](int, int) { return true; }},
      {"one pixel wide", 1, 80, [](int, int y) { return y % 7 != 3; }},
      {"one row", 90, 1, [](int x, int) { return x % 9 != 0; }},
      {"lines on every edge", 64, 48,
       [](int x, int y) { return x < 2 || y < 2 || x > 61 || y > 45 || x == y; }},
      {"empty", 50, 50, [](int, int) { return false; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool outline : {false, true}) {
      CenterlineRig rig;
      rig.active.set(settings::kMethodOutline, outline);
      rig.load(c.width, c.height, c.ink);
      const ConversionOutcome o = rig.convert();
      EXPECT_TRUE(o.result == ConversionResult::kConverted ||
                  o.result == ConversionResult::kNoPathsFound ||
                  o.result == ConversionResult::kConvertedPathsDiscarded)
          << int(o.result) << " " << o.message;
      EXPECT_EQ(rig.bitLayer(), rig.input);
      EXPECT_FALSE(rig.scratchLeft());
      EXPECT_FALSE(rig.env.app.converting);
      for (const TracedPath& p : rig.paths())
        for (PagePoint q : p.anchors) {
          EXPECT_GE(q.x, 0);
          EXPECT_GE(q.y, 0);
          EXPECT_LE(q.x, rig.image.paddedWidth);
          EXPECT_LE(q.y, c.height);
        }
    }
  }
}

TEST(CenterlineConversion, AStopAtAnyPollEndsCleanlyKeepingThePathsMadeSoFar) {
  int total = 0;
  {
    CenterlineRig rig;
    rig.active.set(settings::kMethodOutline, true);
    rig.load(Strokes());
    ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
    total = rig.env.ui.drains();
  }
  ASSERT_GT(total, 3);
  // Every poll of the first stages (thinning polls each row), then spread over the rest.
  for (int stop = 1; stop <= total; stop += stop < 40 ? 1 : std::max(1, total / 60)) {
    SCOPED_TRACE("stop at poll " + std::to_string(stop));
    CenterlineRig rig;
    rig.active.set(settings::kMethodOutline, true);
    rig.env.ui.stopAtDrain = stop;
    rig.load(Strokes());
    const ConversionOutcome o = rig.convert();
    EXPECT_TRUE(o.result == ConversionResult::kStopped || o.result == ConversionResult::kConverted)
        << int(o.result);
    EXPECT_EQ(rig.bitLayer(), rig.input);
    EXPECT_FALSE(rig.scratchLeft());
    EXPECT_FALSE(rig.env.app.converting);
  }
}

// Text: short strokes close to the junctions of other letters and parallel strokes a few
// pixels apart. A line end joins only a junction within reach of its own stroke, and a width
// counts its own stroke, not the neighbour beyond the gap.
TEST(CenterlineConversion, CrowdedStrokesKeepTheirOwnEndsAndWidths) {
  CenterlineRig rig;
  const Drawing d{160, 100,
                  {Line(20, 30.5, 60, 30.5, 3), Line(40.5, 30, 40.5, 70, 3),  // a T
                   Line(50, 37.5, 62, 37.5, 3),                                // a dash beside it
                   Line(80, 60, 150, 60, 2), Line(80, 65, 150, 65, 2)}};       // two close lines
  rig.load(d);
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  for (const TracedPath& p : rig.paths()) {
    for (PagePoint q : p.points) {
      double nearest = 1e9;
      for (const Stroke& s : d.strokes) nearest = std::min(nearest, s.distance(q));
      EXPECT_LT(nearest, 1.6) << "line off every stroke at " << q.x << ", " << q.y;
    }
    if (p.anchors.front().x >= 85 && std::abs(p.anchors.front().y - p.anchors.back().y) < 1) {
      EXPECT_NEAR(p.widthPixels, 2.0, 1.0) << "line at y " << p.anchors.front().y;
    }
  }
}

TEST(CenterlineConversion, TooManyJunctionsStopWithMessage156AndNoPaths) {
  CenterlineRig rig;
  rig.thinning(0);
  // Crosses four pixels apart: 20164 junction points.
  rig.load(568, 568, [](int x, int y) {
    const int dx = x % 4 - 2, dy = y % 4 - 2;
    return (dx == 0 && std::abs(dy) <= 1) || (dy == 0 && std::abs(dx) <= 1);
  });
  const ConversionOutcome o = rig.convert();
  EXPECT_EQ(o, (ConversionOutcome{ConversionResult::kFailed, msg::kTooManyJunctions}));
  EXPECT_EQ(rig.env.messages().front(), msg::Text(msg::kTooManyJunctions));
  EXPECT_EQ(rig.art.count, 0);
  EXPECT_EQ(rig.bitLayer(), rig.input);
}

}  // namespace
}  // namespace vl::engine::test
