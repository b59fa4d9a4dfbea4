// What the fitter does differently for centre lines: line ends joined to junctions, the width
// measured in the unthinned image and turned into the stroke weight, and the sides that only
// run back over a written side left out.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/centerline.h"
#include "engine/fitting_vertices.h"
#include "engine/line_paths.h"
#include "engine/outline_geometry.h"

namespace vl::engine {

using namespace fitting;

namespace {

constexpr std::int32_t kSnapRows = 7;           // junctions within this many rows are looked at
constexpr std::int64_t kMaxOffLine = 9999;      // 1/64 square pixel
constexpr std::int64_t kShortSide2 = 36;        // square pixels: too short to judge a direction
constexpr std::int64_t kLongSide2 = 80;         // square pixels
constexpr std::int64_t kOffLinePreference = 100;
constexpr std::int64_t kOffLinePerSnap = 14;    // off-line limit per pixel of snap distance
constexpr std::int32_t kNearAxisPixels = 5;     // per-axis reach of the close-point distances
constexpr std::int64_t kFar2 = 999;
constexpr std::int32_t kSeparatedSnapPixels = 2;  // per axis, for the outlines of areas
constexpr std::int64_t kMaxRetraceSum2 = 10;    // square pixels
constexpr std::int64_t kAlongEnd2 = 11;         // square pixels
constexpr std::int64_t kAlongLineDistance = 800;  // 1/64 square pixel
constexpr double kWidthStepPixels = 0.8;        // a width change that starts a new path
constexpr double kPointsPerInch = 72.0;
constexpr double kWidthStripPixels = 8.0;       // length of the strip a width is counted in
constexpr double kWidthProbeStep = 0.25;        // pixels

struct IntPoint {
  std::int32_t x = 0, y = 0;  // pixels
};

IntPoint Vertex(Tracer& t, std::int64_t k) { return {VertexX(t, k), VertexY(t, k)}; }
bool Same(IntPoint a, IntPoint b) { return a.x == b.x && a.y == b.y; }
std::int64_t Manhattan(IntPoint a, IntPoint b) { return std::abs(a.x - b.x) + std::abs(a.y - b.y); }
std::int64_t Length2(IntPoint a, IntPoint b) {
  const std::int64_t dx = a.x - b.x, dy = a.y - b.y;
  return dx * dx + dy * dy;
}
// Squared distance when both axes are within kNearAxisPixels, else kFar2.
std::int64_t Near2(IntPoint a, IntPoint b) {
  if (std::abs(a.x - b.x) > kNearAxisPixels || std::abs(a.y - b.y) > kNearAxisPixels) return kFar2;
  return Length2(a, b);
}

// 64 x the squared distance of j from the line through p and q, truncated and capped.
std::int64_t OffLine(IntPoint p, IntPoint q, IntPoint j) {
  const std::int64_t l = Length2(p, q);
  if (l == 0) return 0;
  const std::int64_t cross = std::int64_t(q.x - p.x) * (j.y - p.y) - std::int64_t(q.y - p.y) * (j.x - p.x);
  const double v = double(cross) * double(cross) * 64.0 / double(l);
  return v > double(kMaxOffLine) ? kMaxOffLine : std::int64_t(v);
}

// The junction vertex k moves onto (its list index), or -1 when it stays.
std::int64_t ChooseJunction(Tracer& t, std::int64_t k) {
  const JunctionList& list = t.centerline.junctions;
  if (!t.centerline.junctionsReady || list.size() < 3 || !VertexExists(t, k)) return -1;
  const IntPoint p = Vertex(t, k);
  // Q: the neighbour on the span's side; R: the nearest distinct vertex on the other side.
  const std::int64_t toward = k == 0 ? 1 : -1;
  const IntPoint q = VertexExists(t, k + toward) ? Vertex(t, k + toward) : p;
  IntPoint r = p;
  for (std::int64_t i = k - toward; VertexExists(t, i); i -= toward) {
    const IntPoint v = Vertex(t, i);
    if (!Same(v, p)) {
      r = v;
      break;
    }
  }
  const std::int64_t l = Length2(p, q);
  const std::int64_t snap = t.constants.junctionSnapDistance;
  // The snap distance is a squared distance where outline assembly places vertices at
  // junctions (below it: within 5.5 pixels at 300 pixels/inch); taken as a Manhattan distance
  // here it would join line ends to junctions 30 pixels away, across the gaps between letters.
  // Line ends therefore look as far as assembly does: the Manhattan reach of that circle.
  const auto reach = std::int64_t(std::sqrt(2.0 * double(snap)));

  std::int64_t used = -1, free = -1, dUsed = reach, dFree = reach;
  const auto& points = list.points;
  auto it = std::lower_bound(points.begin() + 1, points.end() - 1, p.y - kSnapRows,
                             [](const JunctionPoint& j, std::int32_t y) { return j.y < y; });
  for (; it != points.end() - 1 && it->y <= p.y + kSnapRows; ++it) {
    const auto index = std::int64_t(it - points.begin());
    const std::int64_t d = Manhattan(p, {it->x, it->y});
    if (list.used(std::size_t(index))) {
      if (d < dUsed) dUsed = d, used = index;
    } else if (d < dFree) {
      dFree = d, free = index;
    }
  }
  auto at = [&](std::int64_t index) {
    return IntPoint{points[std::size_t(index)].x, points[std::size_t(index)].y};
  };
  auto freeIfOnLine = [&]() -> std::int64_t {
    const std::int64_t off = OffLine(p, q, at(free));
    if (l > kShortSide2 && off > kOffLinePerSnap * snap &&
        (l > kLongSide2 || off > 2 * kOffLinePerSnap * snap))
      return -1;
    return free;
  };
  if (t.rt.state.tracerMode < 0) {  // separated shapes: the nearer one, no line limits
    std::int64_t j = used >= 0 && free >= 0 && dFree < dUsed ? free : used >= 0 ? used : free;
    // An outline passes through the junctions of its lines, so its vertex there lies at most a
    // pixel or two away; a corner farther off is a corner of the area, and moving it would
    // bend the sides beside it away from the lines.
    if (j >= 0 && (std::abs(at(j).x - p.x) > kSeparatedSnapPixels ||
                   std::abs(at(j).y - p.y) > kSeparatedSnapPixels))
      j = -1;
    return j;
  }
  if (used < 0) return free >= 0 ? freeIfOnLine() : -1;
  const IntPoint u = at(used);
  if (free >= 0 && dFree <= dUsed && Manhattan(u, q) + Manhattan(u, r) <= dUsed)
    return freeIfOnLine();
  if (l > kLongSide2) {
    if (free >= 0 && dFree < dUsed && OffLine(p, q, at(free)) + kOffLinePreference < OffLine(p, q, u))
      return freeIfOnLine();
    if (OffLine(p, q, u) > kOffLinePerSnap * snap) return -1;
  }
  return used;
}

}  // namespace

void WrittenSides::add(const WrittenSide& s) {
  const std::size_t index = sides_.size();
  sides_.push_back(s);
  const std::int64_t a = Key(Cell(s.ax), Cell(s.ay)), b = Key(Cell(s.bx), Cell(s.by));
  cells_[a].push_back(index);
  if (b != a) cells_[b].push_back(index);
}

art::PixelPoint SnapLineEndToJunction(Tracer& t, std::int64_t k, bool trial) {
  IntPoint p = Vertex(t, k);
  const std::int64_t j = t.rt.state.tracerMode != 0 ? ChooseJunction(t, k) : -1;
  if (j >= 0) {
    JunctionList& list = t.centerline.junctions;
    p = {list.points[std::size_t(j)].x, list.points[std::size_t(j)].y};
    if (!trial) list.markUsed(std::size_t(j));
  } else {
    // Away from junctions an end near a recognised line is put onto it.
    const LineSnap s = SnapVertexToLines(t, p.x, p.y);
    p = {s.x, s.y};
  }
  if (!trial) {
    t.rt.state.tracerX = static_cast<std::int16_t>(p.x);
    t.rt.state.tracerY = static_cast<std::int16_t>(p.y);
  }
  return art::PixelPoint{double(p.x), double(p.y)};
}

std::int64_t SnappedJunction(Tracer& t, std::int64_t k) {
  return t.rt.state.tracerMode != 0 ? ChooseJunction(t, k) : -1;
}

bool IsJunctionStop(Tracer& t, std::int64_t k) {
  const std::int64_t j = SnappedJunction(t, k);
  if (j < 0) return false;
  const JunctionPoint jp = t.centerline.junctions.points[std::size_t(j)];
  const IntPoint at{jp.x, jp.y};
  const std::int64_t mine = Near2(Vertex(t, k), at);
  for (std::int64_t other : {k + 1, k - 1})
    if (VertexExists(t, other) && SnappedJunction(t, other) == j && Near2(Vertex(t, other), at) < mine)
      return false;
  return true;
}

double MeasureWidth(Tracer& t, double x, double y, double dx, double dy) {
  const double length = std::hypot(dx, dy);
  if (!(length > 0.0)) {  // no direction: the thinner of the two axes
    return std::min(MeasureWidth(t, x, y, 1.0, 0.0), MeasureWidth(t, x, y, 0.0, 1.0));
  }
  // The ink in a strip across the line, kWidthStripPixels long and reaching as far to each
  // side as thinning can have worn, divided by the strip's length. Counting area instead of
  // walking to the edges keeps slanted strokes, whose edges are staircases, from coming out
  // too thin or too thick.
  const double ux = dx / length, uy = dy / length;
  const double cx = std::floor(x) + 0.5, cy = std::floor(y) + 0.5;
  const double reach = 2.0 * std::max(1, t.centerline.thinning.steps) + 1.0;
  // How far the ink runs to each side along the normal: the strip stops a pixel past that, so
  // that a neighbouring stroke beyond a gap is not counted.
  double side[2] = {reach, reach};
  for (int k = 0; k < 2; ++k) {
    const double sign = k == 0 ? 1.0 : -1.0;
    for (double d = kWidthProbeStep; d < reach; d += kWidthProbeStep) {
      const double px = cx - sign * d * uy, py = cy + sign * d * ux;
      if (!BackupPixel(t, std::int32_t(std::floor(px)), std::int32_t(std::floor(py)))) {
        side[k] = std::min(reach, d + 1.0);
        break;
      }
    }
  }
  const double half = kWidthStripPixels / 2.0;
  const auto extent = std::int32_t(std::ceil(half + reach));
  const auto px = std::int32_t(std::floor(x)), py = std::int32_t(std::floor(y));
  int ink = 0;
  for (std::int32_t iy = py - extent; iy <= py + extent; ++iy)
    for (std::int32_t ix = px - extent; ix <= px + extent; ++ix) {
      const double ox = ix + 0.5 - cx, oy = iy + 0.5 - cy;
      const double along = ox * ux + oy * uy, across = oy * ux - ox * uy;
      // Half-open along the line, so that a strip holds its length in pixels exactly.
      if (along < -half || along >= half || across > side[0] || across < -side[1]) continue;
      ink += BackupPixel(t, ix, iy);
    }
  return std::max(ink / kWidthStripPixels, 1.0);
}

void ApplyMeanWidth(Tracer& t) {
  CenterlineState& c = t.centerline;
  if (c.widthCount == 0) return;
  const double resolution = t.image.yResolution > 0.0 ? t.image.yResolution : 72.0;
  t.art.pen.strokeWeightPoints = c.widthSum / c.widthCount * kPointsPerInch / resolution;
  c.widthSum = 0.0;
  c.widthCount = 0;
}

void SetLineWidth(Tracer& t, double width) {
  CenterlineState& c = t.centerline;
  if (t.rt.state.tracerMode < 0) {  // a separated area takes the mean along its outline
    c.widthSum += width;
    ++c.widthCount;
    return;
  }
  if (std::fabs(width - c.currentWidth) < kWidthStepPixels) return;
  EndPathInProgress(t);
  c.currentWidth = width;
  const double resolution = t.image.yResolution > 0.0 ? t.image.yResolution : 72.0;
  t.art.pen.strokeWeightPoints = width * kPointsPerInch / resolution;
}

bool IsRetracedSide(Tracer& t, std::int64_t a, std::int64_t b) {
  if (!VertexExists(t, a) || !VertexExists(t, b)) return false;
  const IntPoint pa = Vertex(t, a), pb = Vertex(t, b);
  if (Same(pa, pb)) return false;
  const std::int64_t length2 = Length2(pa, pb);
  const std::int64_t limit = std::min(kMaxRetraceSum2, length2 / 8 + 1);
  bool found = false;
  // An earlier side run the same way back (its start near B and its end near A), or the
  // same way again: the sides repeated past the start point once the line has closed.
  t.centerline.written.forEachNear(pb.x, pb.y, kNearAxisPixels, [&](const WrittenSide& s) {
    const IntPoint e{s.ax, s.ay}, f{s.bx, s.by};
    found = Near2(pb, e) + Near2(pa, f) <= limit || Near2(pa, e) + Near2(pb, f) <= limit;
    return found;
  });
  if (found) return true;
  // Or one that this side runs back along: an end close to it, the other end near its line
  // and inside its extent, heading against it.
  auto along = [&](const WrittenSide& s) {
    const IntPoint e{s.ax, s.ay}, f{s.bx, s.by};
    const std::int64_t ex = f.x - e.x, ey = f.y - e.y;
    if (ex * (pb.x - pa.x) + ey * (pb.y - pa.y) >= 0) return false;
    for (auto [end, other] : {std::pair{pa, pb}, std::pair{pb, pa}}) {
      if (std::min(Length2(end, e), Length2(end, f)) >= kAlongEnd2) continue;
      if (OffLine(e, f, other) > kAlongLineDistance) continue;
      const bool alongX = std::abs(ex) >= std::abs(ey);
      const std::int32_t v = alongX ? other.x : other.y;
      const std::int32_t lo = alongX ? std::min(e.x, f.x) : std::min(e.y, f.y);
      const std::int32_t hi = alongX ? std::max(e.x, f.x) : std::max(e.y, f.y);
      if (v >= lo && v <= hi) return true;
    }
    return false;
  };
  for (IntPoint end : {pa, pb}) {
    t.centerline.written.forEachNear(end.x, end.y, kNearAxisPixels, [&](const WrittenSide& s) {
      found = along(s);
      return found;
    });
    if (found) return true;
  }
  return false;
}

void NoteWrittenSides(Tracer& t, std::int64_t a, std::int64_t b) {
  for (std::int64_t k = a; k < b && VertexExists(t, k + 1); ++k) {
    const IntPoint p = Vertex(t, k), q = Vertex(t, k + 1);
    if (!Same(p, q)) t.centerline.written.add({p.x, p.y, q.x, q.y});
  }
}

void EndPathInProgress(Tracer& t) {
  if (!t.fit.pathStarted) return;
  WritePendingPath(t);
  t.fit.pathStarted = false;
  t.centerline.pathBroken = false;
}

}  // namespace vl::engine
