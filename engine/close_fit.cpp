// Least-squares refinement of accepted curves (close fit).
#include "engine/close_fit.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/curve_fitting.h"
#include "engine/edge_extraction.h"
#include "engine/fitting_vertices.h"
#include "engine/outline_geometry.h"

namespace vl::engine {

using namespace fitting;

namespace {

using P = art::PixelPoint;

P At(const CubicCurve& c, double u) {
  const double v = 1.0 - u;
  const double a = v * v * v, b = 3.0 * u * v * v, d2 = 3.0 * u * u * v, e = u * u * u;
  return {a * c.p0.x + b * c.c1.x + d2 * c.c2.x + e * c.p3.x,
          a * c.p0.y + b * c.c1.y + d2 * c.c2.y + e * c.p3.y};
}
P Derivative(const CubicCurve& c, double u) {
  const double v = 1.0 - u;
  const double a = 3.0 * v * v, b = 6.0 * u * v, d2 = 3.0 * u * u;
  return {a * (c.c1.x - c.p0.x) + b * (c.c2.x - c.c1.x) + d2 * (c.p3.x - c.c2.x),
          a * (c.c1.y - c.p0.y) + b * (c.c2.y - c.c1.y) + d2 * (c.p3.y - c.c2.y)};
}
P Second(const CubicCurve& c, double u) {
  const double v = 1.0 - u;
  return {6.0 * v * (c.c2.x - 2.0 * c.c1.x + c.p0.x) + 6.0 * u * (c.p3.x - 2.0 * c.c2.x + c.c1.x),
          6.0 * v * (c.c2.y - 2.0 * c.c1.y + c.p0.y) + 6.0 * u * (c.p3.y - 2.0 * c.c2.y + c.c1.y)};
}

constexpr int kNewtonSteps = 1;
constexpr int kCoarseSamples = 16;
constexpr int kSearchReach = 3;  // coarse samples either side of a point's parameter
constexpr int kRounds = 3;  // least-squares solves, each after the parameters moved
// Chain steps either side of a point that give its local direction.
constexpr std::size_t kDirectionReach = 2;

// Solves for C1 and C2 with the parameters fixed; false when the system is singular (too few
// points away from the ends).
bool SolveControlPoints(const CubicCurve& c, std::span<const P> points,
                        const std::vector<double>& params, CubicCurve& out) {
  double a11 = 0, a12 = 0, a22 = 0, rx1 = 0, ry1 = 0, rx2 = 0, ry2 = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double u = params[i], v = 1.0 - u;
    const double b0 = v * v * v, b1 = 3.0 * u * v * v, b2 = 3.0 * u * u * v, b3 = u * u * u;
    const double rx = points[i].x - b0 * c.p0.x - b3 * c.p3.x;
    const double ry = points[i].y - b0 * c.p0.y - b3 * c.p3.y;
    a11 += b1 * b1;
    a12 += b1 * b2;
    a22 += b2 * b2;
    rx1 += b1 * rx;
    ry1 += b1 * ry;
    rx2 += b2 * rx;
    ry2 += b2 * ry;
  }
  const double det = a11 * a22 - a12 * a12;
  if (!(std::fabs(det) > 1e-12 * std::max(1.0, a11 * a22))) return false;
  out = c;
  out.c1 = {(rx1 * a22 - rx2 * a12) / det, (ry1 * a22 - ry2 * a12) / det};
  out.c2 = {(rx2 * a11 - rx1 * a12) / det, (ry2 * a11 - ry1 * a12) / det};
  return std::isfinite(out.c1.x) && std::isfinite(out.c1.y) && std::isfinite(out.c2.x) &&
         std::isfinite(out.c2.y);
}

}  // namespace

namespace {

// CurveError's measure; without `search` each point's search starts from its parameter alone.
double ErrorFrom(const CubicCurve& curve, std::span<const P> points, std::vector<double>& params,
                 bool search) {
  params.resize(points.size(), 0.0);
  // The search starts from the nearer of the given parameter and the nearest of a coarse
  // flattening, so that a point is not held at a far branch of a curve bent back on itself.
  std::array<P, kCoarseSamples + 1> coarse;
  if (search)
    for (int k = 0; k <= kCoarseSamples; ++k)
      coarse[std::size_t(k)] = At(curve, double(k) / kCoarseSamples);
  auto distance2 = [&](P a, P b) { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y); };
  double sum = 0.0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    double u = std::clamp(params[i], 0.0, 1.0);
    double nearest = distance2(At(curve, u), points[i]);
    // Points lie in order along the curve: the samples near the point's own parameter do.
    const int around = static_cast<int>(std::lround(u * kCoarseSamples));
    for (int k = std::max(0, around - kSearchReach);
         search && k <= std::min(kCoarseSamples, around + kSearchReach); ++k) {
      const double d = distance2(coarse[std::size_t(k)], points[i]);
      if (d < nearest) {
        nearest = d;
        u = double(k) / kCoarseSamples;
      }
    }
    params[i] = u;
    for (int k = 0; k < kNewtonSteps; ++k) {
      const P b = At(curve, u), d = Derivative(curve, u), s = Second(curve, u);
      const double ex = b.x - points[i].x, ey = b.y - points[i].y;
      const double f = ex * d.x + ey * d.y;
      const double df = d.x * d.x + d.y * d.y + ex * s.x + ey * s.y;
      if (!(df > 1e-12)) break;
      u = std::clamp(u - f / df, 0.0, 1.0);
    }
    // Newton may wander off at a cusp: the start of the search is kept when it lay nearer.
    const P b = At(curve, u), b0 = At(curve, std::clamp(params[i], 0.0, 1.0));
    double d2 = (b.x - points[i].x) * (b.x - points[i].x) + (b.y - points[i].y) * (b.y - points[i].y);
    const double d0 =
        (b0.x - points[i].x) * (b0.x - points[i].x) + (b0.y - points[i].y) * (b0.y - points[i].y);
    if (d0 < d2) {
      d2 = d0;
      u = std::clamp(params[i], 0.0, 1.0);
    }
    params[i] = u;
    sum += d2;
  }
  return sum;
}

}  // namespace

