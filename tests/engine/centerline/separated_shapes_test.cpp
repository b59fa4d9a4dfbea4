// Separate Shapes on line drawings: each area the lines enclose becomes one closed path along
// the middle of its lines, every pixel of an area inside exactly one such path; areas open to
// the edge become none, and their lines stay centre lines; enclosing areas are painted first;
// the thick parts of Outline bound areas too; a stop at any poll ends cleanly.
#include <functional>

#include "engine/separated_shapes.h"
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

// Figures whose lines enclose neighbouring areas: a grid, a circle cut by a line, and a box
// holding a smaller box built onto its left side.
struct Figure {
  const char* name;
  Drawing drawing;
  int areas;
  // The outer edge: pixels near it are next to no other area.
  std::function<bool(PagePoint)> nearOutside;
  bool outlineToo = false;  // thick parts traced as outlines bound areas too
};

std::vector<Figure> Figures() {
  std::vector<Figure> out;
  out.push_back({"grid", Grid(3, 2, 40, 2), 6, [](PagePoint q) {
                   return q.x < 13 || q.y < 13 || q.x > 127 || q.y > 87;
                 }});
  out.push_back({"thick grid", Grid(4, 3, 30, 4), 12, [](PagePoint q) {
                   return q.x < 14 || q.y < 14 || q.x > 126 || q.y > 96;
                 }});
  out.push_back({"cut circle",
                 Drawing{140, 140, {Arc(70, 70, 55, 0, 360, 2), Line(10, 60, 130, 85, 2)}}, 2,
                 [](PagePoint q) { return std::hypot(q.x - 70, q.y - 70) > 52; }});
  out.push_back({"box in a box",
                 Drawing{130, 110,
                         {Line(10, 10, 110, 10, 2), Line(10, 100, 110, 100, 2),
                          Line(10, 10, 10, 100, 2), Line(110, 10, 110, 100, 2),
                          Line(10, 35, 60, 35, 2), Line(10, 75, 60, 75, 2),
                          Line(60, 35, 60, 75, 2)}},
                 2, [](PagePoint q) {
                   return q.x < 13 || q.y < 13 || q.x > 107 || q.y > 97;
                 }});
  // A line from a solid bar across the box: where it meets the bar the two areas part.
  out.push_back({"line from a bar",
                 Drawing{120, 100,
                         {Line(25, 10, 25, 90, 30), Line(10, 10, 100, 10, 2),
                          Line(10, 90, 100, 90, 2), Line(100, 10, 100, 90, 2),
                          Line(40, 50, 100, 50, 2)}},
                 2,
                 [](PagePoint q) { return q.x < 44 || q.y < 13 || q.x > 97 || q.y > 87; },
                 true});
  return out;
}

double PolylineDistance(const std::vector<PagePoint>& v, PagePoint q) {
  double d = 1e9;
  for (std::size_t i = 0; i + 1 < v.size(); ++i) d = std::min(d, SegmentDistance(q, v[i], v[i + 1]));
  return d;
}

std::size_t AnchorIndex(const TracedPath& p, PagePoint q) {
  for (std::size_t i = 0; i + 1 < p.anchors.size(); ++i)
    if (Distance(p.anchors[i], q) < 1e-9) return i;
  return p.anchors.size();
}

