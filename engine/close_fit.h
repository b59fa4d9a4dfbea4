// Close fit: a curve the fitter accepted for a span is brought nearer the boundary it stands
// for. Its control points are solved by least squares against the pixels' outer edges along
// the span (the chain points moved out, less the shift the outward offset will give the
// curve), alternating with moving each point's curve parameter to its nearest point on the
// curve. No segment is added and the end points stay where they are;
// a refinement that would raise the error, or leave the mask corridor, is not taken.
#pragma once

#include <span>
#include <vector>

#include "art/artwork.h"

namespace vl::engine {

struct Tracer;

struct CubicCurve {
  art::PixelPoint p0, c1, c2, p3;  // pixels
};

// The sum over `points` of the squared distance to the nearest point of the curve. `params`
// (one per point, in [0, 1]) start the search and are left at the nearest points found.
double CurveError(const CubicCurve& curve, std::span<const art::PixelPoint> points,
                  std::vector<double>& params);

// The curve with its control points refined against `points`, which run from near P0 to near
// P3 in order; `curve` itself when no refinement lowers its error.
CubicCurve RefineCurve(const CubicCurve& curve, std::span<const art::PixelPoint> points);

// Refines the accepted fit of the span to vertex `end` / 4 (a word offset from the cursor
// vertex) in place; kept only when the refined curve passes the span's mask and vertex test.
void RefineAcceptedCurve(Tracer& t, std::int64_t end);

}  // namespace vl::engine
