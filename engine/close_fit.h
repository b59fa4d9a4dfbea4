// Close fit: a curve the fitter accepted for a span is brought nearer the boundary it stands
// for. Its control points are solved by least squares against the pixels' outer edges along
// the span (the chain points moved out, less the shift the outward offset will give the
// curve; each point's offset across the curve counted in full, along it barely), alternating
// with moving each point's curve parameter to its nearest point on the curve. No segment is
// added and the end points stay where they are; a refinement that would raise the error, leave
// the mask corridor or put a control point far off the points is not taken.
// Once the outline is placed, its anchors may move by up to half a pixel toward the pixels'
// edges, and a straight side that strays from them may bend (RelaxAnchors); a curve that still
// passes more than kStrayLimit from a pixel edge, where its span rounded off a corner, is
// split there (SplitStrayCurves), the only segments close fit adds.
#pragma once

#include <span>
#include <vector>

#include "art/artwork.h"
#include "engine/outline_geometry.h"

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
// The same, leaving in `params` each point's nearest parameter on the curve returned.
CubicCurve RefineCurve(const CubicCurve& curve, std::span<const art::PixelPoint> points,
                       std::vector<double>& params);

// A span's pixel-edge points and, for a curve, each one's nearest parameter on it.
struct SpanEdges {
  std::vector<art::PixelPoint> points;
  std::vector<double> params;
};

// The outer pixel edges along the chain from the cursor vertex to vertex `last`: each chain
// point moved out across the chain's local direction (half a pixel along an axis, to the
// middle of the step on a diagonal).
std::vector<art::PixelPoint> SpanEdgePoints(Tracer& t, std::int64_t last);

// The chain's points from the cursor vertex to vertex `last`, both included (pixel centres).
std::vector<art::PixelPoint> SpanChain(Tracer& t, std::int64_t last);

// Records the edge points of the segment just collected, which spans the cursor vertex to
// vertex `last` (or, with the edges RefineAcceptedCurve gave, those), for RelaxAnchors.
void NoteSpanEdges(Tracer& t, std::int64_t last);
void NoteSpanEdges(Tracer& t, const SpanEdges& edges);

// How far RelaxAnchors may move an anchor, in pixels.
constexpr double kMaxAnchorMove = 0.5;

// The sum of squared distances from `points` to the segment from `from`.
double SegmentError(art::PixelPoint from, const PendingSegment& s,
                    std::span<const art::PixelPoint> points);

// Close fit on a placed path (tracer pixels): each anchor between two segments with edge
// points moves by at most `reach` from where it was, and only where neither segment's error
// rises and their sum falls; a curve's control points next to the anchor move with it. Then
// each curve's control points are refined against its points. No anchor is added or dropped.
void RelaxAnchors(PendingPath& path, double reach);

// Close fit on a placed path: a curve that passes farther than `limit` pixels from one of its
// pixel-edge points (a corner its span hides) is split there into two curves through that
// point, when their error is lower; at most `budget` splits. Returns the splits made.
int SplitStrayCurves(PendingPath& path, double limit, int budget);

// A pixel-edge point this far (pixels) from its curve: the curve paints pixels wrong there.
constexpr double kStrayLimit = 0.6;

// Refines the accepted fit of the span to vertex `end` / 4 (a word offset from the cursor
// vertex), whose SpanChain is `chain`, in place; kept only when the refined curve passes the
// span's mask and vertex test. Returns the span's edge points, for NoteSpanEdges.
[[nodiscard]] SpanEdges RefineAcceptedCurve(Tracer& t, std::int64_t end, const std::vector<art::PixelPoint>& chain);

}  // namespace vl::engine
