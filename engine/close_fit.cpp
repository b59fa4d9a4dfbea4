// Least-squares refinement of accepted curves (close fit).
#include "engine/close_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "engine/curve_fitting.h"
#include "engine/edge_extraction.h"
#include "engine/fitting_vertices.h"
#include "engine/outline_geometry.h"

namespace vl::engine {

using namespace fitting;

namespace {

using P = art::PixelPoint;

constexpr int kNewtonSteps = 1;
constexpr int kCoarseSamples = 16;
constexpr int kSearchReach = 1;  // coarse samples either side of a point's parameter
constexpr int kRounds = 2;  // least-squares solves, each after the parameters moved
// A round that lowers the error by less than this share of it ends the rounds: the control
// points have settled, and further rounds would cost more than they change.
constexpr double kSettled = 0.2;
// Chain steps either side of a point that give its local direction.
constexpr std::size_t kDirectionReach = 2;

// The weight the solve gives a point's offset along the curve, against 1 for its offset
// across it. An offset along the curve mostly says the point's parameter is off, which the
// next round moves anyway: weighed fully, the control points creep toward the fit a round at
// a time; left out, the system is singular along straight stretches.
constexpr double kAlongWeight = 0.04;

// Two points at a time, in the lanes of one vector: each lane does the scalar form's
// operations in its order (no fused or reordered arithmetic), so each point's result is the
// one the scalar form gives, at about half the cost of the Newton step the error spends on.
using Lanes = double __attribute__((vector_size(16)));
using LaneMask = long long __attribute__((vector_size(16)));

// Solves for C1 and C2 with the parameters fixed, minimising the sum over the points of their
// offset from the curve across it plus kAlongWeight times the offset along it (the directions
// taken from the curve `c`, whose end points are kept); false when the system is singular.
bool SolveControlPoints(const CubicCurve& c, std::span<const P> points,
                        const std::vector<double>& params, CubicCurve& out) {
  // The unknowns are (C1x, C1y, C2x, C2y); each point adds its Bernstein weights b1, b2 times
  // its 2 x 2 metric W = kAlongWeight I + (1 - kAlongWeight) n n^T, n the unit normal there.
  // The sums of b_a b_b W (pairs 11, 12, 22; entries xx, xy, yy) and of b_a W r, for a = 1, 2,
  // are kept for even and odd points in the two lanes of a vector (see Lanes), two points at a
  // time, and the lanes added at the end.
  const double dax = 3.0 * (-c.p0.x + 3.0 * (c.c1.x - c.c2.x) + c.p3.x);
  const double day = 3.0 * (-c.p0.y + 3.0 * (c.c1.y - c.c2.y) + c.p3.y);
  const double dbx = 6.0 * (c.p0.x - 2.0 * c.c1.x + c.c2.x), dby = 6.0 * (c.p0.y - 2.0 * c.c1.y + c.c2.y);
  const double dcx = 3.0 * (c.c1.x - c.p0.x), dcy = 3.0 * (c.c1.y - c.p0.y);
  Lanes sums[9] = {}, rights[4] = {};
  auto add = [&](Lanes u, Lanes px, Lanes py, Lanes live) {
    const Lanes one{1.0, 1.0}, three{3.0, 3.0}, along{kAlongWeight, kAlongWeight};
    const Lanes v = one - u;
    const Lanes b0 = v * v * v, b1 = three * u * v * v * live, b2 = three * u * u * v * live, b3 = u * u * u;
    const Lanes rx = px - b0 * c.p0.x - b3 * c.p3.x, ry = py - b0 * c.p0.y - b3 * c.p3.y;
    // n n^T from the unnormalised tangent (tx, ty): (ty^2, -tx ty, tx^2) / |t|^2.
    const Lanes tx = (dax * u + dbx) * u + dcx, ty = (day * u + dby) * u + dcy;
    const Lanes t2 = tx * tx + ty * ty;
    const LaneMask turning = t2 > Lanes{1e-18, 1e-18};
    const Lanes k = (one - along) / (turning ? t2 : one);
    const Lanes w0 = turning ? along + k * ty * ty : one;
    const Lanes w1 = turning ? -k * tx * ty : Lanes{0.0, 0.0};
    const Lanes w2 = turning ? along + k * tx * tx : one;
    const Lanes bb[3] = {b1 * b1, b1 * b2, b2 * b2};
    for (int a = 0; a < 3; ++a) {
      sums[3 * a] += bb[a] * w0;
      sums[3 * a + 1] += bb[a] * w1;
      sums[3 * a + 2] += bb[a] * w2;
    }
    const Lanes wrx = w0 * rx + w1 * ry, wry = w1 * rx + w2 * ry;
    rights[0] += b1 * wrx;
    rights[1] += b1 * wry;
    rights[2] += b2 * wrx;
    rights[3] += b2 * wry;
  };
  const std::size_t n = points.size();
  std::size_t i = 0;
  for (; i + 1 < n; i += 2)
    add(Lanes{params[i], params[i + 1]}, Lanes{points[i].x, points[i + 1].x},
        Lanes{points[i].y, points[i + 1].y}, Lanes{1.0, 1.0});
  if (i < n)  // the last point alone: its partner lane weighs nothing
    add(Lanes{params[i], params[i]}, Lanes{points[i].x, points[i].x}, Lanes{points[i].y, points[i].y},
        Lanes{1.0, 0.0});
  double sum[12], rhs[4];
  for (int a = 0; a < 3; ++a)
    for (int e = 0; e < 3; ++e) sum[4 * a + e] = sums[3 * a + e][0] + sums[3 * a + e][1];
  for (int e = 0; e < 4; ++e) rhs[e] = rights[e][0] + rights[e][1];
  const double s11xx = sum[0], s11xy = sum[1], s11yy = sum[2], s12xx = sum[4], s12xy = sum[5], s12yy = sum[6];
  const double s22xx = sum[8], s22xy = sum[9], s22yy = sum[10];
  const double v1x = rhs[0], v1y = rhs[1], v2x = rhs[2], v2y = rhs[3];
  // The symmetric 4 x 4 system by Gaussian elimination with partial pivoting.
  double m[4][5] = {{s11xx, s11xy, s12xx, s12xy, v1x},
                    {s11xy, s11yy, s12xy, s12yy, v1y},
                    {s12xx, s12xy, s22xx, s22xy, v2x},
                    {s12xy, s12yy, s22xy, s22yy, v2y}};
  const double scale = std::max({1.0, std::fabs(s11xx) + std::fabs(s11yy), std::fabs(s22xx) + std::fabs(s22yy)});
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
    if (!(std::fabs(m[pivot][col]) > 1e-12 * scale)) return false;
    if (pivot != col)
      for (int k = 0; k < 5; ++k) std::swap(m[col][k], m[pivot][k]);
    for (int r = col + 1; r < 4; ++r) {
      const double f = m[r][col] / m[col][col];
      for (int k = col; k < 5; ++k) m[r][k] -= f * m[col][k];
    }
  }
  double x[4];
  for (int r = 3; r >= 0; --r) {
    double rest = m[r][4];
    for (int k = r + 1; k < 4; ++k) rest -= m[r][k] * x[k];
    x[r] = rest / m[r][r];
  }
  out = c;
  out.c1 = {x[0], x[1]};
  out.c2 = {x[2], x[3]};
  return std::isfinite(out.c1.x) && std::isfinite(out.c1.y) && std::isfinite(out.c2.x) &&
         std::isfinite(out.c2.y);
}

}  // namespace

