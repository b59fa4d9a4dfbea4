// Whole outlines fitted: pictures traced by the edge and assembly stages (and a few vertex lists
// by hand), checked by the paths they give in the three Lines modes, their paint, and what the
// painted art covers.
#include <algorithm>
#include <cmath>
#include <utility>

#include "app/message_table.h"
#include "tests/engine/fitting/fitting_rig.h"
#include "tests/support/art_rasterizer.h"

namespace vl::engine::test {
namespace {

using test_support::GrayImage;
using test_support::RasterizeArtwork;

bool Same(Pt a, Pt b) { return std::fabs(a.x - b.x) < 1e-9 && std::fabs(a.y - b.y) < 1e-9; }

std::function<bool(int, int)> Disc(double cx, double cy, double r) {
  return [=](int x, int y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
std::function<bool(int, int)> Box(int left, int top, int right, int bottom) {
  return [=](int x, int y) { return x >= left && x <= right && y >= top && y <= bottom; };
}

GrayImage Paint(const FitRig& rig) {
  return RasterizeArtwork(rig.art, rig.image.width, rig.image.height, {kRigArtScale, 1.0});
}

// Points of the chain record (every boundary pixel the trace passed).
std::vector<Pt> ChainPoints(const HandChain& c) {
  std::vector<Pt> out;
  for (std::size_t n = 0; n <= c.codes.size(); ++n) out.push_back(c.pointAfter(n));
  return out;
}

TEST(FitOutline, StraightOnlyWritesEverySideAsALine) {
  for (auto shape : {Box(5, 5, 16, 14), Disc(20, 20, 9)}) {
    FitRig rig;
    rig.settings.linesMode = settings::kStraightOnly;
    rig.build(48, 48);
    rig.draw(shape);
    const std::vector<Pt> polygon = rig.assembleFirst();
    ASSERT_GE(polygon.size(), 5u);
    const std::size_t sides = polygon.size() - 1;
    FitOutline(rig.t());

    const std::vector<PathView> paths = rig.paths();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].curves(), 0);
    // n + 1 anchors for n sides, then the two sides repeated across the start point.
    const std::vector<Pt> anchors = paths[0].anchors();
    ASSERT_EQ(anchors.size(), sides + 1 + 2);
    for (std::size_t i = 0; i < anchors.size(); ++i) {
      const Pt& expected = polygon[i <= sides ? i : i - sides];
      EXPECT_TRUE(Same(anchors[i], expected)) << "anchor " << i;
    }
  }
}

TEST(FitOutline, CurvedAndStraightKeepsTheCornersOfASquare) {
  FitRig rig;
  rig.build(48, 48);
  rig.draw(Box(8, 6, 27, 25));
  EXPECT_EQ(rig.traceAll(), 1);
  const std::vector<PathView> paths = rig.paths();
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0].curves(), 0);
  std::vector<Pt> anchors = paths[0].anchors();
  for (Pt corner : {Pt{8, 6}, Pt{27, 6}, Pt{27, 25}, Pt{8, 25}})
    EXPECT_TRUE(std::any_of(anchors.begin(), anchors.end(), [&](Pt a) { return Same(a, corner); }))
        << corner.x << "," << corner.y;
  for (const Pt& a : anchors)  // nothing but the corners
    EXPECT_TRUE((a.x == 8 || a.x == 27) && (a.y == 6 || a.y == 25)) << a.x << "," << a.y;
}

TEST(FitOutline, ADiscBecomesAFewClosedCurvesAlongItsBoundary) {
  for (double radius : {12.0, 20.0}) {
    SCOPED_TRACE(radius);
    FitRig rig;
    rig.build(64, 64);
    const auto disc = Disc(31, 30, radius);
    rig.draw(disc);
    EXPECT_EQ(rig.traceAll(), 1);
    const std::vector<PathView> paths = rig.paths();
    ASSERT_EQ(paths.size(), 1u);
    const PathView& path = paths[0];
    EXPECT_GE(path.curves(), 3);
    EXPECT_LE(path.segments.size(), 8u);
    EXPECT_EQ(path.curves(), int(path.segments.size()));
    // The path begins after the first span and ends there again, through the start point.
    EXPECT_TRUE(Same(path.start, path.segments.back().to));

    // The bounds hold every vertex the curves pass, not only their anchors.
    const art::PathRecord& record = rig.art.paths[0];
    for (const Pt& v : rig.vertexList()) {
      EXPECT_GE(v.x * kRigArtScale, record.left);
      EXPECT_LE(v.x * kRigArtScale, record.right);
      EXPECT_GE(v.y * kRigArtScale, record.top);
      EXPECT_LE(v.y * kRigArtScale, record.bottom);
    }

    const std::vector<Pt> boundary = ChainPoints(rig.chains[0]);
    double worst = 0;
    for (const Pt& p : path.samples()) worst = std::max(worst, NearestDistance(p, boundary));
    EXPECT_LE(worst, 2.0);

    // Painted back, it covers the disc: differences only along the edge.
    GrayImage input(rig.image.width, rig.image.height, 255);
    for (int y = 0; y < input.height; ++y)
      for (int x = 0; x < input.width; ++x)
        if (disc(x, y)) input.at(x, y) = 0;
    const GrayImage painted = Paint(rig);
    // The path runs through the boundary pixels' coordinates, so the painting lies up to a
    // pixel inside the disc's edge; more than 2 pixels in, nothing may differ.
    EXPECT_EQ(test_support::MismatchesAwayFromEdges(input, painted, 0, 2), 0)
        << test_support::DescribeMismatches(input, painted, 0, 2);
  }
}

