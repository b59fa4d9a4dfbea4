// Path hit testing in the outline views.
#include "art/path_hit_test.h"

#include <algorithm>
#include <cmath>

#include "art/anchor_walk.h"

namespace vl::art {

namespace {

using detail::HasAnchorAt;
using detail::NextAnchor;

constexpr std::int32_t kMarginWindowPixels = 5;
constexpr std::int32_t kSmallestMargin = 4;     // art units
constexpr std::int64_t kLimitAtFullSize = 600;  // the measure a click may miss by at 100 %
constexpr int kCurvePieces = 16;                // straight pieces per flattened curve

std::int64_t ArtPerWindowPixel(const HitView& view) {
  const std::int64_t zoom = std::int64_t(view.zoomY >> view.artScaleShift);
  return zoom > 0 ? zoom : 1;
}

ArtClick Point(std::span<const std::uint16_t> w, std::size_t at) {
  return {w[at] & kCoordinateMask, w[at + 1] & kCoordinateMask};
}

ArtClick OnCurve(const ArtClick p[4], double t) {
  const double u = 1 - t;
  const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
  return {std::int32_t(a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x + 0.5),
          std::int32_t(a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y + 0.5)};
}

// The smallest measure over the path's pieces, curves flattened.
int PathMeasure(const PathRecord& path, ArtClick c, std::int32_t margin, double artScale) {
  const std::span<const std::uint16_t> w = PointWords(path);
  int best = kNoHitMeasure;
  if (!HasAnchorAt(w, 0)) return best;
  for (std::size_t at = 0;;) {
    const std::size_t next = NextAnchor(w, at);
    if (!HasAnchorAt(w, next)) break;
    if (w[at] & kCurveBit) {
      const ArtClick p[4] = {Point(w, at), Point(w, at + 2), Point(w, at + 4), Point(w, next)};
      ArtClick from = p[0];
      for (int i = 1; i <= kCurvePieces; ++i) {
        const ArtClick to = OnCurve(p, double(i) / kCurvePieces);
        best = std::min(best, SegmentMeasure(from, to, c, margin, artScale));
        from = to;
      }
    } else {
      best = std::min(best, SegmentMeasure(Point(w, at), Point(w, next), c, margin, artScale));
    }
    at = next;
  }
  return best;
}

}  // namespace

ArtClick ClickToArt(const HitView& view, std::int32_t windowX, std::int32_t windowY) {
  const std::int64_t per = ArtPerWindowPixel(view);
  return {std::int32_t((std::int64_t(windowX) + view.scrollX) * 65536 / per),
          std::int32_t((std::int64_t(windowY) + view.scrollY) * 65536 / per)};
}

std::int32_t HitMargin(const HitView& view) {
  return std::max<std::int32_t>(std::int32_t(kMarginWindowPixels * 65536 / ArtPerWindowPixel(view)),
                                kSmallestMargin);
}

std::int32_t DistanceLimit(const HitView& view) {
  const std::int64_t zoom = view.zoomX > 0 ? view.zoomX : 1;
  return std::int32_t(std::max<std::int64_t>(kLimitAtFullSize * 65536 / zoom, kLimitAtFullSize));
}

int SegmentMeasure(ArtClick p1, ArtClick p2, ArtClick c, std::int32_t t, double artScale) {
  if (c.x + t <= std::min(p1.x, p2.x) || c.x - t >= std::max(p1.x, p2.x) ||
      c.y + t <= std::min(p1.y, p2.y) || c.y - t >= std::max(p1.y, p2.y))
    return kNoHitMeasure;
  const std::int64_t dx = p2.x - p1.x, dy = p2.y - p1.y;
  const std::int64_t length2 = dx * dx + dy * dy;
  if (length2 == 0) return kNoHitMeasure;
  const double q = double(dx * (c.y - p1.y) - dy * (c.x - p1.x)) / artScale;
  const double m = 64.0 * q * q / double(length2);
  return m >= kNoHitMeasure ? kNoHitMeasure : int(m);
}

int FindPathAt(const Artwork& art, ArtClick c, std::int32_t margin, std::int32_t limit,
               bool selectedOnly, double artScale) {
  int hit = kNoPath;
  int best = limit;
  for (int i = 0; i < art.count; ++i) {
    const PathRecord& p = art.paths[i];
    if (selectedOnly && !(p.flags & kSelected)) continue;
    // The bounds widened by the margin must hold the click: a straight horizontal or vertical
    // path has bounds only 10 units across, which no widened click would fit inside.
    if (c.x + margin <= p.left || c.x - margin >= p.right || c.y + margin <= p.top ||
        c.y - margin >= p.bottom)
      continue;
    const int m = PathMeasure(p, c, margin, artScale);
    if (m < best) best = m, hit = i;
  }
  return hit;
}

namespace {

// Distance from c to the piece a-b and the parameter (0..1) of the nearest point on it.
double PieceDistance(ArtClick a, ArtClick b, ArtClick c, double& t) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  t = len2 == 0 ? 0.0 : std::clamp(((c.x - a.x) * dx + (c.y - a.y) * dy) / len2, 0.0, 1.0);
  const double px = a.x + t * dx - c.x, py = a.y + t * dy - c.y;
  return std::sqrt(px * px + py * py);
}

bool NearBounds(const PathRecord& p, ArtClick c, std::int32_t margin) {
  return c.x >= p.left - margin && c.x <= p.right + margin && c.y >= p.top - margin &&
         c.y <= p.bottom + margin;
}

}  // namespace

