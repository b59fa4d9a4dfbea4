// Separate Shapes on line drawings: each area the lines enclose becomes one closed path along
// the middle of its lines, every pixel of an area inside exactly one such path; areas open to
// the edge become none, and their lines stay centre lines; enclosing areas are painted first;
// the thick parts of Outline bound areas too; a stop at any poll ends cleanly.
#include "tests/engine/centerline/centerline_rig.h"
#include "tests/support/art_rasterizer.h"

namespace vl::engine::test {
namespace {

// Even-odd test of a pixel centre against a path's flattened points (taken as closed).
bool Inside(const TracedPath& p, PagePoint q) {
  bool in = false;
  const std::vector<PagePoint>& v = p.points;
  for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
    if ((v[i].y > q.y) != (v[j].y > q.y) &&
        q.x < (v[j].x - v[i].x) * (q.y - v[i].y) / (v[j].y - v[i].y) + v[i].x)
      in = !in;
  }
  return in;
}

bool Closed(const TracedPath& p) { return Distance(p.anchors.front(), p.anchors.back()) < 0.01; }

int Covering(const std::vector<TracedPath>& paths, PagePoint q) {
  int n = 0;
  for (const TracedPath& p : paths) n += Closed(p) && Inside(p, q);
  return n;
}

// A grid of cols x rows boxes `cell` pixels wide from (10, 10), drawn with lines of `width`.
Drawing Grid(int cols, int rows, double cell, double width) {
  Drawing d{int(20 + cols * cell), int(20 + rows * cell), {}};
  for (int i = 0; i <= cols; ++i)
    d.strokes.push_back(Line(10 + i * cell, 10, 10 + i * cell, 10 + rows * cell, width));
  for (int j = 0; j <= rows; ++j)
    d.strokes.push_back(Line(10, 10 + j * cell, 10 + cols * cell, 10 + j * cell, width));
  return d;
}

struct ShapesRig : CenterlineRig {
  ShapesRig() { active.set(settings::kSeparateShapes, true); }
};

bool NoScratchFiles(const CenterlineRig& rig) {
  for (const char* name : {"dgtemp", "edgearr", "seglist", "linarr", "dgskel"})
    if (rig.env.scratchExists(name)) return false;
  return true;
}

TEST(SeparatedShapes, EveryBoxOfAGridIsOneStrokedPathAlongTheMiddleOfItsLines) {
  struct Case {
    int cols, rows;
    double cell, width;
    bool outlineToo;
  } cases[] = {{3, 2, 40, 2, false}, {4, 3, 25, 4, false}, {2, 2, 60, 2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.cols) + "x" + std::to_string(c.rows) + " width " +
                 std::to_string(c.width));
    ShapesRig rig;
    rig.active.set(settings::kMethodOutline, c.outlineToo);
    const Drawing d = Grid(c.cols, c.rows, c.cell, c.width);
    rig.load(d);
    ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
    const std::vector<TracedPath> paths = rig.paths();
    // Every pixel well inside a box lies inside exactly one closed path; outside the grid
    // inside none.
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x) {
        const PagePoint q{x + 0.5, y + 0.5};
        double nearest = 1e9;
        for (const Stroke& s : d.strokes) nearest = std::min(nearest, s.distance(q));
        const bool outside = q.x < 10 || q.y < 10 || q.x > 10 + c.cols * c.cell ||
                             q.y > 10 + c.rows * c.cell;
        if (outside && nearest > 2) {
          ASSERT_EQ(Covering(paths, q), 0) << x << ", " << y;
        } else if (!outside && nearest > c.width / 2 + 1.5) {
          ASSERT_EQ(Covering(paths, q), 1) << x << ", " << y;
        }
      }
    int shapes = 0;
    for (const TracedPath& p : paths) {
      if (!Closed(p)) continue;
      ++shapes;
      EXPECT_EQ(p.fill, art::PaintType::None);
      EXPECT_EQ(p.stroke, art::PaintType::Black);
      EXPECT_NEAR(p.widthPixels, c.width, 1.0);
      for (PagePoint q : p.points) {
        double nearest = 1e9;
        for (const Stroke& s : d.strokes) nearest = std::min(nearest, s.distance(q));
        EXPECT_LE(nearest, std::max(1.0, c.width / 2)) << "outline off the lines at " << q.x << ", " << q.y;
      }
    }
    EXPECT_EQ(shapes, c.cols * c.rows);
    // Stroked at their width the outlines draw the grid again.
    test_support::GrayImage drawn(d.width, d.height, 255);
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x)
        if (d.ink(x, y)) drawn.at(x, y) = 0;
    const test_support::GrayImage back = test_support::RasterizeArtwork(
        rig.art, d.width, d.height, {rig.image.artScale, rig.image.yResolution / 72.0});
    EXPECT_EQ(test_support::MismatchesAwayFromEdges(drawn, back, 128, 1), 0)
        << test_support::DescribeMismatches(drawn, back, 128, 1);
    EXPECT_EQ(rig.bitLayer(), rig.input);
    EXPECT_TRUE(NoScratchFiles(rig));
  }
}