TEST(FitOutline, AStraightFirstSideIsWrittenFirstAndRepeatedAtTheEnd) {
  // A half disc, flat side up: the chain starts at the top-left corner and the polygon's first
  // side is the flat top, which no curve covers (its ends are corners). The curve from the
  // second vertex on runs the polygon past its start, so the top is written again at the end.
  FitRig rig;
  rig.build(64, 48);
  const auto half = [](int x, int y) { return y >= 8 && Disc(30, 8, 20)(x, y); };
  rig.draw(half);
  const std::vector<Pt> polygon = rig.assembleFirst();
  ASSERT_GE(polygon.size(), 4u);
  FitOutline(rig.t());
  const std::vector<PathView> paths = rig.paths();
  ASSERT_EQ(paths.size(), 1u);
  const PathView& path = paths[0];
  ASSERT_GE(path.segments.size(), 3u);
  EXPECT_TRUE(Same(path.start, polygon[0]));
  EXPECT_FALSE(path.segments.front().curve);
  EXPECT_TRUE(Same(path.segments.front().to, polygon[1]));
  EXPECT_TRUE(path.segments[1].curve);
  EXPECT_FALSE(path.segments.back().curve);
  EXPECT_TRUE(Same(path.segments.back().to, polygon[1]));
  EXPECT_EQ(rig.t().fit.extension, 1);

  GrayImage input(rig.image.width, rig.image.height, 255);
  for (int y = 0; y < input.height; ++y)
    for (int x = 0; x < input.width; ++x)
      if (half(x, y)) input.at(x, y) = 0;
  const GrayImage painted = Paint(rig);
  EXPECT_EQ(test_support::MismatchesAwayFromEdges(input, painted, 0, 2), 0)
      << test_support::DescribeMismatches(input, painted, 0, 2);
}

TEST(FitOutline, CurvedOnlyMakesEverySegmentACurve) {
  {
    // Traced: straight sides are covered by one-side spans, curves whose controls lie on them.
    FitRig rig;
    rig.settings.linesMode = settings::kCurvedOnly;
    rig.build(48, 48);
    rig.draw(Box(6, 6, 20, 17));
    EXPECT_EQ(rig.traceAll(), 1);
    const std::vector<PathView> paths = rig.paths();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].curves(), int(paths[0].segments.size()));
    EXPECT_EQ(paths[0].segments.size(), 4u);
    EXPECT_TRUE(Same(paths[0].start, paths[0].segments.back().to));
    Pt from = paths[0].start;
    for (const Segment& s : paths[0].segments) {
      EXPECT_LT(SegmentDistance(s.c1, from, s.to), 0.1);
      EXPECT_LT(SegmentDistance(s.c2, from, s.to), 0.1);
      from = s.to;
    }
  }
  {
    // By hand, with an empty mask no curve fits: every side is written as a straight curve
    // with its control points at the thirds.
    FitRig rig;
    rig.settings.linesMode = settings::kCurvedOnly;
    rig.build(48, 48);
    HandChain triangle{5, 5, {}};
    triangle.codes.insert(triangle.codes.end(), 12, 5);
    triangle.codes.insert(triangle.codes.end(), 9, 7);
    triangle.codes.insert(triangle.codes.end(), 9, 2);
    triangle.codes.insert(triangle.codes.end(), 3, 1);
    rig.loadChain(triangle);
    rig.loadVertices(triangle, {0, 12, 21});
    FitOutline(rig.t());
    const std::vector<PathView> paths = rig.paths();
    ASSERT_EQ(paths.size(), 1u);
    ASSERT_FALSE(paths[0].segments.empty());
    Pt from = paths[0].start;
    for (const Segment& s : paths[0].segments) {
      EXPECT_TRUE(s.curve);
      EXPECT_NEAR(s.c1.x, (2 * from.x + s.to.x) / 3, 1.0 / 16);
      EXPECT_NEAR(s.c1.y, (2 * from.y + s.to.y) / 3, 1.0 / 16);
      EXPECT_NEAR(s.c2.x, (from.x + 2 * s.to.x) / 3, 1.0 / 16);
      EXPECT_NEAR(s.c2.y, (from.y + 2 * s.to.y) / 3, 1.0 / 16);
      from = s.to;
    }
  }
}

