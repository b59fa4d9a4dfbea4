// Finding the path under a click in the outline views, and the selection change a click makes.
// Measures are 64ths of a square pixel of distance from the outline, capped at 9999.
#pragma once

#include <cstdint>

#include "art/artwork.h"

namespace vl::art {

constexpr int kNoHitMeasure = 9999;

// Where the image window stands: zoom factors (16.16 fixed point), the art's scale shift and
// the scroll offsets (window pixels).
struct HitView {
  std::uint32_t zoomX = 0x10000;
  std::uint32_t zoomY = 0x10000;
  int artScaleShift = 0;
  std::int32_t scrollX = 0;
  std::int32_t scrollY = 0;
};

struct ArtClick {
  std::int32_t x = 0;  // art units
  std::int32_t y = 0;
};

// The click in art units; both axes use the vertical zoom, as the window draws.
ArtClick ClickToArt(const HitView& view, std::int32_t windowX, std::int32_t windowY);
// The hit margin T: five window pixels in art units, at least 4.
std::int32_t HitMargin(const HitView& view);
// The distance limit D: 600 at 100 % zoom, more when zoomed out, never less than 600.
std::int32_t DistanceLimit(const HitView& view);

// The measure of a straight piece p1-p2 for click c: kNoHitMeasure when c widened by t lies
// outside the piece's box; else 64 x (cross product in pixels)^2 / |p2 - p1|^2, capped. A piece
// of zero length gives kNoHitMeasure. artScale: art units per pixel.
int SegmentMeasure(ArtClick p1, ArtClick p2, ArtClick c, std::int32_t t, double artScale);

// The index of the path nearest the click with a measure below `limit` (the earlier one on
// ties), among the selected paths only when selectedOnly; kNoPath when none.
int FindPathAt(const Artwork& art, ArtClick c, std::int32_t margin, std::int32_t limit,
               bool selectedOnly, double artScale);

// The segment under a click, for the path tools: among the selected paths first, then (unless
// every path is selected) the others; the nearest segment within `margin` art units wins, the
// first found on ties. t is the parameter of the nearest point on it.
struct SegmentHit {
  int path = kNoPath;
  std::size_t offset = 0;  // word offset of the anchor the segment leaves
  double t = 0.0;
  bool found() const { return path != kNoPath; }
};
SegmentHit HitSegment(const Artwork& art, ArtClick c, std::int32_t margin);

// The anchor nearest a click within `reach` art units, selected paths first; its path and word
// offset, path kNoPath when none.
SegmentHit HitAnchor(const Artwork& art, ArtClick c, std::int32_t reach);

// A click of the path selection: unless `shift`, every path is deselected first; then the hit
// path becomes selected, or with `shift` a selected hit path is deselected.
void ClickSelect(Artwork& art, int hit, bool shift);

}  // namespace vl::art