namespace {

// The curve in powers of its parameter, B(u) = ((a u + b) u + c) u + d: a third of the work
// of the Bernstein form per point, where the nearest-point search spends the close fit's time.
struct PowerCurve {
  P a, b, c, d;
  explicit PowerCurve(const CubicCurve& k)
      : a{-k.p0.x + 3.0 * (k.c1.x - k.c2.x) + k.p3.x, -k.p0.y + 3.0 * (k.c1.y - k.c2.y) + k.p3.y},
        b{3.0 * (k.p0.x - 2.0 * k.c1.x + k.c2.x), 3.0 * (k.p0.y - 2.0 * k.c1.y + k.c2.y)},
        c{3.0 * (k.c1.x - k.p0.x), 3.0 * (k.c1.y - k.p0.y)},
        d{k.p0} {}
  P at(double u) const {
    return {((a.x * u + b.x) * u + c.x) * u + d.x, ((a.y * u + b.y) * u + c.y) * u + d.y};
  }
  P derivative(double u) const {
    return {(3.0 * a.x * u + 2.0 * b.x) * u + c.x, (3.0 * a.y * u + 2.0 * b.y) * u + c.y};
  }
  P second(double u) const { return {6.0 * a.x * u + 2.0 * b.x, 6.0 * a.y * u + 2.0 * b.y}; }
};

double Distance2(P a, P b) { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y); }


struct PowerLanes {
  Lanes ax, ay, bx, by, cx, cy, dx, dy, ax3, ay3, bx2, by2, ax6, ay6;
  explicit PowerLanes(const PowerCurve& k)
      : ax{k.a.x, k.a.x}, ay{k.a.y, k.a.y}, bx{k.b.x, k.b.x}, by{k.b.y, k.b.y}, cx{k.c.x, k.c.x},
        cy{k.c.y, k.c.y}, dx{k.d.x, k.d.x}, dy{k.d.y, k.d.y}, ax3{3.0 * k.a.x, 3.0 * k.a.x},
        ay3{3.0 * k.a.y, 3.0 * k.a.y}, bx2{2.0 * k.b.x, 2.0 * k.b.x}, by2{2.0 * k.b.y, 2.0 * k.b.y},
        ax6{6.0 * k.a.x, 6.0 * k.a.x}, ay6{6.0 * k.a.y, 6.0 * k.a.y} {}
};

Lanes ClampUnit(Lanes u) {
  const Lanes zero{0.0, 0.0}, one{1.0, 1.0};
  return u < zero ? zero : (one < u ? one : u);  // std::clamp's comparisons, lane by lane
}

