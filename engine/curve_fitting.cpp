// The fitter's walk over one polygon: spans grown from each vertex as long as one curve fits
// them, the first sides left for the end so that a curve can run through the start point,
// and the polygon extended past its start to make that possible.
#include "engine/curve_fitting.h"

#include <algorithm>

#include "engine/centerline.h"
#include "engine/fitting_vertices.h"
#include "engine/line_paths.h"

namespace vl::engine {

using namespace fitting;

namespace {

bool Aborted(const Tracer& t) { return t.rt.state.abortRequested != 0; }

// In a centre-line trace the cursor's side is not written when it runs back over a written
// one; the path in progress then stops there. True when the cursor moved past it.
bool SkipRetracedSide(Tracer& t) {
  if (!CenterlineTrace(t) || !IsRetracedSide(t, 0, 1)) return false;
  if (t.fit.pathStarted) t.centerline.pathBroken = true;
  t.vertices->moveCursor(kRecordBytes);
  return true;
}

// A centre line whose every side ran back over another still had a path written.
bool AnyPathWritten(const Tracer& t) {
  return t.fit.pathStarted || (CenterlineTrace(t) && t.centerline.anyPath);
}

// Vertex `index` of the list (counted from its start), whatever the cursor.
struct VertexRecord {
  std::int16_t words[kWordsPerVertex];
};

VertexRecord ReadRecord(VertexWindow& v, std::int64_t index) {
  v.setCursor(index * kRecordBytes);
  VertexRecord r{};
  for (std::int64_t w = 0; w < kWordsPerVertex; ++w) r.words[w] = VertexWord(v, w);
  return r;
}

void WriteRecord(VertexWindow& v, std::int64_t index, const VertexRecord& r) {
  v.setCursor(index * kRecordBytes);
  for (std::int64_t w = 0; w < kWordsPerVertex; ++w) SetVertexWord(v, r.words[w], w);
}

std::int64_t ChainOffsetOf(const VertexRecord& r) {
  return ChainOffsetFrom(r.words[kWordChain], r.words[kWordChainHigh]);
}

// How far the span from the cursor vertex grows: the `end` of the last span that passed every
// test, or minEnd when none did.
std::int64_t GrowSpan(Tracer& t, std::int64_t minEnd) {
  FitterState& f = t.fit;
  std::int64_t first = minEnd;
  std::int64_t end = first + kWordsPerVertex;
  f.current.p0 = VertexPoint(t, 0);
  while (VertexExists(t, end / kWordsPerVertex) && end / kWordsPerVertex <= kMaxSpanSides) {
    const std::int64_t last = end / kWordsPerVertex;
    if (SamePosition(t, last, first / kWordsPerVertex)) {  // duplicate vertices
      end += kWordsPerVertex;
      continue;
    }
    if (SpanMustStayStraight(t, end)) break;
    // A centre line's curve ends at the vertex nearest a junction, before a side that runs
    // back over one already written, and where it meets a recognised line (so that the
    // line's exact position becomes an anchor).
    if (CenterlineTrace(t) && first > 0 &&
        (IsJunctionStop(t, first / kWordsPerVertex) ||
         IsRetracedSide(t, first / kWordsPerVertex, first / kWordsPerVertex + 1) ||
         SnapVertexToLines(t, VertexX(t, first / kWordsPerVertex),
                           VertexY(t, first / kWordsPerVertex)).flags != 0))
      break;
    f.current.p3 = VertexPoint(t, last);
    ThirdPoints(t, end);
    SetControlPoints(f.current);
    if (!CurveFits(t, end)) break;
    if (end > 2 * kWordsPerVertex && VertexExists(t, last + 1) && EndTangentsTurnTooMuch(t)) break;
    f.accepted = f.current;
    first = end;
    end += kWordsPerVertex;
  }
  return first;
}

}  // namespace

bool HasSpan(Tracer& t) {
  return VertexExists(t, 0) && VertexExists(t, 1) && (CurvedOnly(t) || VertexExists(t, 2));
}

void ExtendAcrossStart(Tracer& t, std::int64_t n) {
  FitterState& f = t.fit;
  VertexWindow& v = *t.vertices;
  const std::int64_t closing = t.listEndBytes / kRecordBytes - 1 - f.extension;
  // Only vertices before the list end can be repeated, and those already repeated stay.
  n = std::min(n, closing);
  if (closing < 1 || n <= f.extension) return;

  const std::int64_t saved = v.cursor();
  const std::int64_t shift = ChainOffsetOf(ReadRecord(v, closing)) - kChainHeaderBytes;
  const std::int64_t copiedUpTo = f.extension == 0 ? std::int64_t(kChainHeaderBytes)
                                                   : ChainOffsetOf(ReadRecord(v, f.extension));
  if (t.chain->extendRecord(copiedUpTo, ChainOffsetOf(ReadRecord(v, n)))) {
    for (std::int64_t k = f.extension + 1; k <= n; ++k) {
      VertexRecord r = ReadRecord(v, k);
      const std::int64_t moved = ChainOffsetOf(r) + shift;
      r.words[kWordChain] = ChainLowWord(moved);
      r.words[kWordChainHigh] = ChainHighWord(moved);
      WriteRecord(v, closing + k, r);
    }
    v.setCursor((closing + n + 1) * kRecordBytes);
    SetVertexWord(v, kListEnd, kWordX);
    t.listEndBytes = (closing + n + 1) * kRecordBytes;
    f.extension = n;
  }
  v.setCursor(saved);
}

void FitOutline(Tracer& t) {
  FitterState& f = t.fit;
  VertexWindow& v = *t.vertices;
  BeginOutlinePaint(t);
  f.extension = 0;
  v.setCursor(0);
  // The smallest curve: one side in "Curved only", else two.
  const std::int64_t minEnd = CurvedOnly(t) ? 0 : kWordsPerVertex;

  while (HasSpan(t)) {
    if (Aborted(t)) return;
    const std::int64_t index = CursorIndex(t);
    if (index == 2) ExtendAcrossStart(t, 2);
    if (SkipRetracedSide(t)) continue;

    const std::int64_t end = GrowSpan(t, minEnd);
    if (end <= minEnd) {  // no curve covers the cursor's side
      EmitLine(t);
      v.moveCursor(kRecordBytes);
      continue;
    }
    const std::int64_t last = end / kWordsPerVertex;
    if (index == 0 && !SamePoint(f.accepted.p0, f.accepted.p3)) {
      // The path will begin at the span's end; the sides up to it are fitted again at the end
      // of the list, as part of whatever runs through the start point.
      if (end > 2 * kWordsPerVertex) ExtendAcrossStart(t, last);
    } else if (index == 1) {
      if (end > kWordsPerVertex) {
        ExtendAcrossStart(t, 1);
        EmitCurve(t, end);
      }
    } else {
      EmitCurve(t, end);
    }
    v.moveCursor(last * kRecordBytes);
  }
  FinishOutline(t);
  WritePendingPath(t);
}

void FinishOutline(Tracer& t) {
  VertexWindow& v = *t.vertices;
  if (Aborted(t)) return;
  if (!AnyPathWritten(t)) {
    if (CursorIndex(t) == 0 && t.listEndBytes <= 2 * kRecordBytes) {
      EmitDegenerate(t);  // a lone pixel or two
      return;
    }
    ExtendAcrossStart(t, 2);
  }
  while (VertexExists(t, 0) && VertexExists(t, 1) && !Aborted(t)) {
    if (SkipRetracedSide(t)) continue;
    EmitLine(t);
    v.moveCursor(kRecordBytes);
  }
  if (!AnyPathWritten(t)) EmitDegenerate(t);
}

}  // namespace vl::engine
