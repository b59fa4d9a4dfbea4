// Deleting, adding and moving anchors, and rotating closed paths.
#include "art/anchor_editing.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "art/anchor_walk.h"
#include "base/message_table.h"

namespace vl::art {

namespace {

using detail::HasAnchorAt;
using detail::NextAnchor;

// Flattening: straight pieces per curve. The measured thirds move by well under one art unit
// beyond 16 pieces on traced curves.
constexpr int kFlatteningPieces = 16;

std::uint16_t* Words(PathRecord& path) { return path.points.as<std::uint16_t>(); }

std::uint16_t Clamp(double v) {
  // Truncation as the control-point formula asks, kept inside the 15 bits of a coordinate.
  const double t = std::trunc(v);
  return std::uint16_t(std::clamp(t, 0.0, double(kMaxCoordinate)));
}

ArtPoint At(const std::uint16_t* w, std::size_t at) {
  return {double(w[at] & kCoordinateMask), double(w[at + 1] & kCoordinateMask)};
}

ArtPoint Bezier(const ArtPoint p[4], double t) {
  const double u = 1.0 - t;
  const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
  return {a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x,
          a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y};
}

// The four points of the segment leaving the anchor at `at` (a line has its ends doubled).
void SegmentPoints(const std::uint16_t* w, std::size_t at, ArtPoint p[4]) {
  p[0] = At(w, at);
  if (w[at] & kCurveBit) {
    p[1] = At(w, at + 2);
    p[2] = At(w, at + 4);
    p[3] = At(w, at + 6);
  } else {
    p[3] = At(w, at + 2);
    p[1] = p[0];
    p[2] = p[3];
  }
}

void AppendFlattened(const std::uint16_t* w, std::size_t at, std::vector<ArtPoint>& out) {
  ArtPoint p[4];
  SegmentPoints(w, at, p);
  if (!(w[at] & kCurveBit)) {
    out.push_back(p[3]);
    return;
  }
  for (int i = 1; i <= kFlatteningPieces; ++i) out.push_back(Bezier(p, double(i) / kFlatteningPieces));
}

// The point at `fraction` of the polyline's length, each piece measured by the integer square
// root of its squared length.
ArtPoint AtLength(const std::vector<ArtPoint>& line, double fraction) {
  std::vector<double> piece(line.size(), 0.0);
  double total = 0.0;
  for (std::size_t i = 1; i < line.size(); ++i) {
    const double dx = line[i].x - line[i - 1].x, dy = line[i].y - line[i - 1].y;
    piece[i] = std::floor(std::sqrt(std::floor(dx * dx + dy * dy)));
    total += piece[i];
  }
  const double target = total * fraction;
  double before = 0.0;
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (piece[i] > 0 && before + piece[i] >= target) {
      const double t = (target - before) / piece[i];
      return {line[i - 1].x + t * (line[i].x - line[i - 1].x),
              line[i - 1].y + t * (line[i].y - line[i - 1].y)};
    }
    before += piece[i];
  }
  return line.back();
}

// The cubic's direction points through q1 at t = 1/3 and q2 at t = 2/3.
void ControlsThrough(ArtPoint k, ArtPoint q1, ArtPoint q2, ArtPoint n, std::uint16_t c[4]) {
  c[0] = Clamp(3 * q1.x - k.x / 1.2 + n.x / 3 - 1.5 * q2.x);
  c[1] = Clamp(3 * q1.y - k.y / 1.2 + n.y / 3 - 1.5 * q2.y);
  c[2] = Clamp(3 * q2.x - n.x / 1.2 + k.x / 3 - 1.5 * q1.x);
  c[3] = Clamp(3 * q2.y - n.y / 1.2 + k.y / 3 - 1.5 * q1.y);
}

// Replaces words [from, to) of the point array by `with`. The caller reserved the room.
void Splice(PathRecord& path, std::size_t from, std::size_t to, const std::vector<std::uint16_t>& with) {
  std::uint16_t* w = Words(path);
  const std::size_t used = path.usedWords;
  const std::size_t newUsed = used - (to - from) + with.size();
  std::vector<std::uint16_t> tail(w + to, w + used);
  std::copy(with.begin(), with.end(), w + from);
  std::copy(tail.begin(), tail.end(), w + from + with.size());
  path.usedWords = std::uint16_t(newUsed);
}

// Offset of the anchor before the one at `offset`, or npos.
std::size_t PreviousAnchor(const PathRecord& path, std::size_t offset) {
  std::size_t previous = std::numeric_limits<std::size_t>::max();
  for (std::size_t at : AnchorOffsets(path)) {
    if (at == offset) return previous;
    previous = at;
  }
  return std::numeric_limits<std::size_t>::max();
}

bool Inside(const ArtBounds& r, std::int32_t x, std::int32_t y) {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

// Drops the first or the last segment of an open path.
void DropEndSegment(PathRecord& path, bool first) {
  const std::vector<std::size_t> at = AnchorOffsets(path);
  std::uint16_t* w = Words(path);
  if (first) {
    Splice(path, 0, at[1], {});
    Words(path)[1] &= kCoordinateMask;  // the new first anchor has nothing arriving
  } else {
    Splice(path, at[at.size() - 2] + 2, path.usedWords, {});
    w = Words(path);
    w[at[at.size() - 2]] &= kCoordinateMask;  // nothing leaves the new last anchor
  }
  RecomputeBounds(path);
}

enum class Deletion { kDeleted, kPathGoes, kFailed };

// Deletes one anchor of `path` wherever it stands: an end of an open path takes its segment
// with it, an end of a closed path is reached by rotating first.
Deletion DeleteAnyAnchor(PathRecord& path, std::size_t offset) {
  std::vector<std::size_t> at = AnchorOffsets(path);
  if (at.size() <= 2) return Deletion::kPathGoes;
  const bool end = offset == at.front() || offset == at.back();
  if (!end) return DeleteAnchorPoint(path, offset) ? Deletion::kDeleted : Deletion::kFailed;
  if (!IsClosed(path)) {
    DropEndSegment(path, offset == at.front());
    return Deletion::kDeleted;
  }
  if (RotateClosedPath(path) != 0) return Deletion::kPathGoes;
  // The old first anchor is now the one before the last.
  at = AnchorOffsets(path);
  return DeleteAnchorPoint(path, at[at.size() - 2]) ? Deletion::kDeleted : Deletion::kFailed;
}

}  // namespace

std::vector<std::size_t> AnchorOffsets(const PathRecord& path) {
  std::vector<std::size_t> out;
  const std::span<const std::uint16_t> words = PointWords(path);
  for (std::size_t at = 0; HasAnchorAt(words, at); at = NextAnchor(words, at)) out.push_back(at);
  return out;
}

void RecomputeBounds(PathRecord& path) {
  path.left = path.top = kMaxCoordinate;
  path.right = path.bottom = 0;
  const std::span<const std::uint16_t> words = PointWords(path);
  const std::uint16_t* w = words.data();
  for (std::size_t at : AnchorOffsets(path)) {
    widenBounds(path, detail::X(words, at), detail::Y(words, at));
    // Curves are covered too, as the tracer's bounds are, so that a click on the part of a
    // curve that bulges beyond its anchors still finds the path.
    if (!(w[at] & kCurveBit) || !HasAnchorAt(words, NextAnchor(words, at))) continue;
    ArtPoint p[4];
    SegmentPoints(w, at, p);
    for (int i = 1; i < kFlatteningPieces; ++i) {
      const ArtPoint q = Bezier(p, double(i) / kFlatteningPieces);
      widenBounds(path, std::int32_t(q.x), std::int32_t(q.y));
    }
  }
}

bool ReserveWords(PathRecord& path, std::size_t words) {
  if (words > kMaxPointWords) return false;
  if (words <= path.capacityWords && path.points.size() >= words * 2) return true;
  std::size_t grown = std::min<std::size_t>(kMaxPointWords, words + kPointGrowthWords);
  if (path.points.empty()) return false;  // an empty path has nothing to edit
  if (!path.points.resize(grown * 2)) return false;
  path.capacityWords = std::uint16_t(grown);
  return true;
}

bool DeleteAnchorPoint(PathRecord& path, std::size_t offset) {
  const std::size_t k = PreviousAnchor(path, offset);
  if (k == std::numeric_limits<std::size_t>::max()) return false;
  return DeleteAnchorPoint(path, k, offset);
}

bool DeleteAnchorPoint(PathRecord& path, std::size_t k, std::size_t offset) {
  const std::span<const std::uint16_t> words = PointWords(path);
  if (!HasAnchorAt(words, k) || NextAnchor(words, k) != offset) return false;
  const std::size_t n = NextAnchor(words, offset);
  if (!HasAnchorAt(words, n)) return false;
  const std::size_t removed = n - k - 2;  // words between K and N
  const std::size_t used = path.usedWords - removed + 4;
  if (!ReserveWords(path, used)) return false;

  const std::uint16_t* w = Words(path);
  std::vector<ArtPoint> line{At(w, k)};
  AppendFlattened(w, k, line);
  AppendFlattened(w, offset, line);
  const ArtPoint kp = At(w, k), np = At(w, n);
  std::uint16_t c[4];
  ControlsThrough(kp, AtLength(line, 0.33333333), AtLength(line, 0.66666667), np, c);
  Words(path)[k] |= kCurveBit;
  Splice(path, k + 2, n, {c[0], c[1], c[2], c[3]});
  Words(path)[k + 7] |= kCurveBit;  // N's y: a curve arrives
  RecomputeBounds(path);
  return true;
}

int RotateClosedPath(PathRecord& path) {
  const std::vector<std::size_t> at = AnchorOffsets(path);
  if (at.size() <= 2) return 1;
  std::uint16_t* w = Words(path);
  const std::size_t used = path.usedWords;
  const bool curve = w[0] & kCurveBit;
  const std::size_t second = at[1];
  std::vector<std::uint16_t> out(w + second, w + used);
  out[1] &= kCoordinateMask;  // the new first anchor: nothing arrives
  if (curve) out[out.size() - 2] |= kCurveBit;  // the old first segment leaves the old last anchor
  if (curve) out.insert(out.end(), w + 2, w + 6);
  out.push_back(w[second] & kCoordinateMask);
  out.push_back(std::uint16_t((w[second + 1] & kCoordinateMask) | (curve ? kCurveBit : 0)));
  std::copy(out.begin(), out.end(), w);
  return 0;
}

ArtPoint SegmentPoint(const PathRecord& path, std::size_t offset, double t) {
  ArtPoint p[4];
  SegmentPoints(path.points.as<std::uint16_t>(), offset, p);
  if (!(path.points.as<std::uint16_t>()[offset] & kCurveBit))
    return {p[0].x + t * (p[3].x - p[0].x), p[0].y + t * (p[3].y - p[0].y)};
  return Bezier(p, t);
}

bool SplitSegment(PathRecord& path, std::size_t offset, double t) {
  const std::uint16_t* w = Words(path);
  const bool curve = w[offset] & kCurveBit;
  if (!ReserveWords(path, std::size_t(path.usedWords) + (curve ? 6 : 2))) return false;
  w = Words(path);
  const ArtPoint h = SegmentPoint(path, offset, t);
  const std::uint16_t hx = Clamp(h.x + 0.5), hy = Clamp(h.y + 0.5);
  if (!curve) {
    Splice(path, offset + 2, offset + 2, {hx, hy});
  } else {
    const ArtPoint k = At(w, offset), n = At(w, offset + 6);
    const ArtPoint hp{double(hx), double(hy)};
    std::uint16_t a[4], b[4];
    ControlsThrough(k, SegmentPoint(path, offset, t / 3), SegmentPoint(path, offset, 2 * t / 3), hp, a);
    ControlsThrough(hp, SegmentPoint(path, offset, (2 * t + 1) / 3),
                    SegmentPoint(path, offset, (t + 2) / 3), n, b);
    Splice(path, offset + 2, offset + 6,
           {a[0], a[1], a[2], a[3], std::uint16_t(hx | kCurveBit), std::uint16_t(hy | kCurveBit),
            b[0], b[1], b[2], b[3]});
  }
  RecomputeBounds(path);
  return true;
}

void MoveAnchor(PathRecord& path, std::size_t offset, std::int32_t x, std::int32_t y) {
  const std::vector<std::size_t> at = AnchorOffsets(path);
  const bool closed = IsClosed(path);
  std::uint16_t* w = Words(path);
  auto put = [&](std::size_t o) {
    w[o] = std::uint16_t((w[o] & kCurveBit) | std::clamp(x, 0, kMaxCoordinate));
    w[o + 1] = std::uint16_t((w[o + 1] & kCurveBit) | std::clamp(y, 0, kMaxCoordinate));
  };
  put(offset);
  if (closed && (offset == at.front() || offset == at.back())) {
    put(at.front());
    put(at.back());
  }
  RecomputeBounds(path);
}

bool BendSegment(PathRecord& path, std::size_t offset, ArtPoint m) {
  std::uint16_t* w = Words(path);
  if (!(w[offset] & kCurveBit)) {
    // A line first becomes a curve with both direction points at its midpoint.
    if (!ReserveWords(path, std::size_t(path.usedWords) + 4)) return false;
    w = Words(path);
    const std::uint16_t mx = std::uint16_t(((w[offset] & kCoordinateMask) + (w[offset + 2] & kCoordinateMask)) / 2);
    const std::uint16_t my = std::uint16_t(((w[offset + 1] & kCoordinateMask) + (w[offset + 3] & kCoordinateMask)) / 2);
    Splice(path, offset + 2, offset + 2, {mx, my, mx, my});
    w = Words(path);
    w[offset] |= kCurveBit;
    w[offset + 7] |= kCurveBit;
  }
  const ArtPoint k = At(w, offset), n = At(w, offset + 6);
  const double wx = 5 * ((k.x + n.x) / 6 - m.x / 3), wy = 5 * ((k.y + n.y) / 6 - m.y / 3);
  w[offset + 2] = Clamp((m.x + k.x - wx) / 2);
  w[offset + 3] = Clamp((m.y + k.y - wy) / 2);
  w[offset + 4] = Clamp((n.x + m.x - wx) / 2);
  w[offset + 5] = Clamp((n.y + m.y - wy) / 2);
  RecomputeBounds(path);
  return true;
}

namespace {

constexpr double kLargestArcRadiusPixels = 5000.0;
constexpr double kArcHandle = 0.4;  // direction point distance per radian of sweep, in radii

// Direction points of the arc from angle a0 over `sweep` radians (signed) on the circle.
void ArcHandles(ArtPoint c, double r, double a0, double sweep, std::uint16_t out[4]) {
  const double a1 = a0 + sweep, d = sweep > 0 ? 1.0 : -1.0, l = kArcHandle * std::fabs(sweep) * r;
  out[0] = Clamp(c.x + r * std::cos(a0) - d * l * std::sin(a0) + 0.5);
  out[1] = Clamp(c.y + r * std::sin(a0) + d * l * std::cos(a0) + 0.5);
  out[2] = Clamp(c.x + r * std::cos(a1) + d * l * std::sin(a1) + 0.5);
  out[3] = Clamp(c.y + r * std::sin(a1) - d * l * std::cos(a1) + 0.5);
}

}  // namespace

bool ArcSegment(PathRecord& path, std::size_t offset, ArtPoint m, double artScale) {
  std::uint16_t* w = Words(path);
  const ArtPoint k = At(w, offset);
  const ArtPoint n = At(w, (w[offset] & kCurveBit) ? offset + 6 : offset + 2);
  const double a = std::hypot(n.x - k.x, n.y - k.y), b = std::hypot(m.x - k.x, m.y - k.y),
               c = std::hypot(m.x - n.x, m.y - n.y), s = (a + b + c) / 2;
  const double area2 = s * (s - a) * (s - b) * (s - c);
  const double r = area2 > 0 ? a * b * c / (4 * std::sqrt(area2)) : 0;
  // Bend through the midpoint first: a straight curve, the shape kept when no arc fits.
  if (!BendSegment(path, offset, {(k.x + n.x) / 2, (k.y + n.y) / 2})) return false;
  w = Words(path);
  const ArtPoint mid{(k.x + n.x) / 2, (k.y + n.y) / 2};
  w[offset + 2] = w[offset + 4] = Clamp(mid.x + 0.5);
  w[offset + 3] = w[offset + 5] = Clamp(mid.y + 0.5);
  if (a == 0 || r <= 0 || r / artScale >= kLargestArcRadiusPixels) {
    RecomputeBounds(path);
    return true;
  }
  // The centre on the perpendicular bisector of K-N: of the two, the one whose distance from
  // the mouse is nearer the radius.
  const double h = std::sqrt(std::max(0.0, r * r - a * a / 4));
  const ArtPoint normal{-(n.y - k.y) / a, (n.x - k.x) / a};
  ArtPoint centre{mid.x + h * normal.x, mid.y + h * normal.y};
  const ArtPoint other{mid.x - h * normal.x, mid.y - h * normal.y};
  if (std::fabs(std::hypot(m.x - other.x, m.y - other.y) - r) <
      std::fabs(std::hypot(m.x - centre.x, m.y - centre.y) - r))
    centre = other;
  const double twoPi = 2 * std::numbers::pi;
  auto angle = [&](ArtPoint p) { return std::atan2(p.y - centre.y, p.x - centre.x); };
  auto ahead = [&](double from, double to) {  // counter-angle distance in [0, 2 pi)
    double d = std::fmod(to - from, twoPi);
    return d < 0 ? d + twoPi : d;
  };
  const double ak = angle(k), an = angle(n), am = angle(m);
  // The arc from K to N on the mouse's side: forwards when the mouse lies ahead before N.
  double sweep = ahead(ak, an);
  if (ahead(ak, am) > sweep) sweep -= twoPi;
  if (std::fabs(sweep) <= std::numbers::pi) {
    ArcHandles(centre, r, ak, sweep, &w[offset + 2]);
  } else {
    // More than a half circle: two halves meeting at a new anchor in the middle of the arc.
    if (!ReserveWords(path, std::size_t(path.usedWords) + 6)) return true;
    const double half = sweep / 2;
    std::uint16_t first[4], second[4];
    ArcHandles(centre, r, ak, half, first);
    ArcHandles(centre, r, ak + half, half, second);
    const std::uint16_t hx = Clamp(centre.x + r * std::cos(ak + half) + 0.5);
    const std::uint16_t hy = Clamp(centre.y + r * std::sin(ak + half) + 0.5);
    Splice(path, offset + 2, offset + 6,
           {first[0], first[1], first[2], first[3], std::uint16_t(hx | kCurveBit),
            std::uint16_t(hy | kCurveBit), second[0], second[1], second[2], second[3]});
  }
  RecomputeBounds(path);
  return true;
}

void MoveSegment(PathRecord& path, std::size_t offset, ArtPoint press, ArtPoint release,
                 bool constrain) {
  std::uint16_t* w = Words(path);
  if (w[offset] & kCurveBit) {
    Splice(path, offset + 2, offset + 6, {});
    w = Words(path);
    w[offset] &= kCoordinateMask;
    w[offset + 3] &= kCoordinateMask;
  }
  const ArtPoint k = At(w, offset), n = At(w, offset + 2);
  const double sx = n.x - k.x, sy = n.y - k.y;
  // The press point onto the segment's line: the offsets become those of its foot, so that
  // both lie along the segment (and a constrained one comes out exactly diagonal).
  const double len2 = sx * sx + sy * sy;
  const double t = len2 == 0 ? 0 : ((press.x - k.x) * sx + (press.y - k.y) * sy) / len2;
  const ArtPoint foot{k.x + t * sx, k.y + t * sy};
  ArtPoint dk{k.x - foot.x, k.y - foot.y}, dn{n.x - foot.x, n.y - foot.y};
  if (constrain) {
    const double theta = std::atan(std::fabs(sy) / std::max(std::fabs(sx), 1e-9));
    constexpr double kHorizontalBelow = 0.39269908169875, kVerticalFrom = 1.1780972450962501;
    for (ArtPoint* d : {&dk, &dn}) {
      if (theta < kHorizontalBelow) {
        d->y = 0;
      } else if (theta >= kVerticalFrom) {
        d->x = 0;
      } else {
        const double mean = (std::fabs(d->x) + std::fabs(d->y)) / 2;
        d->x = std::copysign(mean, d->x);
        d->y = std::copysign(mean, d->y);
      }
    }
  }
  const std::size_t nOffset = offset + 2;
  auto round = [](double v) { return std::int32_t(std::lround(v)); };
  MoveAnchor(path, offset, round(release.x + dk.x), round(release.y + dk.y));
  MoveAnchor(path, nOffset, round(release.x + dn.x), round(release.y + dn.y));
}

bool DeleteAnchorsInRect(Artwork& art, base::Runtime& rt, const ArtBounds& rect, bool click) {
  bool deleted = false;
  if (click) {
    // The nearest anchor of a selected path to the click, inside the widened box.
    const double cx = (rect.left + rect.right) / 2.0, cy = (rect.top + rect.bottom) / 2.0;
    int bestPath = kNoPath;
    std::size_t bestAt = 0;
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < art.count; ++i) {
      const PathRecord& p = art.paths[i];
      if (!(p.flags & kSelected)) continue;
      const auto words = PointWords(p);
      for (std::size_t at : AnchorOffsets(p)) {
        const std::int32_t x = detail::X(words, at), y = detail::Y(words, at);
        const double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        if (Inside(rect, x, y) && d < best) best = d, bestPath = i, bestAt = at;
      }
    }
    if (bestPath != kNoPath) {
      const Deletion d = DeleteAnyAnchor(art.paths[bestPath], bestAt);
      if (d == Deletion::kPathGoes) deletePath(art, bestPath);
      deleted = d != Deletion::kFailed;
    }
  } else {
    for (int i = 0; i < art.count; ++i) {
      if (!(art.paths[i].flags & kSelected)) continue;
      // Interior anchors first, from the last backwards: a deletion rewrites the array only
      // from the anchor before it on, so the offsets still to visit stay valid. Then the ends,
      // which take a rotation or their segment with them; the anchors that become ends were
      // outside the rectangle, so this settles in a few rounds.
      for (bool again = true; again && i >= 0;) {
        again = false;
        PathRecord& p = art.paths[i];
        const std::vector<std::size_t> at = AnchorOffsets(p);
        bool failed = false;
        for (std::size_t k = at.size() >= 2 ? at.size() - 2 : 0; k >= 1 && !failed; --k) {
          const auto words = PointWords(p);
          if (!Inside(rect, detail::X(words, at[k]), detail::Y(words, at[k]))) continue;
          if (DeleteAnchorPoint(p, at[k - 1], at[k])) deleted = true;
          else failed = true;  // no room for this path's curve: it stays as it is
        }
        if (failed) break;
        const std::vector<std::size_t> ends = AnchorOffsets(p);
        if (ends.empty()) break;
        const auto words = PointWords(p);
        for (std::size_t end : {ends.back(), ends.front()}) {
          if (!Inside(rect, detail::X(words, end), detail::Y(words, end))) continue;
          const Deletion d = DeleteAnyAnchor(p, end);
          if (d == Deletion::kFailed) break;
          deleted = true;
          if (d == Deletion::kPathGoes) deletePath(art, i--);
          else again = true;
          break;
        }
      }
    }
  }
  if (deleted && art.count == 0) base::ShowMessage(rt, msg::kAllPathsDeleted);
  return deleted;
}

}  // namespace vl::art