// CurveError's measure; without `search` each point's search starts from its parameter alone.
// Each point's distance is to a point of the curve, so the sum never falls below the true one.
// The sum stops growing once past `limit`, where the caller rejects the curve whatever the rest
// would add: the parameters of the points not reached are then left as they were.
double ErrorFrom(const CubicCurve& curve, std::span<const P> points, std::vector<double>& params,
                 bool search, double limit = std::numeric_limits<double>::infinity()) {
  static_assert(kNewtonSteps == 1, "the paired Newton step below takes one step");
  params.resize(points.size(), 0.0);
  const PowerCurve power(curve);
  const PowerLanes lanes(power);
  // The search starts from the nearer of the given parameter and the nearest of a coarse
  // flattening, so that a point is not held at a far branch of a curve bent back on itself.
  std::array<P, kCoarseSamples + 1> coarse;
  if (search)
    for (int k = 0; k <= kCoarseSamples; ++k)
      coarse[std::size_t(k)] = power.at(double(k) / kCoarseSamples);
  // A point's start: its parameter, or the coarse sample nearer to it, and the squared distance.
  auto start = [&](std::size_t i, double& u, P& b, double& nearest) {
    const P p = points[i];
    u = std::clamp(params[i], 0.0, 1.0);
    b = power.at(u);
    nearest = Distance2(b, p);
    if (!search) return;
    // Points lie in order along the curve: the samples near the point's own parameter do.
    const int around = static_cast<int>(u * kCoarseSamples + 0.5);
    for (int k = std::max(0, around - kSearchReach); k <= std::min(kCoarseSamples, around + kSearchReach); ++k) {
      const double d = Distance2(coarse[std::size_t(k)], p);
      if (d < nearest) {
        nearest = d;
        u = double(k) / kCoarseSamples;
        b = coarse[std::size_t(k)];
      }
    }
  };
  double sum = 0.0;
  std::size_t i = 0;
  for (; i + 1 < points.size(); i += 2) {
    const Lanes px{points[i].x, points[i + 1].x}, py{points[i].y, points[i + 1].y};
    Lanes u, nearest, bx, by;
    if (search) {
      double u0, u1, n0, n1;
      P b0, b1;
      start(i, u0, b0, n0);
      start(i + 1, u1, b1, n1);
      u = Lanes{u0, u1}, nearest = Lanes{n0, n1}, bx = Lanes{b0.x, b1.x}, by = Lanes{b0.y, b1.y};
    } else {
      u = ClampUnit(Lanes{params[i], params[i + 1]});
      bx = ((lanes.ax * u + lanes.bx) * u + lanes.cx) * u + lanes.dx;
      by = ((lanes.ay * u + lanes.by) * u + lanes.cy) * u + lanes.dy;
      nearest = (bx - px) * (bx - px) + (by - py) * (by - py);
    }
    const Lanes dx = (lanes.ax3 * u + lanes.bx2) * u + lanes.cx, dy = (lanes.ay3 * u + lanes.by2) * u + lanes.cy;
    const Lanes sx = lanes.ax6 * u + lanes.bx2, sy = lanes.ay6 * u + lanes.by2;
    const Lanes ex = bx - px, ey = by - py;
    const Lanes f = ex * dx + ey * dy;
    const Lanes df = dx * dx + dy * dy + ex * sx + ey * sy;
    const Lanes tiny{1e-12, 1e-12}, one{1.0, 1.0};
    const LaneMask steep = df > tiny;
    // Newton may wander off at a cusp: the step is kept only when it comes nearer.
    const Lanes next = ClampUnit(u - f / (steep ? df : one));
    const Lanes mx = ((lanes.ax * next + lanes.bx) * next + lanes.cx) * next + lanes.dx;
    const Lanes my = ((lanes.ay * next + lanes.by) * next + lanes.cy) * next + lanes.dy;
    const Lanes d2 = (mx - px) * (mx - px) + (my - py) * (my - py);
    const LaneMask take = steep & (d2 < nearest);
    const Lanes ends = take ? next : u, found = take ? d2 : nearest;
    params[i] = ends[0];
    sum += found[0];
    if (sum > limit) return sum;
    params[i + 1] = ends[1];
    sum += found[1];
    if (sum > limit) return sum;
  }
  if (i < points.size()) {
    const P p = points[i];
    double u, nearest;
    P b;
    start(i, u, b, nearest);
    const P d = power.derivative(u), s = power.second(u);
    const double ex = b.x - p.x, ey = b.y - p.y;
    const double f = ex * d.x + ey * d.y;
    const double df = d.x * d.x + d.y * d.y + ex * s.x + ey * s.y;
    if (df > 1e-12) {
      const double next = std::clamp(u - f / df, 0.0, 1.0);
      const double d2 = Distance2(power.at(next), p);
      if (d2 < nearest) u = next, nearest = d2;
    }
    params[i] = u;
    sum += nearest;
  }
  return sum;
}

}  // namespace

double CurveError(const CubicCurve& curve, std::span<const P> points, std::vector<double>& params) {
  return ErrorFrom(curve, points, params, true);
}

namespace {

// A round moves the control points less than the chord as a rule (a side bent from straight
// the most): one that moves either farther than the chord or a pixel is checked by
// HoldsControlPoints.
bool MovedFar(const CubicCurve& from, const CubicCurve& to) {
  const double free2 = std::max(1.0, Distance2(from.p0, from.p3));
  return Distance2(from.c1, to.c1) > free2 || Distance2(from.c2, to.c2) > free2;
}

// The error counts each point's distance to the curve, not the curve's to the points: a solve
// that meets a few points exactly, one of them beside an end, may do it with control points
// far off, the curve looping out between them. A solved curve keeps its control points within
// the points' bounding box grown by twice its larger side and a pixel (a loop closed by one
// curve reaches about its own size beyond its points).
bool HoldsControlPoints(std::span<const P> points, const CubicCurve& c) {
  constexpr double kFar = std::numeric_limits<double>::infinity();
  double x0 = kFar, y0 = kFar, x1 = -kFar, y1 = -kFar;
  for (P p : points) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
  const double grow = 2.0 * std::max(x1 - x0, y1 - y0) + 1.0;
  auto holds = [&](P q) {
    return q.x >= x0 - grow && q.x <= x1 + grow && q.y >= y0 - grow && q.y <= y1 + grow;
  };
  return holds(c.c1) && holds(c.c2);
}

// The refinement's rounds, at most `rounds`, from `params` (each point's nearest parameter on
// `curve`) and the error they give. A followed error is a sum of distances to points on the
// curve, never below the true one: a round that lowers it lowers the true error.
CubicCurve RefineFrom(const CubicCurve& curve, std::span<const P> points, std::vector<double>& params,
                      double& error, int rounds = kRounds) {
  CubicCurve best = curve;
  std::vector<double> moved;
  for (int round = 0; round < rounds; ++round) {
    CubicCurve candidate;
    if (!SolveControlPoints(best, points, params, candidate)) break;
    if (MovedFar(best, candidate) && !HoldsControlPoints(points, candidate)) break;
    moved = params;
    const double next = ErrorFrom(candidate, points, moved, false, error);
    if (!(next < error)) break;
    const bool settled = error - next < kSettled * error;
    best = candidate;
    error = next;
    params.swap(moved);
    if (settled) break;
  }
  return best;
}

}  // namespace