TEST(SeparatedShapes, AnAreaOpenThroughAGapGivesNoShapeAndKeepsItsLines) {
  ShapesRig rig;
  // Two boxes; the right one's right side has a gap from y 40 to 60.
  const Drawing d{120, 100,
                  {Line(10, 10, 90, 10, 2), Line(10, 90, 90, 90, 2), Line(10, 10, 10, 90, 2),
                   Line(50, 10, 50, 90, 2), Line(90, 10, 90, 40, 2), Line(90, 60, 90, 90, 2)}};
  rig.load(d);
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  const std::vector<TracedPath> paths = rig.paths();
  EXPECT_EQ(Covering(paths, {30, 50}), 1);
  EXPECT_EQ(Covering(paths, {70, 50}), 0);
  // The open box's own lines come out as centre lines, the shared one only with the shape.
  bool rightSide = false, topRight = false;
  for (const TracedPath& p : paths) {
    if (Closed(p)) continue;
    for (PagePoint q : p.points) {
      rightSide = rightSide || (std::abs(q.x - 90) < 1.5 && q.y > 15 && q.y < 35);
      topRight = topRight || (std::abs(q.y - 10) < 1.5 && q.x > 60 && q.x < 80);
      EXPECT_FALSE(std::abs(q.x - 50) < 1.5 && q.y > 20 && q.y < 80) << q.x << ", " << q.y;
    }
  }
  EXPECT_TRUE(rightSide);
  EXPECT_TRUE(topRight);
}

TEST(SeparatedShapes, ConcentricCirclesGiveTheRingBeneathTheDisc) {
  ShapesRig rig;
  const Drawing d{130, 130, {Arc(65, 65, 50, 0, 360, 2), Arc(65, 65, 25, 0, 360, 2)}};
  rig.load(d);
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  const std::vector<TracedPath> paths = rig.paths();
  int ring = -1, disc = -1;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (!Closed(paths[i])) continue;
    const bool inRing = Inside(paths[i], {65, 27}), atCentre = Inside(paths[i], {65, 65});
    if (inRing) {
      EXPECT_EQ(ring, -1);
      ring = int(i);
      EXPECT_TRUE(atCentre);  // the ring is written as its outer boundary only
    } else if (atCentre) {
      EXPECT_EQ(disc, -1);
      disc = int(i);
    }
  }
  ASSERT_GE(ring, 0);
  ASSERT_GE(disc, 0);
  EXPECT_LT(ring, disc);
}

TEST(SeparatedShapes, OutlinesWithCentreLinesLetThickPartsCloseAnArea) {
  ShapesRig rig;
  rig.active.set(settings::kMethodOutline, true);
  // A box whose left side is a solid bar 30 pixels wide.
  const Drawing d{120, 100,
                  {Line(25, 10, 25, 90, 30), Line(10, 10, 100, 10, 2), Line(10, 90, 100, 90, 2),
                   Line(100, 10, 100, 90, 2)}};
  rig.load(d);
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  const std::vector<TracedPath> paths = rig.paths();
  EXPECT_EQ(Covering(paths, {70, 50}), 1);
  EXPECT_EQ(Covering(paths, {5, 50}), 0);
  bool bar = false;  // the bar itself is a filled outline
  for (const TracedPath& p : paths) bar = bar || (p.fill == art::PaintType::Black && Inside(p, {25, 50}));
  EXPECT_TRUE(bar);
  EXPECT_EQ(rig.bitLayer(), rig.input);
}

TEST(SeparatedShapes, AStopAtAnyPollEndsCleanly) {
  int total = 0;
  std::size_t paths = 0;
  {
    ShapesRig rig;
    rig.load(Grid(3, 2, 30, 2));
    ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
    total = rig.env.ui.drains();
    paths = art::PathsInUse(rig.art).size();
  }
  ASSERT_GT(total, 3);
  for (int stop = 1; stop <= total; stop += stop < 30 ? 1 : std::max(1, total / 50)) {
    SCOPED_TRACE("stop at poll " + std::to_string(stop));
    ShapesRig rig;
    rig.env.ui.stopAtDrain = stop;
    rig.load(Grid(3, 2, 30, 2));
    const ConversionOutcome o = rig.convert();
    EXPECT_TRUE(o.result == ConversionResult::kStopped || o.result == ConversionResult::kConverted)
        << int(o.result);
    if (o.result == ConversionResult::kStopped) {
      EXPECT_LE(art::PathsInUse(rig.art).size(), paths);
    }
    EXPECT_EQ(rig.bitLayer(), rig.input);
    EXPECT_TRUE(NoScratchFiles(rig));
    EXPECT_FALSE(rig.env.app.converting);
  }
}

TEST(SeparatedShapes, EveryFailedAllocationEndsCleanlyAndTheAreasOwnIsMessage37) {
  bool sawOwn = false;
  for (long n = 0;; ++n) {
    ASSERT_LT(n, 2000) << "the conversion never completed";
    SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
    ShapesRig rig;
    rig.load(Grid(2, 2, 30, 2));
    rig.env.memory.failAfter(n);
    const ConversionOutcome o = rig.convert();
    rig.env.memory.failAfter(-1);
    EXPECT_EQ(rig.bitLayer(), rig.input);
    EXPECT_TRUE(NoScratchFiles(rig));
    if (o.result == ConversionResult::kConverted) break;
    if (o.result == ConversionResult::kFailed) {
      EXPECT_TRUE(o.message == 11 || o.message == 37 || o.message == 66) << o.message;
    }
    sawOwn = sawOwn || o.message == 37;
  }
  EXPECT_TRUE(sawOwn);
}

}  // namespace
}  // namespace vl::engine::test
