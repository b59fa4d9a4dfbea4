// Close fit: the least-squares refinement of accepted curves, on point sets with a known
// answer and on traced shapes, where it must not drop anchors, move end points more than half
// a pixel or paint more pixels wrong than the default fit.
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
  int landed = 0;  // trials whose few rounds reach the curve, not just approach it
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
    landed += BruteError(found, exact) < BruteError(start, exact) / 100;
  }
  // Rounds that weigh the points' offsets along the curve as much as across it creep: under
  // half the trials land.
  EXPECT_GE(landed, 36);
  // Too few points to say anything: the curve as it was.
  const std::vector<P> two{{0, 0}, {50, 0}};
  const CubicCurve same = RefineCurve(truth, two);
  EXPECT_EQ(same.c1.x, truth.c1.x);
  EXPECT_EQ(same.c2.y, truth.c2.y);
}

// The refinement keeps a change only when its measure falls, and that is sound only because
// the measure never reports less than the true distances: each point is measured to a point
// of the curve. Curves bent back on themselves and points far off test the search's start.
TEST(CurveError, NeverBelowTheTrueErrorAndCloseToIt) {
  // On a loop or a cusp a point near the crossing is measured to its own branch, which may
  // lie farther than the other: there the measure is only bounded below.
  struct Case {
    const char* name;
    CubicCurve curve;
    bool simple;
  };
  const Case cases[] = {
      {"arc", {{0, 0}, {10, 25}, {40, 28}, {50, 0}}, true},
      {"s-bend", {{0, 0}, {30, 30}, {20, -30}, {50, 0}}, true},
      {"straight", {{0, 0}, {10, 0}, {30, 0}, {40, 0}}, true},
      {"loop", {{0, 0}, {60, 40}, {-10, 40}, {50, 0}}, false},
      {"cusp", {{0, 0}, {50, 30}, {0, 30}, {50, 0}}, false},
  };
  std::mt19937 random(1587);
  std::uniform_real_distribution<double> noise(-3.0, 3.0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<P> points;
    for (int i = 0; i <= 80; ++i) {
      const P on = On(c.curve, i / 80.0);
      points.push_back({on.x + noise(random), on.y + noise(random)});
    }
    std::vector<double> params(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) params[i] = double(i) / 80.0;
    const double measured = CurveError(c.curve, points, params);
    // The flattening's error exceeds the true one by far less than this.
    const double brute = BruteError(c.curve, points), slack = 1e-3 * points.size();
    EXPECT_GE(measured, brute - slack);
    if (c.simple) {
      EXPECT_LE(measured, brute * 1.02 + slack);
    }
    // The parameters left behind give the same sum: they are where each point was measured.
    double atParams = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const P q = On(c.curve, params[i]);
      atParams += (q.x - points[i].x) * (q.x - points[i].x) + (q.y - points[i].y) * (q.y - points[i].y);
    }
    EXPECT_NEAR(atParams, measured, 1e-6 * (1 + measured));
  }
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