CubicCurve RefineCurve(const CubicCurve& curve, std::span<const P> points) {
  std::vector<double> params;
  return RefineCurve(curve, points, params);
}

namespace {

// Each point's share of the points' polyline: where its nearest point on a curve is first
// looked for.
std::vector<double> ShareParams(std::span<const P> points) {
  std::vector<double> params(points.size(), 0.0);
  double length = 0.0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    const double dx = points[i].x - points[i - 1].x, dy = points[i].y - points[i - 1].y;
    length += std::sqrt(dx * dx + dy * dy);
    params[i] = length;
  }
  if (length > 0.0)
    for (double& u : params) u /= length;
  return params;
}

// RefineCurve, also giving the followed error of the curve returned (0 when it was not
// measured: fewer than three points).
CubicCurve RefineMeasured(const CubicCurve& curve, std::span<const P> points, std::vector<double>& params,
                          double& error, int rounds = kRounds) {
  error = 0.0;
  if (points.size() < 3) {
    params.assign(points.size(), 0.0);
    return curve;
  }
  // The points' parameters start at their share of the polyline's length, and the full search
  // runs once, for the curve as given.
  params = ShareParams(points);
  if (!(params.back() > 0.0)) return curve;  // all points in one place
  error = CurveError(curve, points, params);
  return RefineFrom(curve, points, params, error, rounds);
}

}  // namespace

CubicCurve RefineCurve(const CubicCurve& curve, std::span<const P> points, std::vector<double>& params) {
  double error = 0.0;
  return RefineMeasured(curve, points, params, error);
}

namespace {

// The chain's points from the cursor vertex to vertex `last`, both included.
std::vector<P> ChainPoints(Tracer& t, std::int64_t last) {
  const std::int64_t from = VertexChainOffset(t, 0);
  const std::int64_t to = VertexChainOffset(t, last);
  std::vector<P> chain;
  chain.reserve(std::size_t(std::max<std::int64_t>(to - from, 0)) + 1);  // one allocation, not five
  P at{double(VertexX(t, 0)), double(VertexY(t, 0))};
  chain.push_back(at);
  auto walk = [&](std::uint8_t code) {
    if (code > 7) return false;  // the record's end
    at = {at.x + kChainDx[code], at.y + kChainDy[code]};
    chain.push_back(at);
    return true;
  };
  const std::span<const std::uint8_t> held = t.chain->heldBytes(from, to);
  if (std::int64_t(held.size()) == to - from) {
    for (std::uint8_t code : held)
      if (!walk(code)) break;
  } else {
    for (std::int64_t i = from; i < to; ++i)
      if (!walk(t.chain->byteAt(i))) break;
  }
  return chain;
}

// Chain steps are single pixels, so the direction across kDirectionReach points either side
// has small whole parts: the outward shifts come from a table made once.
constexpr int kShiftSpan = 2 * int(kDirectionReach);
using ShiftTable = std::array<P, (2 * kShiftSpan + 1) * (2 * kShiftSpan + 1)>;

const ShiftTable& Shifts() {
  static const ShiftTable table = [] {
    ShiftTable shifts{};
    for (int dy = -kShiftSpan; dy <= kShiftSpan; ++dy)
      for (int dx = -kShiftSpan; dx <= kShiftSpan; ++dx)
        shifts[std::size_t((dy + kShiftSpan) * (2 * kShiftSpan + 1) + dx + kShiftSpan)] = OutwardShift(dx, dy);
    return shifts;
  }();
  return table;
}

// The outward shift of chain point i: across the direction from kDirectionReach points before
// it to as many after.
inline P EdgeShift(const ShiftTable& table, const std::vector<P>& chain, std::size_t i) {
  const std::size_t n = chain.size();
  const P before = chain[i < kDirectionReach ? 0 : i - kDirectionReach];
  const P after = chain[std::min(n - 1, i + kDirectionReach)];
  const int dx = int(after.x - before.x), dy = int(after.y - before.y);
  if (std::abs(dx) > kShiftSpan || std::abs(dy) > kShiftSpan) return OutwardShift(dx, dy);
  return table[std::size_t((dy + kShiftSpan) * (2 * kShiftSpan + 1) + dx + kShiftSpan)];
}


// Squared distances from points to one segment: its direction and the inverse of its squared
// length found once, not divided by at every point.
struct SegmentDistance {
  P a;
  double dx, dy, inverse;
  SegmentDistance(P from, P to) : a(from), dx(to.x - from.x), dy(to.y - from.y) {
    const double length2 = dx * dx + dy * dy;
    inverse = length2 > 0.0 ? 1.0 / length2 : 0.0;
  }
  // The share of the segment at p's foot, in [0, 1].
  double along(P p) const { return std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) * inverse, 0.0, 1.0); }
  double to(P p) const {
    const double u = along(p);
    const double ex = a.x + u * dx - p.x, ey = a.y + u * dy - p.y;
    return ex * ex + ey * ey;
  }
};

double LineError(P from, P to, std::span<const P> points) {
  double sum = 0.0;
  const SegmentDistance side(from, to);
  for (P p : points) sum += side.to(p);
  return sum;
}

}  // namespace

namespace {

std::vector<P> EdgePointsOf(const std::vector<P>& chain) {
  std::vector<P> edges(chain.size());
  const ShiftTable& table = Shifts();
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const P s = EdgeShift(table, chain, i);
    edges[i] = {chain[i].x + s.x, chain[i].y + s.y};
  }
  return edges;
}

