// The fitted outline's segments: the paint of the path, its start, and the line, curve and
// lone-pixel segments, collected for WritePendingPath, which places them on the page.
#include "engine/curve_fitting.h"
#include "engine/fitting_vertices.h"

namespace vl::engine {

using namespace fitting;

namespace {

bool Aborted(const Tracer& t) { return t.rt.state.abortRequested != 0; }

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

// The position a line or curve ends at: vertex k, loaded into the tracer position.
art::PixelPoint LineEnd(Tracer& t, std::int64_t k) {
  const std::int32_t x = VertexX(t, k), y = VertexY(t, k);
  t.rt.state.tracerX = static_cast<std::int16_t>(x);
  t.rt.state.tracerY = static_cast<std::int16_t>(y);
  return art::PixelPoint{double(x), double(y)};
}

}  // namespace

void BeginOutlinePaint(Tracer& t) {
  t.fit.pathStarted = false;
  t.fit.lastAnchor = art::PixelPoint{kNoAnchor, kNoAnchor};
  t.fit.pending.clear();
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

bool EnsurePathStarted(Tracer& t) {
  if (t.fit.pathStarted) return true;
  if (Aborted(t) || !VertexExists(t, 0)) return false;
  const art::PixelPoint start = LineEnd(t, 0);
  t.fit.pending.start = start;
  t.fit.pathStarted = true;
  t.fit.lastAnchor = start;
  return true;
}

void EmitLine(Tracer& t) {
  if (Aborted(t) || !VertexExists(t, 1)) return;
  const art::PixelPoint p0 = t.fit.pathStarted ? t.fit.lastAnchor : VertexPoint(t, 0);
  const art::PixelPoint p1 = LineEnd(t, 1);
  if (SamePoint(p0, p1)) return;
  if (!EnsurePathStarted(t)) return;

  if (CurvedOnly(t)) {
    // Even straight sides become curves, with their control points at the thirds.
    const art::PixelPoint c1{(2.0 * p0.x + p1.x) / 3.0, (2.0 * p0.y + p1.y) / 3.0};
    const art::PixelPoint c2{(p0.x + 2.0 * p1.x) / 3.0, (p0.y + 2.0 * p1.y) / 3.0};
    AddCurve(t, c1, c2, p1);
    return;
  }
  // A polygon that turns straight back at P1 is a spike one pixel wide whose out and back
  // sides coincide: the outward offset of filled paths squares its tip off, which gives it
  // its pixel of width.
  AddAnchor(t, p1);
}

void EmitCurve(Tracer& t, std::int64_t end) {
  if (Aborted(t)) return;
  const std::int64_t last = end / kWordsPerVertex;
  const art::PixelPoint p0 = t.fit.pathStarted ? t.fit.lastAnchor : VertexPoint(t, 0);
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
  const SpanFit& fit = t.fit.accepted;
  if (!AddCurve(t, fit.c1, fit.c2, p3)) return;
  // The curve passes near its inner vertices, which may lie outside the anchors' bounds.
  for (std::int64_t k = 1; k < last; ++k) t.fit.pending.boundsPoints.push_back(VertexPoint(t, k));
}

void EmitDegenerate(Tracer& t) {
  if (CurvedOnly(t) || Aborted(t) || t.listEndBytes < kRecordBytes) return;
  VertexWindow& v = *t.vertices;
  const std::int64_t saved = v.cursor();
  v.setCursor(0);
  if (EnsurePathStarted(t)) {
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