TEST(SeparatedShapes, NeighbouringAreasRunThroughTheSameAnchorsAlongTheLineBetweenThem) {
  for (const Figure& f : Figures()) {
    SCOPED_TRACE(f.name);
    ShapesRig rig;
    rig.active.set(settings::kMethodOutline, f.outlineToo);
    rig.load(f.drawing);
    ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
    std::vector<TracedPath> shapes;
    for (TracedPath& p : rig.paths())  // the areas, not the filled outlines of thick parts
      if (Closed(p) && p.fill == art::PaintType::None) shapes.push_back(std::move(p));
    ASSERT_EQ(int(shapes.size()), f.areas);
    // Along the line between two areas (away from where a third one comes near), each point of
    // one lies on the other, and each anchor of one is an anchor of the other, the two running
    // in opposite directions.
    int sharedSides = 0;
    for (std::size_t a = 0; a < shapes.size(); ++a)
      for (std::size_t b = 0; b < shapes.size(); ++b) {
        if (a == b) continue;
        auto alongTheLine = [&](PagePoint q) {
          if (f.nearOutside(q) || PolylineDistance(shapes[b].points, q) > 1.0) return false;
          for (std::size_t c = 0; c < shapes.size(); ++c)
            if (c != a && c != b && PolylineDistance(shapes[c].points, q) < 3.0) return false;
          return true;
        };
        for (PagePoint q : shapes[a].points) {
          if (alongTheLine(q)) {
            ASSERT_LT(PolylineDistance(shapes[b].points, q), 1e-6)
                << "seam at " << q.x << ", " << q.y << " between shapes " << a << " and " << b;
          }
        }
        const std::vector<PagePoint>& v = shapes[a].anchors;
        for (std::size_t i = 0; i + 1 < v.size(); ++i) {
          if (!alongTheLine({(v[i].x + v[i + 1].x) / 2, (v[i].y + v[i + 1].y) / 2})) continue;
          const std::size_t j = AnchorIndex(shapes[b], v[i]);
          ASSERT_LT(j, shapes[b].anchors.size()) << v[i].x << ", " << v[i].y;
          const std::size_t n = shapes[b].anchors.size() - 1;  // the closing anchor repeats
          EXPECT_LT(Distance(shapes[b].anchors[(j + n - 1) % n], v[i + 1]), 1e-9)
              << "not reversed at " << v[i].x << ", " << v[i].y;
          ++sharedSides;
        }
      }
    EXPECT_GT(sharedSides, 0);
    // Every pixel inside the figure, the lines between areas included, lies inside exactly
    // one area's path: no gap opens between neighbours and none overlaps another.
    const Drawing& d = f.drawing;
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x) {
        const PagePoint q{x + 0.5, y + 0.5};
        if (f.nearOutside(q)) continue;
        ASSERT_EQ(Covering(shapes, q), 1) << x << ", " << y;
      }
  }
}

TEST(SeparatedShapes, ThickPartsTouchedByLinesGetOneContactJunctionPerTouch) {
  // Centre lines (1) and a thick part (2), 16 pixels a row: a line ending on the part, and one
  // running along its side.
  const char* rows[] = {
      "............1...",
      "..1.....22221...",
      "...1....22221...",
      "....1...22221...",
      ".....11122221...",
      "........22221...",
      "........22221...",
      "............1...",
  };
  const std::int32_t width = 16, height = 8, rowBytes = 4;
  std::vector<std::uint8_t> lines(rowBytes * height), thick(rowBytes * height);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      if (rows[y][x] == '1') SetBitAt(&lines[std::size_t(y * rowBytes)], x);
      if (rows[y][x] == '2') SetBitAt(&thick[std::size_t(y * rowBytes)], x);
    }
  // The first touching pixel of each spot; along the side, none within 2 rows of the last.
  const std::vector<JunctionPoint> contacts{{12, 0}, {12, 3}, {7, 4}, {12, 6}};
  struct Case {
    std::vector<JunctionPoint> before;
  } cases[] = {{{}}, {{{3, 2}, {14, 7}}}};
  for (const Case& c : cases) {
    JunctionList list;
    list.points.push_back(kLeadingSentinel);
    list.points.insert(list.points.end(), c.before.begin(), c.before.end());
    list.points.push_back(kTrailingSentinel);
    ResetUsedBits(list);
    list.markUsed(1);
    const std::size_t added =
        AddContactJunctions(list, lines.data(), thick.data(), rowBytes, width, height);
    EXPECT_EQ(added, contacts.size());
    std::vector<JunctionPoint> expected = c.before;
    expected.insert(expected.end(), contacts.begin(), contacts.end());
    std::sort(expected.begin(), expected.end(), [](JunctionPoint a, JunctionPoint b) {
      return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    expected.insert(expected.begin(), kLeadingSentinel);
    expected.push_back(kTrailingSentinel);
    EXPECT_EQ(list.points, expected);
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_FALSE(list.used(i)) << i;
  }
  // A full list takes none.
  JunctionList full;
  full.points.assign(kMaxContactListPoints, JunctionPoint{1, 1});
  full.points.front() = kLeadingSentinel;
  full.points.back() = kTrailingSentinel;
  ResetUsedBits(full);
  EXPECT_EQ(AddContactJunctions(full, lines.data(), thick.data(), rowBytes, width, height), 0u);
  EXPECT_EQ(full.size(), kMaxContactListPoints);
}

// Point words: anchors as {x, y}, a curve as {c1x, c1y, c2x, c2y, x, y} after the anchor it
// leaves, which carries the curve bit (as the artwork stores them).
using Words = std::vector<std::uint16_t>;
constexpr std::uint16_t kCurve = art::kCurveBit;

// The square right of x = 10 with its left side from y 10 up to y 0 as curves through the
// given heights.
Words CurvesDown(const std::vector<std::uint16_t>& heights) {
  Words w{20, 0, 20, 10};
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const bool leaves = i + 1 < heights.size(), arrives = i > 0;
    w.push_back(std::uint16_t(10 | (leaves ? kCurve : 0)));
    w.push_back(std::uint16_t(heights[i] | (arrives ? kCurve : 0)));
    if (leaves) w.insert(w.end(), {10, heights[i], 10, heights[i + 1]});
  }
  w.insert(w.end(), {20, 0});
  return w;
}