void NoteEdges(PendingPath& path, const std::vector<P>& edges, const std::vector<double>& params) {
  if (path.segments.empty()) return;
  PendingSegment& s = path.segments.back();
  s.edgeBegin = static_cast<std::uint32_t>(path.edgePoints.size());
  path.edgePoints.insert(path.edgePoints.end(), edges.begin(), edges.end());
  if (params.size() == edges.size()) path.edgeParams.insert(path.edgeParams.end(), params.begin(), params.end());
  else path.edgeParams.resize(path.edgePoints.size(), -1.0);
  s.edgeEnd = static_cast<std::uint32_t>(path.edgePoints.size());
}

}  // namespace

std::vector<P> SpanEdgePoints(Tracer& t, std::int64_t last) { return EdgePointsOf(ChainPoints(t, last)); }

std::vector<P> SpanChain(Tracer& t, std::int64_t last) { return ChainPoints(t, last); }

void NoteSpanEdges(Tracer& t, std::int64_t last) {
  NoteEdges(t.fit.pending, EdgePointsOf(ChainPoints(t, last)), {});
}

void NoteSpanEdges(Tracer& t, const SpanEdges& edges) { NoteEdges(t.fit.pending, edges.points, edges.params); }

double SegmentError(P from, const PendingSegment& s, std::span<const P> points) {
  if (!s.curve) return LineError(from, s.to, points);
  std::vector<double> params = ShareParams(points);
  return CurveError({from, s.c1, s.c2, s.to}, points, params);
}

namespace {

// How an anchor's move d pulls a segment's points: the 2 x 2 normal equations of
// sum (n . (r - w d))^2, r the point less its nearest point on the segment, n the segment's
// normal there, w the share of d that the nearest point moves with (a curve's control point
// next to the anchor moving with it).
struct Pull {
  double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;

  void add(P r, P n, double w, double k = 1.0) {
    const double along = n.x * r.x + n.y * r.y;
    const double ww = k * w * w, wa = k * w * along;
    a11 += ww * n.x * n.x;
    a12 += ww * n.x * n.y;
    a22 += ww * n.y * n.y;
    b1 += wa * n.x;
    b2 += wa * n.y;
  }
};

P UnitNormal(P d) {
  const double length = std::sqrt(d.x * d.x + d.y * d.y);
  return length > 1e-12 ? P{-d.y / length, d.x / length} : P{0.0, 0.0};
}

// A segment's error with, for a curve, each point's nearest parameter: kept per segment while
// RelaxAnchors works, so that each is searched for once and then only followed.
struct Fitted {
  double error = 0.0;
  std::vector<double> params;
};


// `known`: the points' nearest parameters found on the curve before it was placed, negative
// when there are none; from them the nearest points are followed rather than searched for.
Fitted FitOf(P from, const PendingSegment& s, std::span<const P> points, std::span<const double> known) {
  Fitted f;
  if (!s.curve) {
    f.error = LineError(from, s.to, points);
    return f;
  }
  const bool follow = known.size() == points.size() && !known.empty() && known.front() >= 0.0;
  f.params = follow ? std::vector<double>(known.begin(), known.end()) : ShareParams(points);
  f.error = ErrorFrom({from, s.c1, s.c2, s.to}, points, f.params, !follow);
  return f;
}

// The segment's error after a small change, followed from `was`'s parameters into `f` (whose
// storage the trials reuse): never below the true error, so a change it accepts is no worse.
// An error past `limit` is only known to be past it: the trial is rejected.
void FollowFit(P from, const PendingSegment& s, std::span<const P> points, const Fitted& was, Fitted& f,
               double limit) {
  f.params.clear();
  if (!s.curve) {
    f.error = LineError(from, s.to, points);
    return;
  }
  f.params.assign(was.params.begin(), was.params.end());
  f.error = ErrorFrom({from, s.c1, s.c2, s.to}, points, f.params, false, limit);
}

// Adds the segment's points to the pull on its start (atEnd false) or its end.
void AddPull(Pull& pull, P from, const PendingSegment& s, std::span<const P> points,
             const Fitted& fit, bool atEnd) {
  if (!s.curve) {
    const P n = UnitNormal({s.to.x - from.x, s.to.y - from.y});
    const SegmentDistance side(from, s.to);
    for (P p : points) {
      const double u = side.along(p);
      const P r{p.x - from.x - u * side.dx, p.y - from.y - u * side.dy};
      pull.add(r, n, atEnd ? u : 1.0 - u);
    }
    return;
  }
  const PowerCurve c({from, s.c1, s.c2, s.to});
  // Every other point: the pull only aims the trial moves, which are then measured in full.
  for (std::size_t i = 0; i < points.size(); i += 3) {
    const double u = fit.params[i], v = 1.0 - u;
    const P b = c.at(u);
    const double near0 = v * v * v + 3.0 * u * v * v;  // P0 and C1 move together, as P3 and C2
    pull.add({points[i].x - b.x, points[i].y - b.y}, UnitNormal(c.derivative(u)),
             atEnd ? 1.0 - near0 : near0, 3.0);
  }
}

// Halvings of the solved move tried when the full move raises one of the segments' errors.
constexpr int kMoveHalvings = 3;
// A move shorter than this (pixels) changes no pixel: the anchor stays.
constexpr double kLeastMove = 0.02;
// A move whose predicted gain is below this share of the two segments' error is not tried.
constexpr double kLeastGain = 0.08;

}  // namespace

