// Placing a collected path on the page: the half-pixel outward offset of filled outlines and
// the move from pixel indices to pixel centres, then the artwork writes.
#include "engine/outline_geometry.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/centerline.h"
#include "engine/close_fit.h"
#include "engine/tracer.h"

namespace vl::engine {

namespace {

struct Vec {
  double x = 0.0, y = 0.0;
};

Vec Between(art::PixelPoint from, art::PixelPoint to) { return {to.x - from.x, to.y - from.y}; }
art::PixelPoint Moved(art::PixelPoint p, Vec v, double by) {
  return {p.x + by * v.x, p.y + by * v.y};
}
bool Same(art::PixelPoint a, art::PixelPoint b) { return a.x == b.x && a.y == b.y; }

std::optional<Vec> Unit(Vec v) {
  const double length = std::hypot(v.x, v.y);
  if (!(length > 1e-12)) return std::nullopt;
  return Vec{v.x / length, v.y / length};
}

// The direction a segment leaves `from` in, and the one it arrives at its end in; a curve's
// comes from its nearest control point that lies apart from the anchor.
std::optional<Vec> LeavingDirection(art::PixelPoint from, const PendingSegment& s) {
  if (s.curve)
    for (art::PixelPoint p : {s.c1, s.c2, s.to})
      if (auto u = Unit(Between(from, p))) return u;
  return Unit(Between(from, s.to));
}
std::optional<Vec> ArrivingDirection(art::PixelPoint from, const PendingSegment& s) {
  if (s.curve)
    for (art::PixelPoint p : {s.c2, s.c1, from})
      if (auto u = Unit(Between(p, s.to))) return u;
  return Unit(Between(from, s.to));
}

// Outward for a boundary followed with the background on its left (y grows downward).
Vec LeftNormal(Vec u) { return {u.y, -u.x}; }

// How far a side running along u lies inside the pixels' outer edge. Along an axis the
// boundary pixels' centres lie half a pixel in; on a slant the runs of a staircase straddle
// the edge, and on the diagonal the centres lie on the line through the middle of the steps,
// 0.5 / sqrt(2) in: half a pixel across the side's main axis.
double Reach(Vec u) { return kOutlineOffset * std::max(std::fabs(u.x), std::fabs(u.y)); }

// An anchor after the offset: where the arriving segment now ends, where the leaving one
// starts (apart only at a squared-off corner), and how far the two sides moved.
struct MovedAnchor {
  art::PixelPoint in, out;
  Vec inShift, outShift;
};

// A sharp inward turn would throw the meeting point of its moved sides far off: it is kept
// within this many pixels of the anchor.
constexpr double kMaxMiterPixels = 1.0;
// An inner corner rounded by a diagonal step lies within a step and an offset of the vertex.
constexpr double kMaxInnerCornerPixels = 1.5;

MovedAnchor MoveAnchor(art::PixelPoint p, std::optional<Vec> arriving, std::optional<Vec> leaving,
                       bool mayPutTwo) {
  if (!arriving && !leaving) return {p, p, {}, {}};
  const Vec u = arriving ? *arriving : *leaving;
  const Vec w = leaving ? *leaving : *arriving;
  const Vec n1 = LeftNormal(u), n2 = LeftNormal(w);
  const double h1 = Reach(u), h2 = Reach(w);
  const Vec inShift{h1 * n1.x, h1 * n1.y}, outShift{h2 * n2.x, h2 * n2.y};
  const double dot = u.x * w.x + u.y * w.y;
  const double cross = u.x * w.y - u.y * w.x;  // >= 0: the boundary turns away from the background
  if (mayPutTwo && cross >= -1e-9 && dot < -1e-9) {
    // A convex turn sharper than a right angle: each side runs on to the pixel's end.
    return {Moved(Moved(p, inShift, 1.0), u, h1), Moved(Moved(p, outShift, 1.0), w, -h2), inShift,
            outShift};
  }
  Vec m;
  const double d = n1.x * n2.x + n1.y * n2.y;
  if (1.0 - d * d > 1e-9) {
    // Where the two moved sides meet: m . n1 = h1 and m . n2 = h2.
    const double a = (h1 - d * h2) / (1.0 - d * d), b = (h2 - d * h1) / (1.0 - d * d);
    m = {a * n1.x + b * n2.x, a * n1.y + b * n2.y};
    const double length = std::hypot(m.x, m.y);
    if (length > kMaxMiterPixels) m = {m.x * kMaxMiterPixels / length, m.y * kMaxMiterPixels / length};
  } else if (d > 0.0) {
    m = {(inShift.x + outShift.x) / 2, (inShift.y + outShift.y) / 2};  // straight on
  } else {
    m = {h1 * u.x, h1 * u.y};  // a spike that may not be squared off: its tip moves on
  }
  const art::PixelPoint q = Moved(p, m, 1.0);
  return {q, q, inShift, outShift};
}

double Cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }

// A side's offset line before the move: a point on it and its direction.
struct SideLine {
  art::PixelPoint at;
  Vec u;
};

// The anchor where a run's edge meets its neighbour's across an inner corner: the two sides
// moved out, then intersected. A run starts a diagonal step away from the polygon's vertex, so
// the lines do not meet at the vertex; without a meeting near it, the usual placement.
MovedAnchor MeetAtInnerCorner(art::PixelPoint p, SideLine in, SideLine out) {
  const Vec n1 = LeftNormal(in.u), n2 = LeftNormal(out.u);
  const double h1 = Reach(in.u), h2 = Reach(out.u);
  const Vec inShift{h1 * n1.x, h1 * n1.y}, outShift{h2 * n2.x, h2 * n2.y};
  const double turn = Cross(in.u, out.u);
  const art::PixelPoint a = Moved(in.at, inShift, 1.0), b = Moved(out.at, outShift, 1.0);
  if (std::fabs(turn) > 1e-6) {
    const double s = Cross(Between(a, b), out.u) / turn;
    const art::PixelPoint m = Moved(a, in.u, s);
    if (std::hypot(m.x - p.x, m.y - p.y) <= kMaxInnerCornerPixels) return {m, m, inShift, outShift};
  }
  return MoveAnchor(p, in.u, out.u, false);
}

std::size_t PointWords(const PendingPath& path, std::size_t segments) {
  std::size_t words = 2;
  for (std::size_t i = 0; i < segments; ++i) words += path.segments[i].curve ? 6 : 2;
  return words;
}

art::PixelPoint OnPage(art::PixelPoint p) { return {p.x + 0.5, p.y + 0.5}; }

bool SameSegment(const PendingSegment& a, const PendingSegment& b) {
  return a.curve == b.curve && Same(a.to, b.to) && (!a.curve || (Same(a.c1, b.c1) && Same(a.c2, b.c2)));
}

// Segments up to the first return to the start, when the ones after it only go over the
// loop's first sides again (lines written across the start point); all of them otherwise.
std::size_t LoopLength(const PendingPath& path) {
  const std::size_t n = path.segments.size();
  std::size_t j = 0;
  while (j < n && !Same(path.segments[j].to, path.start)) ++j;
  if (j + 1 >= n) return n;
  for (std::size_t k = j + 1; k < n; ++k)
    if (!SameSegment(path.segments[k], path.segments[k - j - 1])) return n;
  return j + 1;
}

// The loop of a path traced once round and on across its start: up to its first return to
// the start, or from its first anchor after the start round to that anchor again.
void ClosePassedLoop(PendingPath& path) {
  std::vector<PendingSegment>& s = path.segments;
  for (std::size_t j = 0; j < s.size(); ++j) {
    if (Same(s[j].to, path.start)) {
      s.resize(j + 1);
      return;
    }
    if (j > 0 && Same(s[j].to, s[0].to)) {
      path.start = s[0].to;
      s.erase(s.begin() + std::ptrdiff_t(j) + 1, s.end());
      s.erase(s.begin());
      return;
    }
  }
}

}  // namespace