SegmentHit HitSegment(const Artwork& art, ArtClick c, std::int32_t margin) {
  SegmentHit hit;
  double best = double(margin);
  for (bool selectedPass : {true, false}) {
    if (!selectedPass && art.selectedCount == art.count) break;
    for (int i = 0; i < art.count; ++i) {
      const PathRecord& p = art.paths[i];
      if (bool(p.flags & kSelected) != selectedPass || !NearBounds(p, c, margin)) continue;
      const std::span<const std::uint16_t> w = PointWords(p);
      for (std::size_t at = 0; HasAnchorAt(w, at) && HasAnchorAt(w, NextAnchor(w, at));
           at = NextAnchor(w, at)) {
        const std::size_t next = NextAnchor(w, at);
        const bool curve = w[at] & kCurveBit;
        const ArtClick q[4] = {Point(w, at), curve ? Point(w, at + 2) : Point(w, at),
                               curve ? Point(w, at + 4) : Point(w, next), Point(w, next)};
        const int pieces = curve ? kCurvePieces : 1;
        ArtClick from = q[0];
        for (int k = 1; k <= pieces; ++k) {
          const ArtClick to = curve ? OnCurve(q, double(k) / pieces) : q[3];
          double local = 0;
          const double d = PieceDistance(from, to, c, local);
          if (d < best || (d == best && !hit.found())) {
            best = d;
            hit = {i, at, (k - 1 + local) / pieces};
          }
          from = to;
        }
      }
    }
    if (hit.found()) break;
  }
  return hit;
}

SegmentHit HitAnchor(const Artwork& art, ArtClick c, std::int32_t reach) {
  SegmentHit hit;
  double best = double(reach) + 0.5;
  for (bool selectedPass : {true, false}) {
    for (int i = 0; i < art.count; ++i) {
      const PathRecord& p = art.paths[i];
      if (bool(p.flags & kSelected) != selectedPass || !NearBounds(p, c, reach)) continue;
      const std::span<const std::uint16_t> w = PointWords(p);
      for (std::size_t at = 0; HasAnchorAt(w, at); at = NextAnchor(w, at)) {
        const ArtClick a = Point(w, at);
        const double d = std::hypot(double(a.x - c.x), double(a.y - c.y));
        if (d < best) best = d, hit = {i, at, 0.0};
      }
    }
    if (hit.found()) break;
  }
  return hit;
}

void ClickSelect(Artwork& art, int hit, bool shift) {
  if (!shift) {
    for (int i = 0; i < art.count; ++i) art.paths[i].flags &= std::uint8_t(~kSelected);
    art.selectedCount = 0;
  }
  if (hit == kNoPath || hit >= art.count) return;
  std::uint8_t& flags = art.paths[hit].flags;
  if (flags & kSelected) {
    if (shift) {
      flags &= std::uint8_t(~kSelected);
      --art.selectedCount;
    }
    return;
  }
  flags |= kSelected;
  ++art.selectedCount;
}

}  // namespace vl::art