namespace {

// A straight side that leaves a pixel edge point this far (pixels) paints pixels wrong: it may
// become a curve.
constexpr double kBendLimit = 0.45;

double MostDistant2(P a, P b, std::span<const P> points) {
  double most = 0.0;
  const SegmentDistance side(a, b);
  for (P p : points) most = std::max(most, side.to(p));
  return most;
}

// A side whose polygon vertices lie off its pixels' edges (a run and a slope on one side) as
// the curve that follows them, when that curve comes within the limit everywhere. True when it
// bent; `params` are then the points' nearest parameters on the curve.
bool BendSide(P from, PendingSegment& s, std::span<const P> points, std::vector<double>& params) {
  const CubicCurve straight{from, {(2.0 * from.x + s.to.x) / 3.0, (2.0 * from.y + s.to.y) / 3.0},
                            {(from.x + 2.0 * s.to.x) / 3.0, (from.y + 2.0 * s.to.y) / 3.0}, s.to};
  // With its control points at the thirds the curve runs along the side at an even pace: each
  // point's nearest parameter is its projection on the side, and no search is needed.
  const double dx = s.to.x - from.x, dy = s.to.y - from.y, length2 = dx * dx + dy * dy;
  if (points.size() < 3 || !(length2 > 0.0)) return false;
  params.resize(points.size());
  double lineError = 0.0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double rx = points[i].x - from.x, ry = points[i].y - from.y;
    const double u = std::clamp((rx * dx + ry * dy) / length2, 0.0, 1.0);
    params[i] = u;
    lineError += Distance2(points[i], {from.x + u * dx, from.y + u * dy});
  }
  // The refinement's own error: a sum of distances to points of the curve, so no less than
  // the true one, and measured where the parameters handed on lie.
  double bentError = lineError;
  const CubicCurve bent = RefineFrom(straight, points, params, bentError);
  if (bent.c1.x == straight.c1.x && bent.c1.y == straight.c1.y && bent.c2.x == straight.c2.x &&
      bent.c2.y == straight.c2.y)
    return false;
  if (!(bentError < lineError / 2)) return false;
  PendingSegment curve = s;
  curve.curve = true;
  curve.c1 = bent.c1;
  curve.c2 = bent.c2;
  s = curve;
  return true;
}

}  // namespace

void RelaxAnchors(PendingPath& path, double reach) {
  const std::size_t n = path.segments.size();
  if (n < 2 || !SamePoint(path.segments[n - 1].to, path.start)) return;  // closed paths only
  auto points = [&](const PendingSegment& s) {
    return std::span<const P>(path.edgePoints).subspan(s.edgeBegin, s.edgeEnd - s.edgeBegin);
  };
  if (path.edgeParams.size() != path.edgePoints.size()) path.edgeParams.assign(path.edgePoints.size(), -1.0);
  auto knownParams = [&](const PendingSegment& s) {
    return std::span<double>(path.edgeParams).subspan(s.edgeBegin, s.edgeEnd - s.edgeBegin);
  };
  auto anchor = [&](std::size_t k) { return k == 0 ? path.start : path.segments[k - 1].to; };
  // Anchor k ends segment k - 1 (the last for k = 0) and starts segment k.
  std::vector<bool> moved(n, false);
  std::vector<Fitted> fits(n);
  std::vector<bool> fitted(n, false);
  auto fitOf = [&](std::size_t k) -> Fitted& {
    if (!fitted[k])
      fits[k] = FitOf(anchor(k), path.segments[k], points(path.segments[k]), knownParams(path.segments[k]));
    fitted[k] = true;
    return fits[k];
  };
  Fitted trialIn, trialOut;
  // Moves anchor k by the least-squares step of its two segments; true when it moved.
  auto relax = [&](std::size_t k) -> bool {
    const std::size_t inIndex = k == 0 ? n - 1 : k - 1;
    PendingSegment& in = path.segments[inIndex];
    PendingSegment& out = path.segments[k];
    if (in.edgeEnd <= in.edgeBegin || out.edgeEnd <= out.edgeBegin) return false;
    const P origin = anchor(k);
    const P inFrom = anchor(inIndex);
    const std::span<const P> inPoints = points(in), outPoints = points(out);
    Fitted& inFit = fitOf(inIndex);
    Fitted& outFit = fitOf(k);
    const double inError = inFit.error, outError = outFit.error;
    auto fitsAt = [&](P at) {
      const P d{at.x - origin.x, at.y - origin.y};
      PendingSegment a = in, b = out;
      a.to = at;
      a.c2 = {in.c2.x + d.x, in.c2.y + d.y};
      b.c1 = {out.c1.x + d.x, out.c1.y + d.y};
      // Most trials are rejected (seven in ten on a text page): each stops at the first
      // segment, and at the point, where its error passes the segment's present one.
      FollowFit(inFrom, a, inPoints, inFit, trialIn, inError);
      if (trialIn.error > inError) return false;
      FollowFit(at, b, outPoints, outFit, trialOut, outError);
      return trialOut.error <= outError && trialIn.error + trialOut.error < inError + outError;
    };
    Pull pull;
    AddPull(pull, inFrom, in, inPoints, inFit, true);
    AddPull(pull, origin, out, outPoints, outFit, false);
    const double det = pull.a11 * pull.a22 - pull.a12 * pull.a12;
    // Between two sides along one line the move along it is free: the pull has one direction.
    P d;
    if (std::fabs(det) > 1e-9 * std::max(1.0, pull.a11 * pull.a22)) {
      d = {(pull.b1 * pull.a22 - pull.b2 * pull.a12) / det, (pull.b2 * pull.a11 - pull.b1 * pull.a12) / det};
    } else {
      // A pull of one direction m is t m m^T with b along m: the move is b / t.
      const double trace = pull.a11 + pull.a22;
      if (!(trace > 1e-12)) return false;
      d = {pull.b1 / trace, pull.b2 / trace};
    }
    if (!std::isfinite(d.x) || !std::isfinite(d.y)) return false;
    const double length = std::sqrt(d.x * d.x + d.y * d.y);
    if (length < kLeastMove) return false;
    // The pull's own model of the gain; trials it gives little would mostly be rejected, and
    // each costs both segments' points followed.
    if (d.x * pull.b1 + d.y * pull.b2 < kLeastGain * (inError + outError)) return false;
    if (length > reach) d = {d.x * reach / length, d.y * reach / length};
    P best = origin;
    for (int halving = 0; halving <= kMoveHalvings; ++halving) {
      const P at{origin.x + d.x, origin.y + d.y};
      if (fitsAt(at)) {
        best = at;
        std::swap(inFit, trialIn);
        std::swap(outFit, trialOut);
        break;
      }
      d = {d.x / 2, d.y / 2};
    }
    if (SamePoint(best, origin)) return false;
    const P by{best.x - origin.x, best.y - origin.y};
    in.to = best;
    if (in.curve) in.c2 = {in.c2.x + by.x, in.c2.y + by.y};
    if (out.curve) out.c1 = {out.c1.x + by.x, out.c1.y + by.y};
    if (k == 0) path.start = best;
    return true;
  };
  for (std::size_t k = 0; k < n; ++k) moved[k] = relax(k);
  // The control points against the points, between the anchors where they now stand.
  for (std::size_t k = 0; k < n; ++k) {
    PendingSegment& s = path.segments[k];
    if (s.edgeEnd - s.edgeBegin < 3) continue;
    const P from = anchor(k);
    if (s.curve) {
      if (!moved[k] && !moved[k + 1 == n ? 0 : k + 1]) continue;
      // The anchors' moves followed each point's nearest parameter: the rounds start there.
      if (!fitted[k]) fitOf(k);
      const CubicCurve refined = RefineFrom({from, s.c1, s.c2, s.to}, points(s), fits[k].params, fits[k].error, 1);
      s.c1 = refined.c1;
      s.c2 = refined.c2;
    } else if (MostDistant2(from, s.to, points(s)) > kBendLimit * kBendLimit) {
      fitted[k] = BendSide(from, s, points(s), fits[k].params);
    }
  }
  // What was followed is handed on, for SplitStrayCurves.
  for (std::size_t k = 0; k < n; ++k) {
    const PendingSegment& s = path.segments[k];
    const std::span<double> known = knownParams(s);
    if (s.curve && fitted[k] && fits[k].params.size() == known.size())
      std::copy(fits[k].params.begin(), fits[k].params.end(), known.begin());
    else
      std::fill(known.begin(), known.end(), -1.0);
  }
}