double CurveError(const CubicCurve& curve, std::span<const P> points, std::vector<double>& params) {
  return ErrorFrom(curve, points, params, true);
}

CubicCurve RefineCurve(const CubicCurve& curve, std::span<const P> points) {
  if (points.size() < 3) return curve;
  // The points' parameters start at their share of the polyline's length.
  std::vector<double> params(points.size(), 0.0);
  double length = 0.0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    length += std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
    params[i] = length;
  }
  if (!(length > 0.0)) return curve;
  for (double& u : params) u /= length;

  // The rounds follow each point's nearest parameter from the last; the full search runs for
  // the curve as given and for the result, which must come out nearer by it.
  const double startError = CurveError(curve, points, params);
  CubicCurve best = curve;
  double bestError = startError;
  for (int round = 0; round < kRounds; ++round) {
    CubicCurve candidate;
    if (!SolveControlPoints(best, points, params, candidate)) break;
    std::vector<double> moved = params;
    const double error = ErrorFrom(candidate, points, moved, false);
    if (!(error < bestError)) break;
    best = candidate;
    bestError = error;
    params = std::move(moved);
  }
  if (!(bestError < startError)) return curve;  // no round was taken
  return CurveError(best, points, params) < startError ? best : curve;
}

void RefineAcceptedCurve(Tracer& t, std::int64_t end) {
  SpanFit& fit = t.fit.accepted;
  const std::int64_t from = VertexChainOffset(t, 0);
  const std::int64_t to = VertexChainOffset(t, end / kWordsPerVertex);
  std::vector<P> chain;
  P at{double(VertexX(t, 0)), double(VertexY(t, 0))};
  chain.push_back(at);
  for (std::int64_t i = from; i < to; ++i) {
    const std::uint8_t code = t.chain->byteAt(i);
    if (code > 7) break;  // the record's end
    at = {at.x + kChainDx[code], at.y + kChainDy[code]};
    chain.push_back(at);
  }
  // The curve is written moved outward with its control points carried by its end sides'
  // shifts, which holds its middle less than half a pixel out where it bends. So the curve is
  // fitted to the pixels' outer edges (each chain point moved out across the chain's local
  // direction) less the shift its control points will get, at each point's share of the span.
  const P s0 = OutwardShift(fit.c1.x - fit.p0.x, fit.c1.y - fit.p0.y);
  const P s3 = OutwardShift(fit.p3.x - fit.c2.x, fit.p3.y - fit.c2.y);
  const std::size_t n = chain.size();
  std::vector<P> points(n);
  double length = 0.0;
  std::vector<double> share(n, 0.0);
  for (std::size_t i = 1; i < n; ++i) {
    length += std::hypot(chain[i].x - chain[i - 1].x, chain[i].y - chain[i - 1].y);
    share[i] = length;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const P before = chain[i < kDirectionReach ? 0 : i - kDirectionReach];
    const P after = chain[std::min(n - 1, i + kDirectionReach)];
    const P edge = OutwardShift(after.x - before.x, after.y - before.y);
    const double u = length > 0.0 ? share[i] / length : 0.0, v = 1.0 - u;
    const double near0 = v * v * v + 3.0 * u * v * v, near3 = 1.0 - near0;
    points[i] = {chain[i].x + edge.x - near0 * s0.x - near3 * s3.x,
                 chain[i].y + edge.y - near0 * s0.y - near3 * s3.y};
  }
  const CubicCurve refined = RefineCurve({fit.p0, fit.c1, fit.c2, fit.p3}, points);
  if (refined.c1.x == fit.c1.x && refined.c1.y == fit.c1.y && refined.c2.x == fit.c2.x &&
      refined.c2.y == fit.c2.y)
    return;
  // The corridor and vertex test of the span, on the refined curve.
  const SpanFit saved = t.fit.current;
  t.fit.current = fit;
  t.fit.current.c1 = refined.c1;
  t.fit.current.c2 = refined.c2;
  if (CurveFits(t, end)) {
    fit.c1 = refined.c1;
    fit.c2 = refined.c2;
  }
  t.fit.current = saved;
}

}  // namespace vl::engine
