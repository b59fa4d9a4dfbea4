// Close fit: the least-squares refinement of accepted curves, on point sets with a known
// answer and on traced shapes, where it must not cost segments, move end points or paint more
// pixels wrong than the default fit.
#include <cmath>
#include <random>

#include "art/anchor_walk.h"
#include "engine/close_fit.h"
#include "engine/curve_fitting.h"
#include "engine/outline_geometry.h"
#include "tests/engine/engine_test_runtime.h"
#include "tests/support/art_rasterizer.h"

namespace vl::engine::test {
namespace {

using P = art::PixelPoint;

P On(const CubicCurve& c, double u) {
  const double v = 1.0 - u;
  return {v * v * v * c.p0.x + 3 * u * v * v * c.c1.x + 3 * u * u * v * c.c2.x + u * u * u * c.p3.x,
          v * v * v * c.p0.y + 3 * u * v * v * c.c1.y + 3 * u * u * v * c.c2.y + u * u * u * c.p3.y};
}

// The squared distances to the curve summed by brute force (the curve finely flattened), so
// that the refinement is judged by another measure than its own.
double BruteError(const CubicCurve& c, const std::vector<P>& points) {
  std::vector<P> flat;
  for (int i = 0; i <= 4000; ++i) flat.push_back(On(c, i / 4000.0));
  double sum = 0;
  for (P p : points) {
    double best = 1e300;
    for (P q : flat) best = std::min(best, (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y));
    sum += best;
  }
  return sum;
}

TEST(OutwardShift, HalfAPixelAcrossTheMainAxisToTheLeftOfTravel) {
  // (dx, dy) of travel, y down; the background is on the left, so up for travel to the right.
  struct Case { double dx, dy, x, y; };
  const double d = 0.25;  // 0.5 / sqrt(2) along the diagonal normal
  const Case cases[] = {
      {3, 0, 0, -0.5},  {0, 5, 0.5, 0},    {-1, 0, 0, 0.5},   {0, -2, -0.5, 0},
      {4, 4, d, -d},    {-1, -1, -d, d},   {0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const art::PixelPoint s = OutwardShift(c.dx, c.dy);
    EXPECT_NEAR(s.x, c.x, 1e-12) << c.dx << "," << c.dy;
    EXPECT_NEAR(s.y, c.y, 1e-12) << c.dx << "," << c.dy;
  }
  // A side of slope 1/8 moves so that its line lies half a pixel higher: on the runs' edges.
  const art::PixelPoint shallow = OutwardShift(8, 1);
  EXPECT_NEAR(shallow.y - shallow.x / 8, -0.5, 1e-12);
}

TEST(RefineCurve, FindsTheCurveBehindItsPointsAndNeverRaisesTheError) {
  const CubicCurve truth{{0, 0}, {10, 25}, {40, 28}, {50, 0}};
  std::vector<P> exact;
  for (int i = 0; i <= 60; ++i) exact.push_back(On(truth, i / 60.0));
  std::mt19937 random(23);
  std::uniform_real_distribution<double> jitter(-6.0, 6.0), noise(-0.5, 0.5);
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    CubicCurve start = truth;
    start.c1 = {truth.c1.x + jitter(random), truth.c1.y + jitter(random)};
    start.c2 = {truth.c2.x + jitter(random), truth.c2.y + jitter(random)};
    // Points on the curve, and the same points rounded or jittered as pixels are.
    std::vector<P> noisy = exact, rounded = exact;
    for (P& p : noisy) p = {p.x + noise(random), p.y + noise(random)};
    for (P& p : rounded) p = {std::round(p.x), std::round(p.y)};
    for (const std::vector<P>* points : {&exact, &noisy, &rounded}) {
      const CubicCurve refined = RefineCurve(start, *points);
      EXPECT_EQ(refined.p0.x, start.p0.x);  // the ends stay
      EXPECT_EQ(refined.p3.y, start.p3.y);
      EXPECT_LE(BruteError(refined, *points), BruteError(start, *points) + 1e-9);
    }
    const CubicCurve found = RefineCurve(start, exact);
    EXPECT_LT(BruteError(found, exact), BruteError(start, exact) / 3);  // well on its way
  }
  // Too few points to say anything: the curve as it was.
  const std::vector<P> two{{0, 0}, {50, 0}};
  const CubicCurve same = RefineCurve(truth, two);
  EXPECT_EQ(same.c1.x, truth.c1.x);
  EXPECT_EQ(same.c2.y, truth.c2.y);
}

using Pt = std::pair<double, double>;
std::vector<std::vector<Pt>> Anchors(const TracerRig& rig) {
  std::vector<std::vector<Pt>> out;
  for (const art::PathRecord& record : art::PathsInUse(rig.art)) {
    std::span<const std::uint16_t> w = art::PointWords(record);
    auto pt = [&](std::size_t at) {
      return Pt{art::detail::X(w, at) / rig.kArtScale, art::detail::Y(w, at) / rig.kArtScale};
    };
    out.push_back({pt(0)});
    for (std::size_t at = 0, next;
         art::detail::HasAnchorAt(w, next = art::detail::NextAnchor(w, at)); at = next)
      out.back().push_back(pt(next));
  }
  return out;
}

// Traced and painted in one fit mode: the anchors and the pixels painted wrong.
std::pair<std::vector<std::vector<Pt>>, long> TraceIn(FitMode mode, const Ink& ink, int size) {
  TracerRig rig;
  rig.build(size, size);
  rig.t().fit.fitMode = mode;
  rig.draw(ink);
  InitBoundaryScan(rig.t());
  while (ExtractNextBoundary(rig.t()) != 0) {
    EXPECT_TRUE(TraceOutlinePolygon(rig.t()));
    ComputeVertexAngles(rig.t());
    FitOutline(rig.t());
    RestoreShapeArea(rig.t());
  }
  test_support::GrayImage input(size, size, 255);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) input.at(x, y) = ink(x, y) ? 0 : 255;
  const auto painted = test_support::RasterizeArtwork(rig.art, size, size, {rig.kArtScale, 1.0});
  return {Anchors(rig), test_support::MismatchesAwayFromEdges(input, painted, 0, 0)};
}

TEST(CloseFit, KeepsTheAnchorsAndPaintsNoMorePixelsWrong) {
  auto ellipse = [](double cx, double cy, double a, double b) {
    return [=](int x, int y) { return (x - cx) * (x - cx) / (a * a) + (y - cy) * (y - cy) / (b * b) <= 1; };
  };
  auto ring = [=](int x, int y) { return ellipse(40, 40, 34, 30)(x, y) && !ellipse(41, 39, 20, 14)(x, y); };
  struct Case { const char* name; Ink ink; };
  const Case cases[] = {
      {"disc", Disc(40, 40, 31)},
      {"ellipse", ellipse(40, 41, 36, 17)},
      {"ring", ring},
      {"blob", [](int x, int y) {
         const double a = std::atan2(y - 40.0, x - 40.0), r = std::hypot(x - 40.0, y - 40.0);
         return r <= 24 + 7 * std::sin(3 * a) + 3 * std::cos(5 * a);
       }},
  };
  long wrongDefault = 0, wrongClose = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto [anchorsDefault, offDefault] = TraceIn(FitMode::kDefault, c.ink, 80);
    const auto [anchorsClose, offClose] = TraceIn(FitMode::kClose, c.ink, 80);
    // The same segments; an anchor moves only with its curve's end tangent in the outward
    // offset, by less than half a pixel.
    ASSERT_EQ(anchorsDefault.size(), anchorsClose.size());
    for (std::size_t p = 0; p < anchorsDefault.size(); ++p) {
      ASSERT_EQ(anchorsDefault[p].size(), anchorsClose[p].size());
      for (std::size_t a = 0; a < anchorsDefault[p].size(); ++a) {
        EXPECT_LE(std::fabs(anchorsDefault[p][a].first - anchorsClose[p][a].first), 0.5);
        EXPECT_LE(std::fabs(anchorsDefault[p][a].second - anchorsClose[p][a].second), 0.5);
      }
    }
    EXPECT_LE(offClose, offDefault);
    wrongDefault += offDefault;
    wrongClose += offClose;
  }
  // Over the set it helps by more than a quarter: fitted to the pixels' outer edges, the
  // middles of bent curves no longer sit inside them.
  EXPECT_LT(wrongClose * 4, wrongDefault * 3) << wrongClose << " against " << wrongDefault;
}

}  // namespace
}  // namespace vl::engine::test