namespace {

// The span's mask and vertex test read at the refined curve's nearest points to the chain's
// points: one sample per chain step, each a point of the curve, so a vertex found within the
// pass radius is within it. False means undecided, not failed: CurveFits then decides. Nearly
// every refined curve passes (all of a text page's), at a fifth of CurveFits' samples.
bool PassesAtNearestPoints(Tracer& t, std::int64_t end, const std::vector<P>& chain, const CubicCurve& curve,
                           const std::vector<double>& params) {
  if (params.size() != chain.size()) return false;
  const PowerCurve power(curve);
  for (double u : params)
    if (!InsideMask(t, power.at(u))) return false;
  const double radius2 = VertexHitRadius2(t);
  const std::int64_t from = VertexChainOffset(t, 0);
  for (std::int64_t k = 1; k < end / kWordsPerVertex; ++k) {
    const std::int64_t j = VertexChainOffset(t, k) - from;
    if (j < 0 || j >= std::int64_t(chain.size())) return false;
    const P vertex = VertexPoint(t, k);
    if (!SamePoint(vertex, chain[std::size_t(j)])) return false;
    if (!(Distance2(power.at(params[std::size_t(j)]), vertex) < radius2)) return false;
  }
  return true;
}

}  // namespace

SpanEdges RefineAcceptedCurve(Tracer& t, std::int64_t end, const std::vector<P>& chain) {
  SpanFit& fit = t.fit.accepted;
  // The curve is written moved outward with its control points carried by its end sides'
  // shifts, which holds its middle less than half a pixel out where it bends. So the curve is
  // fitted to the pixels' outer edges (each chain point moved out across the chain's local
  // direction) less the shift its control points will get, at each point's share of the span.
  const P s0 = OutwardShift(fit.c1.x - fit.p0.x, fit.c1.y - fit.p0.y);
  const P s3 = OutwardShift(fit.p3.x - fit.c2.x, fit.p3.y - fit.c2.y);
  const std::size_t n = chain.size();
  std::vector<P> points(n);
  SpanEdges edges;
  edges.points.resize(n);
  const ShiftTable& table = Shifts();
  // Each point's share of the chain is where its nearest parameter is followed from.
  edges.params = ShareParams(chain);
  for (std::size_t i = 0; i < n; ++i) {
    const P edge = EdgeShift(table, chain, i);
    const double u = edges.params[i], v = 1.0 - u;
    const double near0 = v * v * v + 3.0 * u * v * v, near3 = 1.0 - near0;
    edges.points[i] = {chain[i].x + edge.x, chain[i].y + edge.y};
    points[i] = {chain[i].x + edge.x - near0 * s0.x - near3 * s3.x,
                 chain[i].y + edge.y - near0 * s0.y - near3 * s3.y};
  }
  if (n < 3 || !(edges.params.back() > 0.0)) {
    edges.params.assign(n, 0.0);
    return edges;
  }
  // One round here: a curve whose anchors move gets its further rounds once they have.
  const CubicCurve accepted{fit.p0, fit.c1, fit.c2, fit.p3};
  double error = ErrorFrom(accepted, points, edges.params, false);
  const CubicCurve refined = RefineFrom(accepted, points, edges.params, error, 1);
  if (refined.c1.x == fit.c1.x && refined.c1.y == fit.c1.y && refined.c2.x == fit.c2.x &&
      refined.c2.y == fit.c2.y)
    return edges;
  // The corridor and vertex test of the span, on the refined curve.
  if (PassesAtNearestPoints(t, end, chain, refined, edges.params)) {
    fit.c1 = refined.c1;
    fit.c2 = refined.c2;
    return edges;
  }
  const SpanFit saved = t.fit.current;
  t.fit.current = fit;
  t.fit.current.c1 = refined.c1;
  t.fit.current.c2 = refined.c2;
  if (CurveFits(t, end)) {
    fit.c1 = refined.c1;
    fit.c2 = refined.c2;
  }
  t.fit.current = saved;
  // Kept or not, the parameters start the search on the placed curve near its nearest points.
  return edges;
}