// Traced and painted in one fit mode: the anchors, and the pixels painted wrong against
// `reference` (the ink itself when none is given).
std::pair<std::vector<std::vector<Pt>>, long> TraceIn(FitMode mode, const Ink& ink, int size,
                                                      const Ink& reference = nullptr) {
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
  const Ink& expected = reference ? reference : ink;
  test_support::GrayImage input(size, size, 255);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) input.at(x, y) = expected(x, y) ? 0 : 255;
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
    // Every anchor of the default fit is kept, in order, within half a pixel (an anchor moves
    // only with its curve's end tangent in the outward offset, or toward the pixels' edges);
    // a split at a hidden corner adds an anchor, at most half as many again.
    ASSERT_EQ(anchorsDefault.size(), anchorsClose.size());
    for (std::size_t p = 0; p < anchorsDefault.size(); ++p) {
      const auto& given = anchorsDefault[p];
      const auto& close = anchorsClose[p];
      EXPECT_LE(close.size(), given.size() + given.size() / 2 + 1);
      std::size_t at = 0;
      for (const Pt& a : given) {
        while (at < close.size() && (std::fabs(a.first - close[at].first) > 0.5 ||
                                     std::fabs(a.second - close[at].second) > 0.5))
          ++at;
        EXPECT_LT(at, close.size()) << "anchor (" << a.first << ", " << a.second << ") lost";
        ++at;
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


// A closed path of the given segments with each segment's points, as the placement hands
// RelaxAnchors a traced path.
PendingPath PathWithPoints(P start, const std::vector<PendingSegment>& segments,
                           const std::vector<std::vector<P>>& points) {
  PendingPath path;
  path.start = start;
  for (std::size_t k = 0; k < segments.size(); ++k) {
    PendingSegment s = segments[k];
    s.edgeBegin = static_cast<std::uint32_t>(path.edgePoints.size());
    path.edgePoints.insert(path.edgePoints.end(), points[k].begin(), points[k].end());
    s.edgeEnd = static_cast<std::uint32_t>(path.edgePoints.size());
    path.segments.push_back(s);
  }
  return path;
}

P AnchorOf(const PendingPath& path, std::size_t k) {
  return k == 0 ? path.start : path.segments[k - 1].to;
}
std::span<const P> PointsOf(const PendingPath& path, std::size_t k) {
  const PendingSegment& s = path.segments[k];
  return std::span<const P>(path.edgePoints).subspan(s.edgeBegin, s.edgeEnd - s.edgeBegin);
}
double ErrorOf(const PendingPath& path, std::size_t k) {
  return SegmentError(AnchorOf(path, k), path.segments[k], PointsOf(path, k));
}
// The same by brute force, for curves: not the relaxation's own measure.
double TrueErrorOf(const PendingPath& path, std::size_t k) {
  const PendingSegment& s = path.segments[k];
  if (!s.curve) return ErrorOf(path, k);
  const std::span<const P> points = PointsOf(path, k);
  return BruteError({AnchorOf(path, k), s.c1, s.c2, s.to}, {points.begin(), points.end()});
}

PendingSegment Line(P to) { return {{}, {}, to, false}; }
PendingSegment Curve(P c1, P c2, P to) { return {c1, c2, to, true}; }

std::vector<P> Samples(P from, const PendingSegment& s, int count) {
  std::vector<P> out;
  for (int i = 0; i <= count; ++i) {
    const double u = double(i) / count;
    out.push_back(s.curve ? On({from, s.c1, s.c2, s.to}, u)
                          : P{from.x + u * (s.to.x - from.x), from.y + u * (s.to.y - from.y)});
  }
  return out;
}

// The shape the points come from: a rounded box of two straight sides and two arcs.
struct Truth {
  P start;
  std::vector<PendingSegment> segments;
  std::vector<std::vector<P>> points;
};
Truth RoundedBox() {
  Truth t{{0, 0}, {Line({30, 0}), Curve({44, 0}, {44, 20}, {30, 20}), Line({0, 20}),
                   Curve({-14, 20}, {-14, 0}, {0, 0})},
          {}};
  for (std::size_t k = 0; k < t.segments.size(); ++k)
    t.points.push_back(Samples(k == 0 ? t.start : t.segments[k - 1].to, t.segments[k], 24));
  return t;
}

// Anchors moved off the shape, each curve's control points with them: the relaxation moves
// every anchor by half a pixel at most, raises no segment's error and lowers the sum.
TEST(RelaxAnchors, MovesAnchorsHalfAPixelAtMostAndRaisesNoSegmentsError) {
  const Truth truth = RoundedBox();
  std::mt19937 random(1583);
  std::uniform_real_distribution<double> off(-1.2, 1.2);
  double before = 0, after = 0;
  for (int trial = 0; trial < 60; ++trial) {
    SCOPED_TRACE(trial);
    std::vector<PendingSegment> segments = truth.segments;
    std::vector<P> moves;
    for (std::size_t k = 0; k < segments.size(); ++k) moves.push_back({off(random), off(random)});
    for (std::size_t k = 0; k < segments.size(); ++k) {
      const P m = moves[k], prev = moves[k == 0 ? segments.size() - 1 : k - 1];
      PendingSegment& s = segments[k];
      s.to = {s.to.x + m.x, s.to.y + m.y};
      s.c2 = {s.c2.x + m.x, s.c2.y + m.y};
      s.c1 = {s.c1.x + prev.x, s.c1.y + prev.y};
    }
    const P last = moves.back();
    PendingPath path = PathWithPoints({truth.start.x + last.x, truth.start.y + last.y}, segments,
                                      truth.points);
    const PendingPath given = path;
    RelaxAnchors(path, kMaxAnchorMove);
    ASSERT_EQ(path.segments.size(), given.segments.size());
    EXPECT_EQ(path.start.x, path.segments.back().to.x);
    EXPECT_EQ(path.start.y, path.segments.back().to.y);
    for (std::size_t k = 0; k < path.segments.size(); ++k) {
      const P a = AnchorOf(given, k), b = AnchorOf(path, k);
      EXPECT_LE(std::hypot(a.x - b.x, a.y - b.y), kMaxAnchorMove + 1e-12) << "anchor " << k;
      EXPECT_LE(ErrorOf(path, k), ErrorOf(given, k) + 1e-9) << "segment " << k;
      EXPECT_LE(TrueErrorOf(path, k), TrueErrorOf(given, k) + 1e-3) << "segment " << k;
      before += ErrorOf(given, k);
      after += ErrorOf(path, k);
    }
  }
  EXPECT_LT(after * 2, before) << after << " against " << before;
}

// The nearest-point parameters a path arrives with only start the search: whether there are
// none, rough ones (each point's share of its span) or searched ones, the anchors keep the
// half-pixel limit and no segment's true error rises; from a search, or without any, the
// parameters handed on for each curve give, point by point, distances that sum to its true
// error (rough ones are only followed, so they may stay rough).
TEST(RelaxAnchors, ArrivingParametersOnlyStartTheSearchAndLeaveAsNearestPoints) {
  const Truth truth = RoundedBox();
  enum class Known { kNone, kShare, kSearched };
  for (const Known known : {Known::kNone, Known::kShare, Known::kSearched}) {
    SCOPED_TRACE(static_cast<int>(known));
    std::mt19937 random(1584);
    std::uniform_real_distribution<double> off(-1.0, 1.0);
    for (int trial = 0; trial < 20; ++trial) {
      SCOPED_TRACE(trial);
      std::vector<PendingSegment> segments = truth.segments;
      const P m{off(random), off(random)};
      // The second curve's end moved, its control point with it.
      segments[1].to = {segments[1].to.x + m.x, segments[1].to.y + m.y};
      segments[1].c2 = {segments[1].c2.x + m.x, segments[1].c2.y + m.y};
      PendingPath path = PathWithPoints(truth.start, segments, truth.points);
      path.edgeParams.assign(path.edgePoints.size(), -1.0);
      for (std::size_t k = 0; k < path.segments.size(); ++k) {
        const PendingSegment& s = path.segments[k];
        if (!s.curve || known == Known::kNone) continue;
        const std::span<const P> points = PointsOf(path, k);
        std::vector<double> params(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) params[i] = double(i) / double(points.size() - 1);
        if (known == Known::kSearched) (void)CurveError({AnchorOf(path, k), s.c1, s.c2, s.to}, points, params);
        std::copy(params.begin(), params.end(), path.edgeParams.begin() + s.edgeBegin);
      }
      const PendingPath given = path;
      RelaxAnchors(path, kMaxAnchorMove);
      ASSERT_EQ(path.segments.size(), given.segments.size());
      ASSERT_EQ(path.edgeParams.size(), path.edgePoints.size());
      for (std::size_t k = 0; k < path.segments.size(); ++k) {
        const P a = AnchorOf(given, k), b = AnchorOf(path, k);
        EXPECT_LE(std::hypot(a.x - b.x, a.y - b.y), kMaxAnchorMove + 1e-12) << "anchor " << k;
        const double trueError = TrueErrorOf(path, k);
        // The relaxation's own measure is followed, not converged: within its precision.
        EXPECT_LE(trueError, TrueErrorOf(given, k) + 1e-2) << "segment " << k;
        const PendingSegment& s = path.segments[k];
        if (!s.curve || known == Known::kShare) continue;
        const CubicCurve c{AnchorOf(path, k), s.c1, s.c2, s.to};
        const std::span<const P> points = PointsOf(path, k);
        double followed = 0.0;
        for (std::size_t i = 0; i < points.size(); ++i) {
          const double u = path.edgeParams[s.edgeBegin + i];
          ASSERT_GE(u, 0.0);
          ASSERT_LE(u, 1.0);
          const P q = On(c, u);
          followed += (q.x - points[i].x) * (q.x - points[i].x) + (q.y - points[i].y) * (q.y - points[i].y);
        }
        // Within a hundredth of a pixel at each point; points given the wrong parameters are pixels off.
        EXPECT_NEAR(followed, trueError, 1e-2 + 1e-2 * trueError) << "segment " << k;
      }
    }
  }
}

// A curve rounding off a corner of its points is split at the corner into two curves through
// it; a curve within the limit, or without budget, stays.
TEST(SplitStrayCurves, SplitsAtAHiddenCornerOnlyWhenItStraysAndBudgetAllows) {
  // Points along two sides meeting at (20, 0), and a curve that cuts the corner.
  std::vector<P> corner;
  for (int i = 0; i <= 20; ++i) corner.push_back({double(i), 0});
  for (int i = 1; i <= 20; ++i) corner.push_back({20, double(i)});
  const PendingSegment cut = Curve({12, 0}, {20, 8}, {20, 20});
  // Points on the curve itself, nowhere more than the limit away.
  const std::vector<P> onCurve = Samples({0, 0}, cut, 40);
  struct Case {
    const char* name;
    std::vector<P> points;
    int budget;
    bool splits;
  };
  const Case cases[] = {
      {"corner", corner, 1, true},
      {"no budget", corner, 0, false},
      {"within the limit", onCurve, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The curve, then a line back to close the path (lines are never split).
    PendingPath path = PathWithPoints({0, 0}, {cut, Line({0, 0})}, {c.points, {{20, 20}, {0, 0}}});
    const PendingPath given = path;
    const double before = TrueErrorOf(given, 0);
    EXPECT_EQ(SplitStrayCurves(path, kStrayLimit, c.budget), c.splits ? 1 : 0);
    ASSERT_EQ(path.segments.size(), given.segments.size() + (c.splits ? 1 : 0));
    EXPECT_EQ(path.start.x, given.start.x);
    EXPECT_EQ(path.segments.back().to.y, given.segments.back().to.y);
    if (!c.splits) continue;
    // The new anchor is the corner point; the halves share it and hold all the points.
    EXPECT_EQ(path.segments[0].to.x, 20);
    EXPECT_EQ(path.segments[0].to.y, 0);
    EXPECT_EQ(path.segments[1].to.x, 20);
    EXPECT_EQ(path.segments[1].to.y, 20);
    EXPECT_EQ(path.segments[0].edgeBegin, given.segments[0].edgeBegin);
    EXPECT_EQ(path.segments[0].edgeEnd - 1, path.segments[1].edgeBegin);
    EXPECT_EQ(path.segments[1].edgeEnd, given.segments[0].edgeEnd);
    const double after = TrueErrorOf(path, 0) + TrueErrorOf(path, 1);
    EXPECT_LT(after * 20, before) << after << " against " << before;
  }
}

// A half of four points, one beside its start, is met exactly by control points thousands of
// pixels off, the curve looping out between its points where the error does not look: the
// halves' control points stay near their points.
TEST(SplitStrayCurves, HalvesKeepTheirControlPointsNearTheirPoints) {
  // Three points and a corner, then a run straight down. The point after the start lies across
  // the curve's start direction: its nearest parameter is next to 0.
  std::vector<P> points{{12, 10.5}, {11.15, 9.45}, {10.2, 10.4}, {9.25, 11.25}};
  std::vector<double> params{0, 3.64e-5, 0.309, 0.5};
  for (int i = 1; i <= 8; ++i) {
    points.push_back({9.25, 11.25 + i});
    params.push_back(0.5 + i / 16.0);
  }
  const P end = points.back();
  PendingPath path = PathWithPoints({12, 10.5}, {Curve({9.963, 12.1485}, {9.25, 15}, end), Line({12, 10.5})},
                                    {points, {end, {12, 10.5}}});
  path.edgeParams.assign(path.edgePoints.size(), -1.0);
  std::copy(params.begin(), params.end(), path.edgeParams.begin());
  ASSERT_EQ(SplitStrayCurves(path, kStrayLimit, 1), 1);
  for (std::size_t k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    for (const P c : {path.segments[k].c1, path.segments[k].c2}) {
      EXPECT_GT(c.x, 9.25 - 5);
      EXPECT_LT(c.x, 12 + 5);
      EXPECT_GT(c.y, 9.45 - 5);
      EXPECT_LT(c.y, 19.25 + 5);
    }
  }
}

// A corner a pixel off its sides' meeting point moves half a pixel toward it, no further; an
// anchor already on its points stays exactly where it is.
TEST(RelaxAnchors, TheHalfPixelLimitBindsAndExactAnchorsStay) {
  const std::vector<PendingSegment> square{Line({20, 0}), Line({20, 20}), Line({0, 20}),
                                           Line({0, 0})};
  std::vector<std::vector<P>> points;
  for (std::size_t k = 0; k < square.size(); ++k)
    points.push_back(Samples(k == 0 ? P{0, 0} : square[k - 1].to, square[k], 20));
  std::vector<PendingSegment> off = square;
  off[0].to = {20.6, -0.6};  // the top right corner, 0.85 pixels out
  PendingPath path = PathWithPoints({0, 0}, off, points);
  RelaxAnchors(path, kMaxAnchorMove);
  const P moved = path.segments[0].to;
  EXPECT_NEAR(std::hypot(moved.x - 20.6, moved.y + 0.6), kMaxAnchorMove, 1e-9);
  EXPECT_LT(std::hypot(moved.x - 20, moved.y), std::hypot(0.6, 0.6) - 0.4);
  for (std::size_t k : {0u, 2u, 3u}) {
    EXPECT_EQ(AnchorOf(path, k).x, AnchorOf(PathWithPoints({0, 0}, off, points), k).x);
    EXPECT_EQ(AnchorOf(path, k).y, AnchorOf(PathWithPoints({0, 0}, off, points), k).y);
  }
  for (const PendingSegment& s : path.segments) EXPECT_FALSE(s.curve);  // sides stay straight
}

// A straight side whose points leave it by more than half a pixel (a run, then a slope at its
// end, as between two polygon vertices placed off the run) becomes the curve along them; one
// within half a pixel of its points stays a line.
TEST(RelaxAnchors, OnlyASideThatPaintsPixelsWrongBends) {
  struct Case { const char* name; double drop; bool bends; };
  const Case cases[] = {{"two pixels down at the end", 2.0, true},
                        {"a pixel down at the end", 1.0, true},
                        {"a third of a pixel down", 0.3, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The top side's points: flat for 40 pixels, then down by `drop` over the last 6.
    std::vector<P> top;
    for (int x = 0; x <= 46; ++x) top.push_back({double(x), x <= 40 ? 0.0 : c.drop * (x - 40) / 6});
    const std::vector<PendingSegment> sides{Line({46, c.drop}), Line({46, 30}), Line({0, 30}),
                                            Line({0, 0})};
    std::vector<std::vector<P>> points{top};
    for (std::size_t k = 1; k < sides.size(); ++k) points.push_back(Samples(sides[k - 1].to, sides[k], 20));
    PendingPath path = PathWithPoints({0, 0}, sides, points);
    const double given = ErrorOf(path, 0);
    RelaxAnchors(path, 0.0);  // the anchors held: only the side's own shape may change
    EXPECT_EQ(path.segments[0].curve, c.bends);
    if (c.bends) {
      EXPECT_LT(ErrorOf(path, 0) * 2, given);
    }
    for (std::size_t k = 1; k < path.segments.size(); ++k) EXPECT_FALSE(path.segments[k].curve);
  }
}

long CloseMismatches(const Ink& ink, const Ink& reference, int size) {
  return TraceIn(FitMode::kClose, ink, size, reference).second;
}

// What close fit reaches per shape family, in pixels painted wrong per hundred boundary pixels
// of the shape: axis-aligned and 45-degree shapes none; curves about a tenth (the default fit
// a quarter), a lobed blob and thin slanted strokes, whose rows alternate in width, a third.
// The same painting against the ink moved by one pixel, or with its hole filled in, breaks
// each bound.
TEST(CloseFit, FidelityBoundsPerShapeFamily) {
  auto minus = [](Ink a, Ink b) { return Ink([=](int x, int y) { return a(x, y) && !b(x, y); }); };
  auto diamond = [](int cx, int cy, int r) {
    return Ink([=](int x, int y) { return std::abs(x - cx) + std::abs(y - cy) <= r; });
  };
  auto ellipse = [](double cx, double cy, double a, double b) {
    return Ink([=](int x, int y) { return (x - cx) * (x - cx) / (a * a) + (y - cy) * (y - cy) / (b * b) <= 1; });
  };
  // A stroke `width` pixels across along the line from (x0, y0) to (x1, y1).
  auto stroke = [](double x0, double y0, double x1, double y1, double width) {
    return Ink([=](int x, int y) {
      const double dx = x1 - x0, dy = y1 - y0, length = std::hypot(dx, dy);
      const double along = ((x - x0) * dx + (y - y0) * dy) / length;
      const double across = std::fabs((x - x0) * dy - (y - y0) * dx) / length;
      return along >= 0 && along <= length && across <= width / 2;
    });
  };
  // `perHundred`: the bound; `hole`: the ink without its hole, when it has one.
  struct Case { const char* name; Ink ink; double perHundred; Ink hole; };
  const Case cases[] = {
      {"frame", minus(Box(5, 5, 64, 50), Box(13, 12, 55, 42)), 0, Box(5, 5, 64, 50)},
      {"diamond ring", minus(diamond(36, 36, 30), diamond(36, 36, 14)), 0, diamond(36, 36, 30)},
      // Off the grid's symmetry: centred on a pixel, each choice the fit makes comes four or
      // eight times round the disc, and the count moves in steps that size.
      {"disc", Disc(36.29, 35.83, 29), 9, nullptr},
      {"ellipse ring", minus(ellipse(36, 36, 32, 24), ellipse(37, 35, 18, 11)), 9,
       ellipse(36, 36, 32, 24)},
      {"blob", [](int x, int y) {
         const double a = std::atan2(y - 36.0, x - 36.0), r = std::hypot(x - 36.0, y - 36.0);
         return r <= 24 + 7 * std::sin(3 * a) + 3 * std::cos(5 * a);
       }, 32, nullptr},
      {"thin strokes", [=](int x, int y) {
         return stroke(4, 10, 68, 30, 2.2)(x, y) || stroke(6, 60, 66, 40, 1.6)(x, y);
       }, 35, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    long boundary = 0;  // ink pixels with a background neighbour across a side
    for (int y = 0; y < 72; ++y)
      for (int x = 0; x < 72; ++x)
        boundary += c.ink(x, y) && (!c.ink(x - 1, y) || !c.ink(x + 1, y) || !c.ink(x, y - 1) ||
                                    !c.ink(x, y + 1));
    const double bound = c.perHundred * boundary / 100.0;
    const long wrong = CloseMismatches(c.ink, c.ink, 72);
    EXPECT_LE(wrong, bound) << wrong << " wrong of " << boundary << " boundary pixels";
    const Ink shifted = [&](int x, int y) { return c.ink(x - 1, y); };
    EXPECT_GT(CloseMismatches(c.ink, shifted, 72), bound);
    if (c.hole) {
      EXPECT_GT(CloseMismatches(c.ink, c.hole, 72), bound);
    }
  }
}

}  // namespace
}  // namespace vl::engine::test