TEST(MatchPaths, ASectionGoesReversedToTheNeighbourThatRunsAlongItAndNowhereElse) {
  // Junctions at (10, 0) and (10, 10); art units equal pixels (anchors at pixel centres
  // truncate onto the same numbers).
  const Words left{0, 0, 10, 0, 10, 10, 0, 10, 0, 0};
  const Words matched{20, 0, 20, 10, 10, 10, 10, 0, 20, 0};
  struct Case {
    const char* name;
    Words p, q, expectedQ;
    bool noMemory = false;
  } cases[] = {
      // Q's side as a curve bowing out a pixel, begun elsewhere: it becomes P's line.
      {"curve", left, {20, 0, 20, 10, 10 | kCurve, 10, 11, 7, 11, 3, 10, 0 | kCurve, 20, 0}, matched},
      // Q begins on the shared side: it is started at the side's end instead.
      {"across the start",
       left,
       {10, 5, 10, 0, 20, 0, 20, 10, 10, 10, 10, 5},
       {10, 10, 10, 0, 20, 0, 20, 10, 10, 10}},
      // Two ways between the same junctions far apart (the halves of a cut circle): the arc
      // above is not the arc below.
      {"other side",
       {10, 0, 10, 10, 0, 10, 0, 0, 10, 0},
       {10, 10, 20, 10, 20, 0, 10 | kCurve, 0, 30, 20, 30, 40, 10, 10 | kCurve},
       {10, 10, 20, 10, 20, 0, 10 | kCurve, 0, 30, 20, 30, 40, 10, 10 | kCurve}},
      // Over 30 words more than P's side: left as traced.
      {"too many words", left, CurvesDown({10, 8, 6, 4, 2, 1, 0}), {}},
      {"no memory", left, {20, 0, 20, 10, 10 | kCurve, 10, 11, 7, 11, 3, 10, 0 | kCurve, 20, 0}, {}, true},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.expectedQ.empty()) c.expectedQ = c.q;
    TestRuntime env;
    art::Artwork art;
    ASSERT_TRUE(art::initArtwork(art, env.rt));
    art::PathRecord like;
    ASSERT_TRUE(art::appendPath(art, env.rt, like, c.p));
    ASSERT_TRUE(art::appendPath(art, env.rt, like, c.q));
    JunctionList junctions;
    junctions.points = {kLeadingSentinel, {10, 0}, {10, 10}, kTrailingSentinel};
    ResetUsedBits(junctions);
    if (c.noMemory) env.memory.failAfter(0);
    const MatchOutcome o = MatchPaths(art, env.rt, junctions, 1.0, 0);
    env.memory.failAfter(-1);
    EXPECT_FALSE(o.stopped);
    const std::span<const std::uint16_t> q = art::PointWords(art.paths[1]);
    EXPECT_EQ(Words(q.begin(), q.end()), c.expectedQ);
    const std::span<const std::uint16_t> p = art::PointWords(art.paths[0]);
    EXPECT_EQ(Words(p.begin(), p.end()), c.p);  // the first path gives, it never takes
    art::freeArtwork(art);
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
