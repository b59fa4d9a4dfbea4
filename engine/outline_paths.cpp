// The fitted outline's segments: the paint of the path, its start, and the line, curve and
// lone-pixel segments, collected for WritePendingPath, which places them on the page.
#include <algorithm>
#include <cmath>

#include "engine/centerline.h"
#include "engine/close_fit.h"
#include "engine/curve_fitting.h"
#include "engine/edge_extraction.h"
#include "engine/fitting_vertices.h"
#include "engine/line_paths.h"

namespace vl::engine {

using namespace fitting;

namespace {

bool Aborted(const Tracer& t) { return t.rt.state.abortRequested != 0; }

// Two widths of a curve closer than this are averaged, else the thinner is taken (pixels).
constexpr double kWidthAgreementPixels = 2.0;

// Every write checks the abort flag first: after a failed beginPath the artwork's current
// path is still the previous outline's, and nothing may be appended to it.
bool AddAnchor(Tracer& t, art::PixelPoint p) {
  if (Aborted(t)) return false;
  t.fit.pending.segments.push_back({{}, {}, p, false});
  t.fit.lastAnchor = p;
  return true;
}

bool AddCurve(Tracer& t, art::PixelPoint c1, art::PixelPoint c2, art::PixelPoint p3) {
  if (Aborted(t)) return false;
  t.fit.pending.segments.push_back({c1, c2, p3, true});
  t.fit.lastAnchor = p3;
  return true;
}

// The position a line or curve ends at: vertex k, loaded into the tracer position (a centre
// line's end, or a separated area's anchor, joined to a junction near it: neighbouring areas
// then meet at the same points).
art::PixelPoint LineEnd(Tracer& t, std::int64_t k) {
  if (CenterlineTrace(t) || SeparatedShapeTrace(t)) return SnapLineEndToJunction(t, k);
  const std::int32_t x = VertexX(t, k), y = VertexY(t, k);
  t.rt.state.tracerX = static_cast<std::int16_t>(x);
  t.rt.state.tracerY = static_cast<std::int16_t>(y);
  return art::PixelPoint{double(x), double(y)};
}

// The axis run a straight side from vertex 0 to vertex 1 stands for, when its chain is such a
// run after a diagonal step, before one, or between two; false for any other chain.
bool SideRun(Tracer& t, art::PixelPoint from, art::PixelPoint to, PendingSegment& side) {
  const std::int64_t begin = VertexChainOffset(t, 0), end = VertexChainOffset(t, 1);
  if (end - begin < 2) return false;
  auto diagonal = [](std::uint8_t c) { return kChainDx[c] != 0 && kChainDy[c] != 0; };
  const std::uint8_t first = t.chain->byteAt(begin), last = t.chain->byteAt(end - 1);
  if (first > 7 || last > 7) return false;
  const bool lead = diagonal(first), trail = diagonal(last);
  const std::int64_t runBegin = begin + (lead ? 1 : 0), runEnd = end - (trail ? 1 : 0);
  if (!(lead || trail) || runEnd <= runBegin) return false;
  const std::uint8_t axis = t.chain->byteAt(runBegin);
  if (axis > 7 || diagonal(axis)) return false;
  for (std::int64_t i = runBegin + 1; i < runEnd; ++i)
    if (t.chain->byteAt(i) != axis) return false;
  const art::PixelPoint runFrom{from.x + (lead ? kChainDx[first] : 0),
                                from.y + (lead ? kChainDy[first] : 0)};
  const double steps = double(runEnd - runBegin);
  const art::PixelPoint runTo{runFrom.x + steps * kChainDx[axis], runFrom.y + steps * kChainDy[axis]};
  // A chain that does not lead to the side's end (a simplified record) says nothing.
  if (runTo.x + (trail ? kChainDx[last] : 0) != to.x || runTo.y + (trail ? kChainDy[last] : 0) != to.y)
    return false;
  side.hasRun = true;
  side.runFrom = runFrom;
  side.runTo = runTo;
  return true;
}

// Marks the side just written with its run, when its chain has one, and in close fit with its
// pixel edges.
void NoteOutlineSide(Tracer& t, art::PixelPoint from, art::PixelPoint to) {
  if (t.fit.pending.segments.empty() || !SamePoint(from, VertexPoint(t, 0))) return;
  PendingSegment& side = t.fit.pending.segments.back();
  SideRun(t, from, to, side);
  if (t.fit.fitMode == FitMode::kClose) NoteSpanEdges(t, 1);
}

}  // namespace

void BeginOutlinePaint(Tracer& t) {
  t.fit.pathStarted = false;
  t.fit.lastAnchor = art::PixelPoint{kNoAnchor, kNoAnchor};
  t.fit.pending.clear();
  if (CenterlineTrace(t)) {  // the centre-line pass has set the stroke paint
    t.centerline.written.clear();
    t.centerline.pathBroken = false;
    t.centerline.anyPath = false;
    return;
  }
  if (SeparatedShapeTrace(t)) {  // stroked with the lines' paint, at their mean width
    t.centerline.widthSum = 0.0;
    t.centerline.widthCount = 0;
    return;
  }
  // Shapes come out black and their holes white; White Lines traces the inverted image, so
  // the same test swaps the colours.
  const int whiteLines = t.settings.has(settings::kWhiteLines) ? 1 : 0;
  art::Pen& pen = t.art.pen;
  if (t.startPixel == whiteLines) {
    pen.color = art::kWhiteColor;
    pen.fillType = art::PaintType::White;
  } else {
    pen.color = art::kBlackColor;
    pen.fillType = art::PaintType::Black;
  }
}

// After a retraced side a centre line's path goes on only from where it stopped; a side
// starting elsewhere begins a new path.
static void ResolvePathBreak(Tracer& t) {
  if (!t.fit.pathStarted || !t.centerline.pathBroken) return;
  t.centerline.pathBroken = false;
  if (!SamePoint(SnapLineEndToJunction(t, 0, true), t.fit.lastAnchor)) EndPathInProgress(t);
}

bool EnsurePathStarted(Tracer& t) {
  ResolvePathBreak(t);
  if (t.fit.pathStarted) return true;
  if (Aborted(t) || !VertexExists(t, 0)) return false;
  const art::PixelPoint start = LineEnd(t, 0);
  t.fit.pending.start = start;
  t.fit.pathStarted = true;
  t.centerline.anyPath = true;
  t.fit.lastAnchor = start;
  return true;
}

void EmitLine(Tracer& t) {
  if (Aborted(t) || !VertexExists(t, 1)) return;
  const bool centerline = CenterlineTrace(t);
  if ((centerline || SeparatedShapeTrace(t)) && !t.settings.has(settings::kUniformLineWeight)) {
    // The mean width at the side's thirds.
    const std::int32_t x0 = VertexX(t, 0), y0 = VertexY(t, 0);
    const std::int32_t x1 = VertexX(t, 1), y1 = VertexY(t, 1);
    const double dx = x1 - x0, dy = y1 - y0;
    SetLineWidth(t, (MeasureWidth(t, (2 * x0 + x1 + 1) / 3, (2 * y0 + y1 + 1) / 3, dx, dy) +
                     MeasureWidth(t, (2 * x1 + x0 + 1) / 3, (2 * y1 + y0 + 1) / 3, dx, dy)) /
                        2.0);
  }
  if (centerline) ResolvePathBreak(t);
  const art::PixelPoint p0 = t.fit.pathStarted ? t.fit.lastAnchor
                            : centerline || SeparatedShapeTrace(t) ? SnapLineEndToJunction(t, 0, true)
                                                                   : VertexPoint(t, 0);
  const art::PixelPoint p1 = LineEnd(t, 1);
  if (SamePoint(p0, p1)) return;
  // A side snapped onto a recognised line at both ends is drawn by that line: the centre line
  // breaks there instead.
  if (centerline && RunsAlongRecognizedLine(t, p0, p1)) {
    t.centerline.pathBroken = t.fit.pathStarted;
    return;
  }
  if (!EnsurePathStarted(t)) return;

  if (CurvedOnly(t)) {
    // Even straight sides become curves, with their control points at the thirds.
    const art::PixelPoint c1{(2.0 * p0.x + p1.x) / 3.0, (2.0 * p0.y + p1.y) / 3.0};
    const art::PixelPoint c2{(p0.x + 2.0 * p1.x) / 3.0, (p0.y + 2.0 * p1.y) / 3.0};
    if (!AddCurve(t, c1, c2, p1)) return;
    if (centerline) NoteWrittenSides(t, 0, 1);
    else NoteOutlineSide(t, p0, p1);
    return;
  }
  if (centerline) {
    if (AddAnchor(t, p1)) NoteWrittenSides(t, 0, 1);
    return;
  }
  // A polygon that turns straight back at P1 is a spike one pixel wide whose out and back
  // sides coincide: the outward offset of filled paths squares its tip off, which gives it
  // its pixel of width.
  if (AddAnchor(t, p1)) NoteOutlineSide(t, p0, p1);
}

void EmitCurve(Tracer& t, std::int64_t end) {
  if (Aborted(t)) return;
  const std::int64_t last = end / kWordsPerVertex;
  if ((CenterlineTrace(t) || SeparatedShapeTrace(t)) &&
      !t.settings.has(settings::kUniformLineWeight)) {
    // The width at the chain's thirds: their mean when they agree, else the thinner.
    const SpanFit& a = t.fit.accepted;
    // Directions along the curve at its thirds, from the points on either side.
    const double w1 = MeasureWidth(t, std::round(a.q1.x), std::round(a.q1.y), a.q2.x - a.p0.x,
                                   a.q2.y - a.p0.y);
    const double w2 = MeasureWidth(t, std::round(a.q2.x), std::round(a.q2.y), a.p3.x - a.q1.x,
                                   a.p3.y - a.q1.y);
    SetLineWidth(t, std::fabs(w1 - w2) < kWidthAgreementPixels ? (w1 + w2) / 2.0 : std::min(w1, w2));
  }
  if (CenterlineTrace(t)) ResolvePathBreak(t);
  const art::PixelPoint p0 = t.fit.pathStarted  ? t.fit.lastAnchor
                            : CenterlineTrace(t) || SeparatedShapeTrace(t)
                                ? SnapLineEndToJunction(t, 0, true)
                                : VertexPoint(t, 0);
  const art::PixelPoint p3 = LineEnd(t, last);
  // Nothing is written for a curve that never leaves its start. One that returns to its start
  // through other vertices is a loop (a small outline closed by one curve, or a lobe that
  // touches the rest of the outline at one pixel) and is written, or the lobe would be lost.
  if (SamePoint(p0, p3)) {
    bool leaves = false;
    for (std::int64_t k = 1; k < last && !leaves; ++k) leaves = !SamePoint(VertexPoint(t, k), p0);
    if (!leaves) return;
  }
  if (!EnsurePathStarted(t)) return;
  const bool closeFit = !CenterlineTrace(t) && t.fit.fitMode == FitMode::kClose;
  const std::vector<art::PixelPoint> chain = closeFit ? SpanChain(t, last) : std::vector<art::PixelPoint>{};
  const SpanEdges edges = closeFit ? RefineAcceptedCurve(t, end, chain) : SpanEdges{};
  const SpanFit& fit = t.fit.accepted;
  art::PixelPoint c1 = fit.c1, c2 = fit.c2;
  if (SeparatedShapeTrace(t)) {
    // An end moved onto a junction takes its control point along, so the curve keeps its
    // shape instead of bulging toward where the end was.
    const art::PixelPoint v0 = VertexPoint(t, 0), v3 = VertexPoint(t, last);
    c1 = {c1.x + p0.x - v0.x, c1.y + p0.y - v0.y};
    c2 = {c2.x + p3.x - v3.x, c2.y + p3.y - v3.y};
  }
  if (!AddCurve(t, c1, c2, p3)) return;
  if (CenterlineTrace(t)) NoteWrittenSides(t, 0, last);
  else if (closeFit && SamePoint(p0, VertexPoint(t, 0))) NoteSpanEdges(t, edges);
  // The curve passes near its inner vertices, which may lie outside the anchors' bounds.
  for (std::int64_t k = 1; k < last; ++k) t.fit.pending.boundsPoints.push_back(VertexPoint(t, k));
}

// A centre line of a pixel or two: one line to vertex 1, half a pixel long when it has none.
static void EmitCenterlineDot(Tracer& t) {
  if (!t.settings.has(settings::kUniformLineWeight))
    SetLineWidth(t, MeasureWidth(t, VertexX(t, 0), VertexY(t, 0), 0.0, 0.0));
  if (!EnsurePathStarted(t)) return;
  art::PixelPoint end = VertexExists(t, 1) ? VertexPoint(t, 1) : t.fit.lastAnchor;
  if (SamePoint(end, t.fit.lastAnchor)) end.x += 0.5;
  AddAnchor(t, end);
}

void EmitDegenerate(Tracer& t) {
  if (CurvedOnly(t) || Aborted(t) || t.listEndBytes < kRecordBytes) return;
  VertexWindow& v = *t.vertices;
  const std::int64_t saved = v.cursor();
  v.setCursor(0);
  if (CenterlineTrace(t)) {
    EmitCenterlineDot(t);
  } else if (EnsurePathStarted(t)) {
    // The rectangle of the boundary's pixels (a lone pixel, or two), drawn on their edges
    // already.
    const art::PixelPoint low{double(t.box.minX), double(t.box.minY)};
    const art::PixelPoint high{double(t.box.maxX), double(t.box.maxY)};
    const double h = kOutlineOffset;
    PendingPath& path = t.fit.pending;
    path.start = {low.x - h, low.y - h};
    path.onPixelEdges = true;
    for (art::PixelPoint corner : {art::PixelPoint{high.x + h, low.y - h},
                                   art::PixelPoint{high.x + h, high.y + h},
                                   art::PixelPoint{low.x - h, high.y + h}, path.start})
      if (!AddAnchor(t, corner)) break;
  }
  v.setCursor(saved);
}

}  // namespace vl::engine
