// Curve fitting. Pictures traced by the edge and assembly stages, checked by the paths they
// give in the three Lines modes and what the painted art covers; and the span tests on
// hand-placed chains, vertices and masks: the mask corridor, and running a long polygon past
// its start.
#include <cmath>
#include <span>
#include <string>

#include "art/anchor_walk.h"
#include "engine/curve_fitting.h"
#include "tests/engine/engine_test_runtime.h"
#include "tests/support/art_rasterizer.h"

namespace vl::engine::test {
namespace {

using Pt = std::pair<double, double>;  // pixels
struct PathView {
  std::vector<Pt> anchors;   // the start, then the anchor each segment ends at
  std::vector<bool> curves;  // per segment
};

std::vector<PathView> Paths(const TracerRig& rig) {
  std::vector<PathView> out;
  for (const art::PathRecord& record : art::PathsInUse(rig.art)) {
    std::span<const std::uint16_t> w = art::PointWords(record);
    auto pt = [&](std::size_t at) {
      return Pt{art::detail::X(w, at) / rig.kArtScale, art::detail::Y(w, at) / rig.kArtScale};
    };
    out.push_back({{pt(0)}, {}});
    for (std::size_t at = 0, next;
         art::detail::HasAnchorAt(w, next = art::detail::NextAnchor(w, at)); at = next) {
      out.back().curves.push_back((w[at] & art::kCurveBit) != 0);
      out.back().anchors.push_back(pt(next));
    }
  }
  return out;
}

// `ink` in a size x size image through the driver's outline loop: every boundary extracted,
// assembled and fitted.
void TraceAll(TracerRig& rig, int size, const Ink& ink) {
  rig.build(size, size);
  rig.draw(ink);
  InitBoundaryScan(rig.t());
  while (ExtractNextBoundary(rig.t()) != 0) {
    EXPECT_TRUE(TraceOutlinePolygon(rig.t()));
    ComputeVertexAngles(rig.t());
    FitOutline(rig.t());
    RestoreShapeArea(rig.t());
  }
}

// Painted, every pixel is the ink's colour (or a pixel off at most `edgeRadius` from the ink's
// edges).
long Mismatches(const TracerRig& rig, const Ink& ink, int edgeRadius) {
  test_support::GrayImage input(rig.image.width, rig.image.height, 255);
  for (int y = 0; y < input.height; ++y)
    for (int x = 0; x < input.width; ++x) input.at(x, y) = ink(x, y) ? 0 : 255;
  const auto painted =
      test_support::RasterizeArtwork(rig.art, input.width, input.height, {rig.kArtScale, 1.0});
  return test_support::MismatchesAwayFromEdges(input, painted, 0, edgeRadius);
}

TEST(FitOutline, EachLinesModeWritesItsKindOfSegmentAndPaintsTheShape) {
  // A square keeps its corners; discs become a few curves; "Curved only" turns straight sides
  // into straight curves along them.
  // `curves`: every segment a curve, or none; `fewest`, `most`: segments; `edgeRadius`: pixels.
  struct Case { std::int16_t mode; Ink ink; bool curves; unsigned fewest, most; int edgeRadius; };
  const Case cases[] = {
      {settings::kCurvedAndStraight, Box(8, 6, 27, 25), false, 4, 4, 0},
      {settings::kCurvedAndStraight, Disc(31, 30, 12), true, 3, 8, 1},
      {settings::kCurvedAndStraight, Disc(31, 30, 20), true, 3, 8, 1},
      {settings::kStraightOnly, Box(5, 5, 16, 14), false, 4, 4, 0},
      {settings::kStraightOnly, Disc(20, 20, 9), false, 4, 1000, 1},
      {settings::kCurvedOnly, Box(6, 6, 20, 17), true, 4, 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    TracerRig rig;
    rig.settings.linesMode = c.mode;
    TraceAll(rig, 64, c.ink);
    const std::vector<PathView> paths = Paths(rig);
    ASSERT_EQ(paths.size(), 1u);
    const PathView& p = paths[0];
    EXPECT_TRUE(p.curves.size() >= c.fewest && p.curves.size() <= c.most) << p.curves.size();
    EXPECT_EQ(p.curves, std::vector<bool>(p.curves.size(), c.curves));
    EXPECT_EQ(p.anchors.front(), p.anchors.back());  // closed by the start span
    EXPECT_EQ(Mismatches(rig, c.ink, c.edgeRadius), 0);
    if (&c == cases) {  // the corners on the pixels' outer edges: the last column and row
      EXPECT_EQ(std::set<Pt>(p.anchors.begin(), p.anchors.end()),  // end a pixel further on
                (std::set<Pt>{{8, 6}, {28, 6}, {28, 26}, {8, 26}}));
    }
  }
}

TEST(FitOutline, LonePixelsAndOnePixelStrokesKeepTheirPixels) {
  // Painted back pixel for pixel (the diagonal within a pixel of its edges).
  struct Case { const char* name; Ink ink; int edgeRadiusPixels; };
  const Case cases[] = {
      {"lone pixel", Box(9, 7, 9, 7), 0},
      {"two pixels", Box(9, 7, 10, 7), 0},
      {"strokes", [](int x, int y) { return Box(2, 3, 30, 3)(x, y) || Box(5, 8, 5, 29)(x, y); }, 0},
      {"spike",
       [](int x, int y) { return Box(10, 10, 20, 20)(x, y) || Box(21, 15, 28, 15)(x, y); }, 0},
      {"diagonal", [](int x, int y) { return x == y && x > 8 && x < 24; }, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TracerRig rig;
    TraceAll(rig, 32, c.ink);
    EXPECT_GT(rig.art.count, 0);
    EXPECT_EQ(Mismatches(rig, c.ink, c.edgeRadiusPixels), 0);
  }
}

// Painted at `scale` times the image's resolution (each pixel a scale x scale block of
// samples), the samples that differ from the ink's pixels. An outline on the pixels' edges
// misses none: its coordinates are whole sixteenths and the samples lie between them.
long FineMismatches(const TracerRig& rig, const Ink& ink, int scale) {
  const int width = rig.image.width * scale, height = rig.image.height * scale;
  test_support::GrayImage input(width, height, 255);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) input.at(x, y) = ink(x / scale, y / scale) ? 0 : 255;
  const auto painted =
      test_support::RasterizeArtwork(rig.art, width, height, {rig.kArtScale / scale, 1.0});
  return test_support::MismatchesAwayFromEdges(input, painted, 0, 0);
}

Ink Minus(Ink a, Ink b) { return [=](int x, int y) { return a(x, y) && !b(x, y); }; }
Ink Plus(Ink a, Ink b) { return [=](int x, int y) { return a(x, y) || b(x, y); }; }

// Where the outline lands. Shapes of axis-aligned sides coincide with their pixels' edges:
// painted at 16 times the resolution they cover exactly their own pixels, holes included.
// Shapes of 45-degree sides cover exactly their pixels at the image's resolution. Inner
// corners (where the boundary chain cuts the corner pixel with a diagonal step) are exact in
// "Straight only", where the polygon's sides are written as they are; the other modes may
// round them with a curve. The same paintings compared with the ink moved by one pixel, or
// with a hole filled in, show that each bound bites.
TEST(FitOutline, AxisAndDiagonalShapesLandOnTheirPixelEdges) {
  auto diamond = [](int cx, int cy, int r) {
    return Ink([=](int x, int y) { return std::abs(x - cx) + std::abs(y - cy) <= r; });
  };
  // `scale`: samples per pixel side the painting is checked at; `inner`: has inner corners.
  struct Case { const char* name; Ink ink; int scale; bool inner; };
  const Case cases[] = {
      {"frame", Minus(Box(5, 5, 34, 30), Box(11, 12, 27, 24)), 16, false},
      {"window", Minus(Box(4, 4, 36, 36), Plus(Box(8, 8, 18, 18), Box(22, 22, 32, 32))), 16, false},
      {"L", Plus(Box(6, 6, 12, 30), Box(6, 24, 30, 30)), 16, true},
      {"plus", Plus(Box(16, 4, 23, 36), Box(4, 15, 36, 22)), 16, true},
      {"U", Minus(Box(5, 6, 33, 32), Box(12, 4, 26, 25)), 16, true},
      {"stairs", [](int x, int y) { return x >= 4 && y <= 36 && y >= 4 + 8 * ((x - 4) / 8); }, 16,
       true},
      {"diamond", diamond(20, 20, 13), 1, false},
      {"diamond ring", Minus(diamond(20, 20, 15), diamond(20, 20, 7)), 1, false},
      {"triangle", [](int x, int y) { return y >= 6 && y <= 30 && x >= 6 && x - 6 <= y - 6; }, 1,
       false},
  };
  for (const Case& c : cases) {
    for (std::int16_t mode :
         {settings::kCurvedAndStraight, settings::kStraightOnly, settings::kCurvedOnly}) {
      if (c.inner && mode != settings::kStraightOnly) continue;
      SCOPED_TRACE(std::string(c.name) + " mode " + std::to_string(mode));
      TracerRig rig;
      rig.settings.linesMode = mode;
      TraceAll(rig, 42, c.ink);
      EXPECT_EQ(FineMismatches(rig, c.ink, c.scale), 0);
      const Ink shifted = [&](int x, int y) { return c.ink(x - 1, y); };
      EXPECT_GT(FineMismatches(rig, shifted, c.scale), 0);
    }
  }
  // A hole lost (the ring traced without it) breaks the bound of the ring.
  TracerRig rig;
  TraceAll(rig, 42, diamond(20, 20, 15));
  EXPECT_GT(Mismatches(rig, Minus(diamond(20, 20, 15), diamond(20, 20, 7)), 0), 0);
}

// An outer corner cut by one pixel is a notch, not an inner corner: its diagonal step turns
// away from the background, so the side is not placed as its run, which would fill the notch.
TEST(FitOutline, ANotchedCornerStaysCut) {
  const Ink notched = Minus(Box(6, 6, 30, 28), Box(6, 6, 6, 6));
  for (std::int16_t mode : {settings::kCurvedAndStraight, settings::kStraightOnly}) {
    SCOPED_TRACE(mode);
    TracerRig rig;
    rig.settings.linesMode = mode;
    TraceAll(rig, 40, notched);
    const auto painted = test_support::RasterizeArtwork(rig.art, 40, 40, {rig.kArtScale, 1.0});
    EXPECT_EQ(painted.at(6, 6), 255);
    EXPECT_EQ(painted.at(7, 7), 0);
  }
}

// The `end` of a span from the cursor vertex to vertex k.
constexpr std::int64_t Span(std::int64_t k) { return k * vertex_record::kWordsPerVertex; }

TEST(CurveFits, NeedsTheMaskAlongTheCurveAndEveryInnerVertexPassed) {
  TracerRig rig;
  rig.build(64, 32);
  // A straight chain along y = 10 from x = 5 to x = 25, stamped into the mask.
  rig.load(Chain{5, 10, std::vector<std::uint8_t>(20, 5)});
  const BitPlaneView mask{image::LayerRow(rig.image.spareLayer, rig.image, 0),
                          rig.image.bitRowBytes, rig.image.paddedWidth, rig.image.height};
  for (int x = 5; x <= 25; ++x) ApplyBlock5x5(mask, x, 10, BlockOp::kSet);
  Tracer& t = rig.t();
  SpanFit& f = t.fit.current;
  f = {0, {5, 10}, {5 + 20.0 / 3, 10}, {5 + 40.0 / 3, 10}, {25, 10}, {}, {}, 20 * 2378};
  SetControlPoints(f);
  auto inner = [&](std::vector<std::pair<int, int>> points) {
    std::vector<Vertex> list;
    for (auto [x, y] : points) list.push_back({x, y, std::int64_t(4 + 4 * list.size()), 180});
    rig.writeVertices(list);
  };
  // An inner vertex on the curve passes in both units; one 2 pixels off it (d^2 = 4, above
  // the 2.5 square pixels of Tolerance 3) only passes when the 16.16 value is read as is.
  for (VertexHitUnits units : {VertexHitUnits::kSquarePixels, VertexHitUnits::kHistorical}) {
    t.fit.hitUnits = units;
    inner({{5, 10}, {15, 11}, {25, 10}});
    EXPECT_TRUE(CurveFits(t, Span(2)));
    inner({{5, 10}, {12, 10}, {15, 12}, {25, 10}});
    EXPECT_EQ(CurveFits(t, Span(3)), units == VertexHitUnits::kHistorical);
  }
  inner({{5, 10}, {15, 10}, {25, 10}});
  ASSERT_TRUE(CurveFits(t, Span(2)));
  // A gap of three columns in the corridor fails the fit: samples fall at most 2 pixels apart.
  for (int y = 8; y <= 12; ++y)
    for (int x = 14; x <= 16; ++x)
      ClearBitAt(image::LayerRow(rig.image.spareLayer, rig.image, y), x);
  EXPECT_FALSE(CurveFits(t, Span(2)));
}

TEST(ExtendAcrossStart, RepeatsTheFirstSidesWithOffsetsPast16Bits) {
  // A chain of 64000 codes, right and back, with a vertex every 1000: vertices 1 to 3 are
  // repeated after the closing one with their offsets moved on by the chain's length (65004
  // to 67004), and the chain grows by the codes repeated. Asking again changes nothing.
  TracerRig big;
  big.build(64, 16);
  Chain zigzag{20, 5, {}};
  for (int i = 0; i < 32000; ++i) zigzag.codes.insert(zigzag.codes.end(), {5, 1});
  big.load(zigzag);
  std::vector<Vertex> vertices;
  for (std::int64_t n = 0; n <= 64000; n += 1000) vertices.push_back({20, 5, 4 + n, 0});
  big.writeVertices(vertices);
  ComputeVertexAngles(big.t());
  for (int attempt = 0; attempt < 2; ++attempt) {
    ExtendAcrossStart(big.t(), 3);
    EXPECT_EQ(big.t().fit.extension, 3);
    const std::vector<Vertex> list = big.vertices();
    ASSERT_EQ(list.size(), 68u);
    for (int k = 1; k <= 3; ++k) {
      EXPECT_EQ(list[64 + k].chainOffset, 64004 + 1000 * k);
      EXPECT_EQ((std::pair{list[64 + k].x, list[64 + k].y}), (std::pair{list[k].x, list[k].y}));
    }
    EXPECT_EQ(big.t().chain->lengthBytes(), 64005 + 3000);
    EXPECT_EQ(big.t().chain->byteAt(67003), zigzag.codes[2999]);
    EXPECT_EQ(big.t().chain->byteAt(67004), kChainEnd);
  }
  EXPECT_EQ(big.env.state.abortRequested, 0);
}

}  // namespace
}  // namespace vl::engine::test
