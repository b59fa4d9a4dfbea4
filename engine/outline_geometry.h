// Where a traced path lands on the page. The tracer works in pixel indices: it follows the
// boundary pixels, so its points name pixels, while on the page pixel (x, y) is the square from
// (x, y) to (x + 1, y + 1). The fitter collects one path's segments here; once the outline is
// done they are placed on the page and written into the artwork.
//
// A filled outline through the centres of its boundary pixels would leave half of every
// boundary pixel out: one pixel short at the right and bottom, and nothing at all of a stroke
// one pixel wide. So a filled path is first moved outward: every side along its outward normal
// (the background lies to the left of travel) by half a pixel across its main axis (0.5 along
// an axis, 0.35 on the diagonal, where the pixel centres already lie nearer the edge), the
// sides meeting again at their anchors, and a convex turn sharper than a right angle squared
// off with two anchors, so that a one-pixel spike keeps its width.
#pragma once

#include <cstdint>
#include <vector>

#include "art/artwork.h"

namespace vl::engine {

struct Tracer;

// One segment of the path being collected, in tracer pixels: a line or a cubic to `to`.
struct PendingSegment {
  art::PixelPoint c1, c2, to;
  bool curve = false;
  // A straight side whose chain rounds an inner corner by one diagonal step before (or after)
  // a run along one axis: the run's ends. The polygon's vertex lies at the pixel before the
  // step, so the side slants across the corner; placed, it is the run's edge, and the corner
  // lands where the pixels' edges meet.
  bool hasRun = false;
  art::PixelPoint runFrom{}, runTo{};
  // Close fit: the span's pixel-edge points, [edgeBegin, edgeEnd) of the path's edgePoints
  // (none for a side the placement added).
  std::uint32_t edgeBegin = 0, edgeEnd = 0;
};

struct PendingPath {
  art::PixelPoint start;
  std::vector<PendingSegment> segments;
  // Points the painted path passes near without an anchor there (a curve's inner vertices):
  // the path's bounds are widened by their pixels.
  std::vector<art::PixelPoint> boundsPoints;
  bool onPixelEdges = false;  // already drawn around whole pixels: placed without the offset
  // Close fit: the outer edges of the boundary pixels each segment stands for.
  std::vector<art::PixelPoint> edgePoints;
  // For a curve's edge points, each one's nearest parameter on the curve as last found (a
  // start for following it as the curve changes); negative where not yet searched for.
  std::vector<double> edgeParams;

  void clear() {
    segments.clear();
    boundsPoints.clear();
    edgePoints.clear();
    edgeParams.clear();
    onPixelEdges = false;
  }
};

// How far a filled outline is moved out across its sides' main axis, in pixels.
constexpr double kOutlineOffset = 0.5;

// How far a filled outline's side running along (dx, dy) is moved: outward (the background
// lies to the left of travel) by half a pixel across the side's main axis. Zero for no
// direction.
art::PixelPoint OutwardShift(double dx, double dy);

// The collected path moved out, in tracer pixels (a path already on pixel edges as it is).
// Sides written again across the start point (straight sides repeated after the loop has
// closed) are left out: the loop ends at its start. `maxWords` bounds the point words of the
// result: when squared-off corners would pass it, every turn keeps a single anchor.
PendingPath OffsetOutward(const PendingPath& path, std::size_t maxWords);

// Places the collected path on the page and writes it into the artwork as one path with the
// pen's paint; clears the collection. Nothing is written after an abort. False when the path
// could not be stored (the conversion is then aborted).
bool WritePendingPath(Tracer& t);

}  // namespace vl::engine