art::PixelPoint OutwardShift(double dx, double dy) {
  const std::optional<Vec> u = Unit({dx, dy});
  if (!u) return {0.0, 0.0};
  const Vec n = LeftNormal(*u);
  return {Reach(*u) * n.x, Reach(*u) * n.y};
}

PendingPath OffsetOutward(const PendingPath& path, std::size_t maxWords) {
  if (path.onPixelEdges || path.segments.empty()) return path;
  const std::size_t n = LoopLength(path);

  auto anchor = [&](std::size_t i) { return i == 0 ? path.start : path.segments[i - 1].to; };
  const bool closed = Same(anchor(n), path.start);
  const std::size_t anchors = closed ? n : n + 1;  // the closing anchor is the start again

  // The directions the path arrives at and leaves each anchor in, as drawn.
  std::vector<std::optional<Vec>> arriving(anchors), leaving(anchors);
  for (std::size_t i = 0; i < anchors; ++i) {
    if (i > 0) arriving[i] = ArrivingDirection(anchor(i - 1), path.segments[i - 1]);
    else if (closed) arriving[i] = ArrivingDirection(anchor(n - 1), path.segments[n - 1]);
    if (i < n) leaving[i] = LeavingDirection(anchor(i), path.segments[i]);
  }

  // A side placed as its run: each diagonal step it has must round an inner corner, turning
  // toward the background by more than 30 degrees from the neighbouring side. Round an outer
  // corner the step is a notch cut off the shape and the side keeps its slant.
  constexpr double kInnerTurn = -0.5;  // sine of the turn
  std::vector<std::optional<Vec>> run(n);
  for (std::size_t k = 0; k < n; ++k) {
    const PendingSegment& s = path.segments[k];
    if (!s.hasRun) continue;
    const std::optional<Vec> a = Unit(Between(s.runFrom, s.runTo));
    if (!a) continue;
    bool inner = true;
    if (!Same(s.runFrom, anchor(k))) {
      const std::optional<Vec>& u = arriving[k];
      inner = u && Cross(*u, *a) < kInnerTurn && Cross(Between(anchor(k), s.runFrom), *a) < 0;
    }
    if (inner && !Same(s.runTo, s.to)) {
      const std::optional<Vec>& w = leaving[k + 1 == anchors ? 0 : k + 1];
      inner = w && Cross(*a, *w) < kInnerTurn && Cross(*a, Between(s.runTo, s.to)) < 0;
    }
    if (inner) run[k] = a;
  }
  for (std::size_t k = 0; k < n; ++k)
    if (run[k]) {
      leaving[k] = run[k];
      arriving[k + 1 == anchors ? 0 : k + 1] = run[k];
    }

  std::vector<MovedAnchor> moved(anchors);
  auto place = [&](bool mayPutTwo) {
    std::size_t extra = 0;
    for (std::size_t i = 0; i < anchors; ++i) {
      const art::PixelPoint p = anchor(i);
      const std::size_t before = i > 0 ? i - 1 : n - 1;
      const bool runIn = (i > 0 || closed) && run[before] && !Same(path.segments[before].runTo, p);
      const bool runOut = i < n && run[i] && !Same(path.segments[i].runFrom, p);
      if (runIn || runOut)
        moved[i] = MeetAtInnerCorner(p, {runIn ? path.segments[before].runTo : p, *arriving[i]},
                                     {runOut ? path.segments[i].runFrom : p, *leaving[i]});
      else
        moved[i] = MoveAnchor(p, arriving[i], leaving[i], mayPutTwo);
      extra += Same(moved[i].in, moved[i].out) ? 0 : 2;
    }
    return extra;
  };
  if (PointWords(path, n) + place(true) > maxWords) place(false);

  PendingPath out;
  out.boundsPoints = path.boundsPoints;
  out.edgePoints = path.edgePoints;
  out.edgeParams = path.edgeParams;
  out.start = moved[0].out;
  out.segments.reserve(n + n / 4);
  for (std::size_t i = 1; i <= n; ++i) {
    const MovedAnchor& from = moved[i - 1];
    const MovedAnchor& to = moved[i == anchors ? 0 : i];
    PendingSegment s = path.segments[i - 1];
    s.hasRun = false;
    if (s.curve && run[i - 1]) {
      // A straight side drawn as a curve: its control points stay at the thirds.
      s.c1 = {(2.0 * from.out.x + to.in.x) / 3.0, (2.0 * from.out.y + to.in.y) / 3.0};
      s.c2 = {(from.out.x + 2.0 * to.in.x) / 3.0, (from.out.y + 2.0 * to.in.y) / 3.0};
    } else if (s.curve) {
      s.c1 = Moved(s.c1, from.outShift, 1.0);
      s.c2 = Moved(s.c2, to.inShift, 1.0);
    }
    s.to = to.in;
    out.segments.push_back(s);
    if (!Same(to.in, to.out)) out.segments.push_back({{}, {}, to.out, false});
  }
  return out;
}