namespace {

// The two halves of `c` at parameter u (de Casteljau).
std::pair<CubicCurve, CubicCurve> SplitAt(const CubicCurve& c, double u) {
  auto lerp = [u](P a, P b) { return P{a.x + u * (b.x - a.x), a.y + u * (b.y - a.y)}; };
  const P ab = lerp(c.p0, c.c1), bc = lerp(c.c1, c.c2), cd = lerp(c.c2, c.p3);
  const P abc = lerp(ab, bc), bcd = lerp(bc, cd), mid = lerp(abc, bcd);
  return {{c.p0, ab, abc, mid}, {mid, bcd, cd, c.p3}};
}

// The fewest points on either side of a split.
constexpr std::size_t kSplitMargin = 3;

}  // namespace

int SplitStrayCurves(PendingPath& path, double limit, int budget) {
  int added = 0;
  std::vector<double> params;
  for (std::size_t k = 0; k < path.segments.size() && added < budget; ++k) {
    const PendingSegment s = path.segments[k];
    if (!s.curve || s.edgeEnd - s.edgeBegin < 2 * kSplitMargin + 1) continue;
    const std::span<const P> points =
        std::span<const P>(path.edgePoints).subspan(s.edgeBegin, s.edgeEnd - s.edgeBegin);
    const P from = k == 0 ? path.start : path.segments[k - 1].to;
    const CubicCurve curve{from, s.c1, s.c2, s.to};
    const bool follow = path.edgeParams.size() == path.edgePoints.size() && path.edgeParams[s.edgeBegin] >= 0.0;
    if (follow)
      params.assign(path.edgeParams.begin() + s.edgeBegin, path.edgeParams.begin() + s.edgeEnd);
    else
      params = ShareParams(points);
    // The point farthest from the curve, away from its ends: where the corner hides.
    const PowerCurve power(curve);
    std::size_t worst = 0;
    double worst2 = 0.0;
    auto findWorst = [&] {
      worst = 0;
      worst2 = 0.0;
      for (std::size_t i = kSplitMargin; i + kSplitMargin < points.size(); ++i) {
        const double d2 = Distance2(power.at(params[i]), points[i]);
        if (d2 > worst2) worst2 = d2, worst = i;
      }
    };
    // Following only brings each point nearer: when no point strays at the parameters handed
    // on, none strays after them, and most curves are done without following.
    if (follow) {
      findWorst();
      if (worst2 <= limit * limit) continue;
    }
    const double error = ErrorFrom(curve, points, params, !follow);
    findWorst();
    if (worst2 <= limit * limit) continue;
    // Split where the point's nearest lies, the new anchor moved onto the point itself.
    auto [a, b] = SplitAt(curve, params[worst]);
    const P corner = points[worst];
    const P d{corner.x - a.p3.x, corner.y - a.p3.y};
    a.c2 = {a.c2.x + d.x, a.c2.y + d.y};
    a.p3 = corner;
    b.c1 = {b.c1.x + d.x, b.c1.y + d.y};
    b.p0 = corner;
    const std::span<const P> pa = points.subspan(0, worst + 1), pb = points.subspan(worst);
    std::vector<double> qa, qb;
    double ea = 0.0, eb = 0.0;
    // Each half is the curve's own piece, so a point's nearest parameter on it is its nearest
    // on the curve rescaled: followed from there, without a search. One round each: the halves
    // start near their fit, and a split pays off or not by its first round.
    const double uw = params[worst];
    qa.resize(pa.size());
    qb.resize(pb.size());
    for (std::size_t i = 0; i < pa.size(); ++i) qa[i] = uw > 0.0 ? std::clamp(params[i] / uw, 0.0, 1.0) : 0.0;
    for (std::size_t i = 0; i < pb.size(); ++i)
      qb[i] = uw < 1.0 ? std::clamp((params[worst + i] - uw) / (1.0 - uw), 0.0, 1.0) : 1.0;
    ea = ErrorFrom(a, pa, qa, false);
    eb = ErrorFrom(b, pb, qb, false);
    a = RefineFrom(a, pa, qa, ea, 1);
    b = RefineFrom(b, pb, qb, eb, 1);
    if (!(ea + eb < error)) continue;
    PendingSegment first = s, second = s;
    first.c1 = a.c1;
    first.c2 = a.c2;
    first.to = corner;
    first.edgeEnd = s.edgeBegin + static_cast<std::uint32_t>(worst + 1);
    second.c1 = b.c1;
    second.c2 = b.c2;
    second.edgeBegin = s.edgeBegin + static_cast<std::uint32_t>(worst);
    path.segments[k] = first;
    path.segments.insert(path.segments.begin() + std::ptrdiff_t(k + 1), second);
    ++added;
    ++k;  // the second half is not split again
  }
  return added;
}

}  // namespace vl::engine
