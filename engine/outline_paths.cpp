// Writing the fitted outline into the artwork: the paint of the path, its start, and the
// line, curve and lone-pixel segments, through beginPath and addPoint with the artwork's pen.
#include <cmath>

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
  t.art.pen.position = p;
  if (!art::addPoint(t.art, t.rt, false)) return false;
  t.fit.lastAnchor = p;
  return true;
}

bool AddCurve(Tracer& t, art::PixelPoint c1, art::PixelPoint c2, art::PixelPoint p3) {
  if (Aborted(t)) return false;
  t.art.pen.control1 = c1;
  t.art.pen.control2 = c2;
  t.art.pen.position = p3;
  if (!art::addPoint(t.art, t.rt, true)) return false;
  t.fit.lastAnchor = p3;
  return true;
}

// The position a line or curve ends at: vertex k, loaded into the tracer position.
art::PixelPoint LineEnd(Tracer& t, std::int64_t k) {
  const std::int32_t x = VertexX(t, k), y = VertexY(t, k);
  if (t.centerlineTrace()) {
    // A centre line's end may move onto a nearby junction point: added with the centre-line
    // stage. An outline keeps the vertex.
  }
  t.rt.state.tracerX = static_cast<std::int16_t>(x);
  t.rt.state.tracerY = static_cast<std::int16_t>(y);
  return art::PixelPoint{double(x), double(y)};
}

}  // namespace

void BeginOutlinePaint(Tracer& t) {
  t.fit.pathStarted = false;
  t.fit.lastAnchor = art::PixelPoint{kNoAnchor, kNoAnchor};
  if (t.colorPass()) {
    // The region's colour from shape separation: added with the colour conversion stage.
    return;
  }
  if (!t.outlineTrace()) return;
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
  t.art.pen.position = start;
  if (!art::beginPath(t.art, t.rt, t.settings)) return false;
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
  // Filled outlines (shapes too) only: a polygon that turns straight back at P1 is a spike one
  // pixel wide, whose out and back sides coincide and would fill nothing. Its outgoing side is
  // moved one pixel to the left of travel, the background side of a clockwise boundary.
  if (!t.centerlineTrace() && VertexExists(t, 2) && VertexAngle(t, 1) == 0) {
    const double dx = p1.x - p0.x, dy = p1.y - p0.y;
    const double length = std::hypot(dx, dy);
    const double nx = dy / length, ny = -dx / length;  // (u.y, -u.x)
    if (!AddAnchor(t, art::PixelPoint{p0.x + nx, p0.y + ny})) return;
    if (!AddAnchor(t, art::PixelPoint{p1.x + nx, p1.y + ny})) return;
  }
  if (t.centerlineTrace() || t.lineRecognizer != nullptr) {
    // Centre-line traces, and sides the line recognizer has flagged, add their own anchors:
    // added with those stages.
  }
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
  if (t.centerlineTrace() && !t.settings.has(settings::kUniformLineWeight)) {
    // The stroke weight follows the line width measured at Q1 and Q2: added with the
    // centre-line stage.
  }
  if (!EnsurePathStarted(t)) return;
  const SpanFit& fit = t.fit.accepted;
  if (!AddCurve(t, fit.c1, fit.c2, p3)) return;
  // The curve passes near its inner vertices, which may lie outside the anchors' bounds.
  const double scale = t.art.pen.artScale;
  for (std::int64_t k = 1; k < last; ++k)
    art::widenBounds(t.art, art::anchorToArt(VertexX(t, k), scale),
                     art::anchorToArt(VertexY(t, k), scale));
}

void EmitDegenerate(Tracer& t) {
  if (CurvedOnly(t) || Aborted(t) || t.listEndBytes < kRecordBytes) return;
  VertexWindow& v = *t.vertices;
  const std::int64_t saved = v.cursor();
  v.setCursor(0);
  const art::PixelPoint p = VertexPoint(t, 0);
  if (EnsurePathStarted(t)) {
    if (t.centerlineTrace()) {
      // One line to vertex 1, moved half a pixel when it coincides with vertex 0. (Its stroke
      // weight, measured there unless the line weight is uniform, comes with the centre-line
      // stage.)
      art::PixelPoint q = VertexExists(t, 1) ? VertexPoint(t, 1) : p;
      if (SamePoint(p, q)) q.x += 0.5;
      AddAnchor(t, q);
    } else {
      const double d = kDegenerateSquare;
      for (art::PixelPoint corner :
           {art::PixelPoint{p.x + d, p.y}, art::PixelPoint{p.x + d, p.y - d},
            art::PixelPoint{p.x, p.y - d}, p})
        if (!AddAnchor(t, corner)) break;
    }
  }
  v.setCursor(saved);
}

}  // namespace vl::engine