bool WritePendingPath(Tracer& t) {
  PendingPath& pending = t.fit.pending;
  const bool aborted = t.rt.state.abortRequested != 0;
  if (aborted || !t.fit.pathStarted || pending.segments.empty()) {
    pending.clear();
    return !aborted;
  }
  // Centre lines stay on the pixel centres: they are stroked, not filled. So do the outlines
  // of separated areas, which run along the middle of the lines between them; the sides
  // written across the start go, and a path that passes its first anchor again (the start
  // moved onto a junction) begins at its second. Only outlines placed on the pixel edges are
  // relaxed toward them.
  const bool onPixelCentres = t.rt.state.tracerMode > 0 || SeparatedShapeTrace(t);
  PendingPath placed = onPixelCentres ? pending : OffsetOutward(pending, art::kMaxPointWords);
  if (SeparatedShapeTrace(t)) ClosePassedLoop(placed);
  if (!onPixelCentres && !placed.edgePoints.empty()) {
    RelaxAnchors(placed, kMaxAnchorMove);
    // Each split adds a curve's six words; at most half as many segments again (the page
    // counts measured stay under those of a tracer that fits corners tightly).
    const std::size_t words = PointWords(placed, placed.segments.size());
    const std::size_t room = words < art::kMaxPointWords ? (art::kMaxPointWords - words) / 6 : 0;
    const std::size_t budget = std::min(room, placed.segments.size() / 2 + 1);
    (void)SplitStrayCurves(placed, kStrayLimit, static_cast<int>(budget));
  }
  pending.clear();

  art::Pen& pen = t.art.pen;
  pen.position = OnPage(placed.start);
  if (!art::beginPath(t.art, t.rt, t.settings)) return false;
  for (const PendingSegment& s : placed.segments) {
    if (t.rt.state.abortRequested) return false;
    pen.control1 = OnPage(s.c1);
    pen.control2 = OnPage(s.c2);
    pen.position = OnPage(s.to);
    if (!art::addPoint(t.art, t.rt, s.curve)) return false;
  }
  // The pixel around each point the path passes near: its page square's two corners.
  const double scale = pen.artScale;
  for (art::PixelPoint p : placed.boundsPoints)
    for (double d : {0.0, 1.0})
      art::widenBounds(t.art, art::AnchorToArt(p.x + d, scale), art::AnchorToArt(p.y + d, scale));
  return true;
}

}  // namespace vl::engine
