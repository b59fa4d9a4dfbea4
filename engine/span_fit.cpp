// The tests a span must pass to be covered by one curve: whether it must stay straight, the
// third points of its chain and the control points through them, the corridor and vertex test
// against the shape mask, and the end-tangent limit.
#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <numbers>

#include "engine/curve_fitting.h"
#include "engine/edge_extraction.h"
#include "engine/fitting_vertices.h"

namespace vl::engine {

using namespace fitting;

namespace {

constexpr double kNearVertex2 = 25.0;     // square pixels: within 5 pixels, sample finer
constexpr double kNearStepDivisor = 32.0;
constexpr double kFixedPointOne = 65536.0;  // 16.16
// Beyond this a sample cannot be a pixel of any image; its coordinate is not converted.
constexpr double kFarOutside = 1.0e9;  // pixels

std::int64_t StepLength(std::uint8_t code) {
  return (code & 1) ? kAxisStepLength : kDiagonalStepLength;  // odd codes move along an axis
}

// The point at `along` chain units between (x0, y0) at length l0 and (x1, y1) at l1.
art::PixelPoint Interpolate(std::int32_t x0, std::int32_t y0, std::int64_t l0, std::int32_t x1,
                            std::int32_t y1, std::int64_t l1, std::int64_t along) {
  const double span = double(l1 - l0);
  const double w0 = double(l1 - along), w1 = double(along - l0);
  return art::PixelPoint{(w0 * x0 + w1 * x1) / span, (w0 * y0 + w1 * y1) / span};
}

art::PixelPoint Bezier(const SpanFit& f, double u) {
  const double v = 1.0 - u;
  const double a = v * v * v, b = 3.0 * u * v * v, c = 3.0 * u * u * v, d = u * u * u;
  return art::PixelPoint{a * f.p0.x + b * f.c1.x + c * f.c2.x + d * f.p3.x,
                         a * f.p0.y + b * f.c1.y + c * f.c2.y + d * f.p3.y};
}

// Direction of (dx, dy) in whole degrees, atan2 truncated; 90 or -90 when dx = 0 (-90 also
// for no direction at all). A result within rounding of a whole degree counts as that degree,
// so that exact diagonals do not truncate one degree short.
int DirectionDegrees(double dx, double dy) {
  if (dx == 0.0) return dy > 0.0 ? 90 : -90;
  double degrees = std::atan2(dy, dx) * (180.0 / std::numbers::pi);
  const double whole = std::round(degrees);
  if (std::fabs(degrees - whole) < 1e-9) degrees = whole;
  return static_cast<int>(degrees);
}

}  // namespace

// Rounded as truncate(v + 0.5).
bool InsideMask(Tracer& t, art::PixelPoint p) {
  const double x = p.x + 0.5, y = p.y + 0.5;
  if (!(std::fabs(x) < kFarOutside && std::fabs(y) < kFarOutside)) return false;  // NaN too
  return MaskPixel(t, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)) != 0;
}

double VertexHitRadius2(const Tracer& t) {
  return t.fit.hitUnits == VertexHitUnits::kHistorical ? double(t.constants.vertexHitRadius2)
                                                        : double(t.constants.vertexHitRadius2) / kFixedPointOne;
}

bool SpanMustStayStraight(Tracer& t, std::int64_t end) {
  switch (t.settings.linesMode) {
    case settings::kStraightOnly: return true;
    case settings::kCurvedOnly: return false;
    default: break;
  }
  const std::int64_t last = end / kWordsPerVertex;
  for (std::int64_t k = 1; k < last; ++k)
    if (VertexAngle(t, k) < kCornerAngle) return true;
  for (std::int64_t k = 0; k < last; ++k) {
    const std::int64_t dx = VertexX(t, k + 1) - VertexX(t, k);
    const std::int64_t dy = VertexY(t, k + 1) - VertexY(t, k);
    if (dx * dx + dy * dy > t.constants.straightLength2) return true;
  }
  return false;
}

