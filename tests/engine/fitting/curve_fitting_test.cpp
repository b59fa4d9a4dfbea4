// Curve fitting. Pictures traced by the edge and assembly stages, checked by the paths they
// give in the three Lines modes, their paint and what the painted art covers; and the span
// tests on hand-placed chains, vertices and masks: third points, the mask corridor, and
// running a long polygon past its start.
#include <cmath>
#include <span>

#include "art/anchor_walk.h"
#include "engine/curve_fitting.h"
#include "tests/engine/engine_test_runtime.h"
#include "tests/support/art_rasterizer.h"

namespace vl::engine::test {
namespace {

struct Pt {
  double x = 0, y = 0;  // pixels
  bool operator==(const Pt&) const = default;
};
struct Segment {
  bool curve = false;
  Pt c1, c2, to;  // control points of a curve, and the anchor it ends at
};
struct PathView {
  Pt start;
  std::vector<Segment> segments;
  std::vector<Pt> anchors() const {
    std::vector<Pt> out{start};
    for (const Segment& s : segments) out.push_back(s.to);
    return out;
  }
};

std::vector<PathView> Paths(const TracerRig& rig) {
  std::vector<PathView> out;
  for (const art::PathRecord& record : art::pathsInUse(rig.art)) {
    std::span<const std::uint16_t> w = art::pointWords(record);
    auto pt = [&](std::size_t at) {
      return Pt{art::detail::X(w, at) / rig.kArtScale, art::detail::Y(w, at) / rig.kArtScale};
    };
    out.push_back({pt(0), {}});
    for (std::size_t at = 0, next;
         art::detail::HasAnchorAt(w, next = art::detail::NextAnchor(w, at)); at = next) {
      const bool curve = (w[at] & art::kCurveBit) != 0;
      out.back().segments.push_back(
          {curve, curve ? pt(at + 2) : Pt{}, curve ? pt(at + 4) : Pt{}, pt(next)});
    }
  }
  return out;
}

// The driver's outline loop: every boundary extracted, assembled and fitted.
void TraceAll(TracerRig& rig) {
  InitBoundaryScan(rig.t());
  while (ExtractNextBoundary(rig.t()) != 0) {
    EXPECT_TRUE(TraceOutlinePolygon(rig.t()));
    ComputeVertexAngles(rig.t());
    FitOutline(rig.t());
    RestoreShapeArea(rig.t());
  }
}

Pt PointAfter(const Chain& c, std::size_t codes) {
  Pt p{double(c.x), double(c.y)};
  for (std::size_t i = 0; i < codes; ++i)
    p = {p.x + kChainDx[c.codes[i]], p.y + kChainDy[c.codes[i]]};
  return p;
}

// The chain of an ink shape with vertices after the given numbers of codes (and the closing
// one after all codes) and their angles; with `mask`, the 5 x 5 block stamped at every chain
// point as edge extraction does.
void LoadOutline(TracerRig& rig, const Chain& c, std::vector<std::size_t> at, bool mask = true) {
  rig.load(c);
  rig.t().startPixel = 1;
  std::vector<Vertex> list;
  at.push_back(c.codes.size());
  for (std::size_t n : at)
    list.push_back({int(PointAfter(c, n).x), int(PointAfter(c, n).y), std::int64_t(4 + n), 0});
  rig.writeVertices(list);
  ComputeVertexAngles(rig.t());
  rig.t().vertices->setCursor(0);
  const BitPlaneView plane{image::layerRow(rig.image.spareLayer, rig.image, 0),
                           rig.image.bitRowBytes, rig.image.paddedWidth, rig.image.height};
  for (std::size_t n = 0; mask && n <= c.codes.size(); ++n)
    ApplyBlock5x5(plane, std::int32_t(PointAfter(c, n).x), std::int32_t(PointAfter(c, n).y),
                  BlockOp::kSet);
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

TEST(FitOutline, StraightOnlyWritesTheSidesAsLinesAndCurvedOnlyAsCurves) {
  for (const Ink& shape : {Box(5, 5, 16, 14), Disc(20, 20, 9)}) {
    TracerRig rig;
    rig.settings.linesMode = settings::kStraightOnly;
    rig.build(48, 48);
    rig.draw(shape);
    TraceAll(rig);
    // An anchor for every vertex up to the closing one (the two sides the fitter repeated
    // across the start point are not written again), each on the page half a pixel outward
    // of its pixel's centre: away from the shape's middle, by 0.5 (a straight run) to 0.71
    // pixels (a right-angled corner).
    const std::vector<PathView> paths = Paths(rig);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(rig.t().fit.extension, 2);
    const std::vector<Vertex> vertices = rig.vertices();
    const std::vector<Pt> anchors = paths[0].anchors();
    EXPECT_GE(vertices.size(), 5u + 2u);
    ASSERT_EQ(anchors.size(), vertices.size() - 2);
    const Pt middle = shape(20, 20) ? Pt{20.5, 20.5} : Pt{11, 10.5};
    for (std::size_t i = 0; i < anchors.size(); ++i) {
      const Pt centre{vertices[i].x + 0.5, vertices[i].y + 0.5};
      const double moved = std::hypot(anchors[i].x - centre.x, anchors[i].y - centre.y);
      // (Anchors are truncated to whole art units.)
      EXPECT_TRUE(moved >= 0.5 - 1 / rig.kArtScale && moved <= 0.71) << i << ": " << moved;
      EXPECT_GT(std::hypot(anchors[i].x - middle.x, anchors[i].y - middle.y),
                std::hypot(centre.x - middle.x, centre.y - middle.y));
    }
    for (const Segment& s : paths[0].segments) EXPECT_FALSE(s.curve);
  }
  // Curved only: straight sides become one-side spans, straight curves along the sides.
  TracerRig rig;
  rig.settings.linesMode = settings::kCurvedOnly;
  rig.build(48, 48);
  rig.draw(Box(6, 6, 20, 17));
  TraceAll(rig);
  const std::vector<PathView> paths = Paths(rig);
  ASSERT_EQ(paths.size(), 1u);
  ASSERT_EQ(paths[0].segments.size(), 4u);
  Pt from = paths[0].start;
  for (const Segment& s : paths[0].segments) {
    EXPECT_TRUE(s.curve);
    for (Pt c : {s.c1, s.c2})  // on the side, between its ends
      EXPECT_NEAR(std::hypot(c.x - from.x, c.y - from.y) + std::hypot(s.to.x - c.x, s.to.y - c.y),
                  std::hypot(s.to.x - from.x, s.to.y - from.y), 1.0 / 16);
    from = s.to;
  }
  EXPECT_EQ(from, paths[0].start);
  EXPECT_EQ(Mismatches(rig, Box(6, 6, 20, 17), 0), 0);
}

TEST(FitOutline, SquareKeepsItsCornersAndADiscBecomesAFewCurvesWithinAPixel) {
  TracerRig square;
  square.build(48, 48);
  square.draw(Box(8, 6, 27, 25));
  TraceAll(square);
  std::vector<PathView> paths = Paths(square);
  ASSERT_EQ(paths.size(), 1u);
  for (const Segment& s : paths[0].segments) EXPECT_FALSE(s.curve);
  std::set<std::pair<double, double>> corners;
  for (const Pt& a : paths[0].anchors()) corners.insert({a.x, a.y});  // nothing but the corners
  // On the page the pixels' outer edges: the last column and row end a pixel further on.
  EXPECT_EQ(corners, (std::set<std::pair<double, double>>{{8, 6}, {28, 6}, {28, 26}, {8, 26}}));
  EXPECT_EQ(Mismatches(square, Box(8, 6, 27, 25), 0), 0);

  for (double radius : {12.0, 20.0}) {
    SCOPED_TRACE(radius);
    TracerRig rig;
    rig.build(64, 64);
    rig.draw(Disc(31, 30, radius));
    TraceAll(rig);
    paths = Paths(rig);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_TRUE(paths[0].segments.size() >= 3 && paths[0].segments.size() <= 8);
    EXPECT_EQ(paths[0].start, paths[0].segments.back().to);  // closed through the start span
    for (const Segment& s : paths[0].segments) EXPECT_TRUE(s.curve);
    EXPECT_EQ(Mismatches(rig, Disc(31, 30, radius), 1), 0);
  }
}

TEST(FitOutline, LonePixelsAndOnePixelStrokesKeepTheirPixels) {
  // A lone pixel is the square of its pixel, in every mode but "Curved only" (nothing).
  for (std::int16_t mode :
       {settings::kCurvedAndStraight, settings::kStraightOnly, settings::kCurvedOnly}) {
    TracerRig rig;
    rig.settings.linesMode = mode;
    rig.build(32, 32);
    rig.draw(Box(9, 7, 9, 7));
    TraceAll(rig);
    const std::vector<PathView> paths = Paths(rig);
    ASSERT_EQ(paths.size(), mode == settings::kCurvedOnly ? 0u : 1u);
    for (const PathView& path : paths)
      EXPECT_EQ(path.anchors(), (std::vector<Pt>{{9, 7}, {10, 7}, {10, 8}, {9, 8}, {9, 7}}));
  }
  // Two pixels, strokes one pixel wide in both axes and on the diagonal, a box with a
  // one-pixel spike: painted back pixel for pixel (the diagonal within a pixel of its edges).
  const struct {
    const char* name;
    Ink ink;
    int edgeRadius;
  } cases[] = {
      {"two pixels", Box(9, 7, 10, 7), 0},
      {"strokes", [](int x, int y) { return Box(2, 3, 30, 3)(x, y) || Box(5, 8, 5, 29)(x, y); }, 0},
      {"spike", [](int x, int y) { return Box(10, 10, 20, 20)(x, y) || Box(21, 15, 28, 15)(x, y); }, 0},
      {"diagonal", [](int x, int y) { return x == y && x > 8 && x < 24; }, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TracerRig rig;
    rig.build(32, 32);
    rig.draw(c.ink);
    TraceAll(rig);
    EXPECT_GT(rig.art.count, 0);
    EXPECT_EQ(Mismatches(rig, c.ink, c.edgeRadius), 0);
  }
}

TEST(FitOutline, PaintsShapesBlackAndHolesWhiteSwappedByWhiteLines) {
  const Ink ring = [](int x, int y) {
    return Box(4, 4, 30, 30)(x, y) && !Box(12, 12, 22, 22)(x, y);
  };
  for (bool whiteLines : {false, true}) {
    TracerRig rig;
    rig.settings.set(settings::kWhiteLines, whiteLines);
    rig.build(48, 48);
    rig.draw(ring);
    TraceAll(rig);
    ASSERT_EQ(rig.art.count, 2);
    const art::PathRecord &shape = rig.art.paths[0], &hole = rig.art.paths[1];
    EXPECT_EQ(shape.fillType, whiteLines ? art::PaintType::White : art::PaintType::Black);
    EXPECT_EQ(shape.fillColor, whiteLines ? art::kWhiteColor : art::kBlackColor);
    EXPECT_EQ(hole.fillType, whiteLines ? art::PaintType::Black : art::PaintType::White);
    EXPECT_EQ(hole.fillColor, whiteLines ? art::kBlackColor : art::kWhiteColor);
    EXPECT_EQ(Mismatches(rig, ring, 0) == 0, !whiteLines);
  }
}

// The `end` of a span from the cursor vertex to vertex k.
constexpr std::int64_t Span(std::int64_t k) { return k * vertex_record::kWordsPerVertex; }

TEST(ThirdPoints, InterpolatesTheChainAtAThirdAndTwoThirdsOfItsLength) {
  TracerRig rig;
  rig.build(32, 32);
  // Right 3, down-right 2, down 1 from (10, 10), then back to the start.
  LoadOutline(rig, Chain{10, 10, {5, 5, 5, 6, 6, 7, 1, 1, 1, 1, 1, 3, 3, 3}}, {0, 3, 6});
  ThirdPoints(rig.t(), Span(2));  // vertex 0 (10, 10) to vertex 2 (15, 13): the first 6 codes
  const SpanFit& f = rig.t().fit.current;
  // L = 3 x 2378 + 2 x 3363 + 2378 = 16238; T1 = 16238 / 3 = 5412, T2 = 32476 / 3 = 10825.
  EXPECT_EQ(f.chainLength, 16238);
  // T1 falls in the third code, (12, 10) at 4756 to (13, 10) at 7134: weights 1722 and 656.
  EXPECT_DOUBLE_EQ(f.q1.x, (1722.0 * 12 + 656.0 * 13) / 2378.0);
  EXPECT_DOUBLE_EQ(f.q1.y, 10.0);
  // T2 falls in the fifth code, (14, 11) at 10497 to (15, 12) at 13860: weights 3035 and 328.
  EXPECT_DOUBLE_EQ(f.q2.x, (3035.0 * 14 + 328.0 * 15) / 3363.0);
  EXPECT_DOUBLE_EQ(f.q2.y, (3035.0 * 11 + 328.0 * 12) / 3363.0);
}

TEST(CurveFits, NeedsTheMaskAlongTheCurveAndEveryInnerVertexPassed) {
  TracerRig rig;
  rig.build(64, 32);
  // A straight chain along y = 10 from x = 5 to x = 25, stamped into the mask.
  LoadOutline(rig, Chain{5, 10, std::vector<std::uint8_t>(20, 5)}, {0});
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
      ClearBitAt(image::layerRow(rig.image.spareLayer, rig.image, y), x);
  EXPECT_FALSE(CurveFits(t, Span(2)));
}

TEST(ExtendAcrossStart, RepeatsTheFirstSidesWithOffsetsPast16Bits) {
  // A chain of 64000 codes with a vertex every 1000: vertices 1 to 3 are repeated after the
  // closing one with their offsets moved on by the chain's length (65004 to 67004), and the
  // chain grows by the codes repeated. Asking again for as many changes nothing.
  std::vector<std::size_t> at;
  TracerRig big;
  big.build(64, 16);
  Chain zigzag{20, 5, {}};
  for (int i = 0; i < 32000; ++i) zigzag.codes.insert(zigzag.codes.end(), {5, 1});
  for (std::size_t n = 0; n < 64000; n += 1000) at.push_back(n);
  LoadOutline(big, zigzag, at, false);
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