TEST(FitOutline, ALonePixelBecomesASquareOfOneAndAHalfPixels) {
  for (std::int16_t mode :
       {settings::kCurvedAndStraight, settings::kStraightOnly, settings::kCurvedOnly}) {
    for (auto shape : {Box(9, 7, 9, 7), Box(9, 7, 10, 7)}) {  // one pixel, two pixels
      FitRig rig;
      rig.settings.linesMode = mode;
      rig.build(32, 32);
      rig.draw(shape);
      EXPECT_EQ(rig.traceAll(), 1);
      const std::vector<PathView> paths = rig.paths();
      if (mode == settings::kCurvedOnly) {  // nothing at all
        EXPECT_TRUE(paths.empty());
        continue;
      }
      ASSERT_EQ(paths.size(), 1u);
      const std::vector<Pt> anchors = paths[0].anchors();
      const std::vector<Pt> square = {{9, 7}, {10.5, 7}, {10.5, 5.5}, {9, 5.5}, {9, 7}};
      ASSERT_EQ(anchors.size(), square.size());
      for (std::size_t i = 0; i < square.size(); ++i) EXPECT_TRUE(Same(anchors[i], square[i]));
    }
  }
  // A centre-line trace draws a half-pixel line instead.
  FitRig rig;
  rig.build(32, 32);
  rig.env.state.tracerMode = 1;
  HandChain lone{12, 4, {}};
  rig.loadChain(lone);
  rig.loadVertices(lone, {0});
  FitOutline(rig.t());
  const std::vector<PathView> paths = rig.paths();
  ASSERT_EQ(paths.size(), 1u);
  ASSERT_EQ(paths[0].segments.size(), 1u);
  EXPECT_TRUE(Same(paths[0].segments[0].to, Pt{12.5, 4}));
}

TEST(FitOutline, CurvedOnlyClosesASmallBlobWithOneLoop) {
  // A plus of five pixels: its three-sided polygon is covered by one curve from the start
  // point back to it, which is written (not dropped as a zero-length curve).
  FitRig rig;
  rig.settings.linesMode = settings::kCurvedOnly;
  rig.build(32, 32);
  rig.draw([](int x, int y) { return std::abs(x - 10) + std::abs(y - 10) <= 1; });
  EXPECT_EQ(rig.traceAll(), 1);
  const std::vector<PathView> paths = rig.paths();
  ASSERT_EQ(paths.size(), 1u);
  ASSERT_EQ(paths[0].segments.size(), 1u);
  EXPECT_TRUE(paths[0].segments[0].curve);
  EXPECT_TRUE(Same(paths[0].start, paths[0].segments[0].to));
  // The loop encloses the pixel the plus is centred on (as painted, one up-left of it).
  EXPECT_EQ(Paint(rig).at(10, 9), 0);
}

TEST(FitOutline, PaintsShapesBlackAndHolesWhiteSwappedByWhiteLines) {
  for (bool whiteLines : {false, true}) {
    FitRig rig;
    rig.settings.set(settings::kWhiteLines, whiteLines);
    rig.build(48, 48);
    rig.draw([](int x, int y) { return Box(4, 4, 30, 30)(x, y) && !Box(12, 12, 22, 22)(x, y); });
    EXPECT_EQ(rig.traceAll(), 2);
    const std::vector<PathView> paths = rig.paths();
    ASSERT_EQ(paths.size(), 2u);
    const art::PaintType shape = whiteLines ? art::PaintType::White : art::PaintType::Black;
    const art::PaintType hole = whiteLines ? art::PaintType::Black : art::PaintType::White;
    EXPECT_EQ(paths[0].fillType, shape);
    EXPECT_EQ(paths[0].fillColor, whiteLines ? art::kWhiteColor : art::kBlackColor);
    EXPECT_EQ(paths[1].fillType, hole);
    EXPECT_EQ(paths[1].fillColor, whiteLines ? art::kBlackColor : art::kWhiteColor);
    if (!whiteLines) {
      const GrayImage painted = Paint(rig);
      EXPECT_EQ(painted.at(8, 8), 0);      // the ring
      EXPECT_EQ(painted.at(17, 17), 255);  // the hole, painted white over it
    }
  }
  // A colour conversion takes its paint from the colour stage: the pen is left alone.
  FitRig rig;
  rig.build(16, 16);
  rig.env.state.colorPassActive = 1;
  rig.art.pen.color = 0x00123456;
  rig.art.pen.fillType = art::PaintType::Process;
  BeginOutlinePaint(rig.t());
  EXPECT_EQ(rig.art.pen.color, 0x00123456u);
  EXPECT_EQ(rig.art.pen.fillType, art::PaintType::Process);
  EXPECT_FALSE(rig.t().fit.pathStarted);
}