void ThirdPoints(Tracer& t, std::int64_t end) {
  SpanFit& f = t.fit.current;
  ChainBuffer& chain = *t.chain;
  const std::int64_t from = VertexChainOffset(t, 0);
  const std::int64_t to = VertexChainOffset(t, end / kWordsPerVertex);
  const std::int32_t startX = VertexX(t, 0), startY = VertexY(t, 0);
  f.end = end;
  f.p0 = art::PixelPoint{double(startX), double(startY)};

  std::int64_t length = 0;
  for (std::int64_t at = from; at < to; ++at) {
    const std::uint8_t code = chain.byteAt(at);
    if (code > 7) break;  // the record's end: nothing to walk past it
    length += StepLength(code);
  }
  f.chainLength = std::max<std::int64_t>(length, 1);
  const std::int64_t third1 = f.chainLength / 3, third2 = 2 * f.chainLength / 3;

  std::int32_t x = startX, y = startY;
  std::int64_t walked = 0;
  bool haveQ1 = false, haveQ2 = false;
  for (std::int64_t at = from; at < to && !haveQ2; ++at) {
    const std::uint8_t code = chain.byteAt(at);
    if (code > 7) break;
    const std::int32_t x1 = x + kChainDx[code], y1 = y + kChainDy[code];
    const std::int64_t walked1 = walked + StepLength(code);
    if (!haveQ1 && walked1 >= third1) {
      f.q1 = Interpolate(x, y, walked, x1, y1, walked1, third1);
      haveQ1 = true;
    }
    if (haveQ1 && walked1 >= third2) {
      f.q2 = Interpolate(x, y, walked, x1, y1, walked1, third2);
      haveQ2 = true;
    }
    x = x1;
    y = y1;
    walked = walked1;
  }
  // A span without codes (or cut short by the record's end) has its thirds where it stops.
  if (!haveQ1) f.q1 = art::PixelPoint{double(x), double(y)};
  if (!haveQ2) f.q2 = art::PixelPoint{double(x), double(y)};
}

void SetControlPoints(SpanFit& f) {
  f.c1.x = 3.0 * f.q1.x - f.p0.x / 1.2 + f.p3.x / 3.0 - 1.5 * f.q2.x;
  f.c1.y = 3.0 * f.q1.y - f.p0.y / 1.2 + f.p3.y / 3.0 - 1.5 * f.q2.y;
  f.c2.x = 3.0 * f.q2.x - f.p3.x / 1.2 + f.p0.x / 3.0 - 1.5 * f.q1.x;
  f.c2.y = 3.0 * f.q2.y - f.p3.y / 1.2 + f.p0.y / 3.0 - 1.5 * f.q1.y;
}

bool CurveFits(Tracer& t, std::int64_t end) {
  const SpanFit& f = t.fit.current;
  const std::int64_t inner = end / kWordsPerVertex - 1;  // the span's inner vertices
  if (inner < 0 || inner >= kMaxSpanSides) return false;

  // The inner vertices are read once: the samples visit them many times, and a paged window
  // would move for each visit when the span straddles two windows. Only the first `inner`
  // entries are written and read, so the array is left uninitialised: zero-filling its 16 KB
  // on every call took 38 % of the instructions of a text page's conversion.
  struct Point {
    double x, y;  // pixels
  };
  std::array<Point, kMaxSpanSides> vertex;
  for (std::int64_t k = 0; k < inner; ++k) {
    const art::PixelPoint p = VertexPoint(t, k + 1);
    vertex[std::size_t(k)] = {p.x, p.y};
  }
  std::bitset<kMaxSpanSides> passed;

  const double radius2 = VertexHitRadius2(t);
  const double step = std::min(kSampleChainLength / double(f.chainLength), kMaxSampleStep);
  for (double u = step; u < 1.0;) {
    const art::PixelPoint b = Bezier(f, u);
    if (!InsideMask(t, b)) return false;
    double du = step;
    for (std::int64_t k = 0; k < inner; ++k) {
      if (passed[std::size_t(k)]) continue;
      const double dx = b.x - vertex[std::size_t(k)].x;
      if (dx * dx >= kNearVertex2) continue;
      const double dy = b.y - vertex[std::size_t(k)].y;
      const double d2 = dx * dx + dy * dy;
      if (d2 < radius2) passed[std::size_t(k)] = true;
      else if (d2 < kNearVertex2) du = std::sqrt(d2) * step / kNearStepDivisor;
    }
    u += du;
  }
  return static_cast<std::int64_t>(passed.count()) == inner;
}

bool EndTangentsTurnTooMuch(Tracer& t) {
  const SpanFit& f = t.fit.current;
  const int a1 = DirectionDegrees(f.c1.x - f.p0.x, f.c1.y - f.p0.y);
  const int a2 = DirectionDegrees(f.p3.x - f.c2.x, f.p3.y - f.c2.y);
  int turn = std::abs(a1 - a2);
  while (turn > 180) turn -= 360;
  return 180 - std::abs(turn) < 180 - kMaxTangentTurnDegrees;
}

}  // namespace vl::engine