TEST(FitOutline, AOnePixelSpikeKeepsAWidthOfOnePixel) {
  // A square (10, 10)-(20, 20) with a spike one pixel wide along row 15 out to x = 30: the
  // polygon runs out to the tip and turns straight back (angle 0 at the tip).
  HandChain chain{10, 10, {}};
  for (auto [count, code] :
       {std::pair{10, 5}, {5, 7}, {10, 5}, {9, 1}, {1, 0}, {4, 7}, {10, 1}, {10, 3}})
    chain.codes.insert(chain.codes.end(), std::size_t(count), std::uint8_t(code));
  for (std::int16_t mode : {settings::kCurvedAndStraight, settings::kStraightOnly}) {
    FitRig rig;
    rig.settings.linesMode = mode;
    rig.build(48, 32);
    rig.loadOutline(chain, {0, 10, 15, 25, 34, 35, 39, 49});
    FitOutline(rig.t());
    const std::vector<PathView> paths = rig.paths();
    ASSERT_EQ(paths.size(), 1u);
    // The side out to the tip is moved one pixel to the left of travel first.
    const std::vector<Pt> anchors = paths[0].anchors();
    const auto tip = std::find_if(anchors.begin(), anchors.end(), [](Pt a) {
      return Same(a, {30, 15});
    });
    ASSERT_NE(tip, anchors.end());
    ASSERT_GE(tip - anchors.begin(), 2);
    EXPECT_TRUE(Same(tip[-2], Pt{20, 14}));
    EXPECT_TRUE(Same(tip[-1], Pt{30, 14}));

    // Painted, the spike is a strip of one row as long as the spike.
    const GrayImage painted = Paint(rig);
    int pixels = 0, rows = 0;
    for (int y = 0; y < painted.height; ++y) {
      int inRow = 0;
      for (int x = 21; x < painted.width; ++x) inRow += painted.at(x, y) == 0;
      pixels += inRow;
      rows += inRow > 0;
    }
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(pixels, 9);  // x = 21..29 beyond the square's painted columns
  }
}

TEST(FitOutline, WritesNothingOnceAborted) {
  {
    FitRig rig;
    rig.build(48, 48);
    rig.draw(Disc(20, 20, 10));
    rig.assembleFirst();
    rig.env.state.abortRequested = 1;
    FitOutline(rig.t());
    EXPECT_TRUE(rig.paths().empty());
  }
  {
    // The second outline cannot begin its path (the path table is full and too short to
    // discard from): the first path must not be extended by its sides.
    FitRig rig;
    rig.build(64, 32);
    rig.draw([](int x, int y) { return Disc(12, 12, 8)(x, y) || Disc(40, 12, 8)(x, y); });
    rig.art.maxPaths = 1;
    rig.traceAll();
    EXPECT_EQ(rig.env.state.abortRequested, 1);
    ASSERT_EQ(rig.env.ui.messages().size(), 1u);
    EXPECT_EQ(rig.env.ui.messages()[0], msg::Text(msg::kDisposalFailed));
    const std::vector<PathView> paths = rig.paths();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_LT(paths[0].anchors().back().x, 24);  // all of it still the first disc
  }
}

TEST(FitOutline, PagedWindowsGiveTheSamePaths) {
  // A ring and a wavy blob, once with the full work area and once with windows of a few units
  // (chain buffer 112 bytes, vertex window 14 records), which spill every array.
  auto picture = [](int x, int y) {
    const double dx = x - 30, dy = y - 30, r = std::hypot(dx, dy);
    const double a = std::atan2(dy, dx);
    return (r <= 24 + 2 * std::sin(7 * a) && r > 12) || Disc(70, 30, 10)(x, y);
  };
  std::vector<std::vector<std::uint16_t>> words[2];
  for (int pass = 0; pass < 2; ++pass) {
    FitRig rig;
    rig.build(96, 64, pass == 0 ? 0 : 256);
    rig.draw(picture);
    EXPECT_EQ(rig.traceAll(), 3);
    EXPECT_EQ(rig.env.state.abortRequested, 0);
    for (const art::PathRecord& p : art::pathsInUse(rig.art)) {
      std::span<const std::uint16_t> w = art::pointWords(p);
      words[pass].emplace_back(w.begin(), w.end());
    }
    if (pass == 1) {
      EXPECT_TRUE(rig.env.scratchExists("edgearr"));
      EXPECT_TRUE(rig.env.scratchExists("linarr"));
    }
  }
  EXPECT_EQ(words[0], words[1]);
}

}  // namespace
}  // namespace vl::engine::test
