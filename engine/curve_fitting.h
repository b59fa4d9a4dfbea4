// Curve and line fitting: turns the vertex list of one outline into one path of the artwork.
// Walking the polygon from the vertex cursor, it covers as many sides as it can with one cubic
// that passes the chain at a third and two thirds of its length, stays inside the shape mask
// and passes close to every vertex it spans; the sides left over become straight lines. It
// also paints the path (black or white for outlines of a bilevel image).
//
// A span runs from the cursor vertex (P0) to the vertex `end` / 4 ahead (P3); `end` is a word
// offset into the vertex records (kWordsPerVertex words a vertex), so vertex k of a span is at
// word kWordsPerVertex x k.
#pragma once

#include <cstdint>

#include "engine/tracer.h"

namespace vl::engine {

// Chain length per step, in chain length units: their ratio is the square root of 2.
constexpr std::int64_t kAxisStepLength = 2378;
constexpr std::int64_t kDiagonalStepLength = 3363;
// A curve is sampled about every 5 pixels of chain (5 x 2378 units), at least 10 times.
constexpr double kSampleChainLength = 11890.0;
constexpr double kMaxSampleStep = 0.1;
// Inner vertices with an angle word below this (a turn of more than 80 degrees) stay corners.
constexpr std::int16_t kCornerAngle = 100;
// A span of three or more sides stops when its end tangents differ by more than 70 degrees.
constexpr int kMaxTangentTurnDegrees = 70;
// Sides one span may cover; the span stops growing there. Far above what the corner, length
// and tangent tests let a span reach, it bounds the work per span.
constexpr std::int64_t kMaxSpanSides = 1024;

// Fits and writes the current outline (after ComputeVertexAngles). Writes nothing once
// abortRequested is set: a path cut short by an abort is dropped.
void FitOutline(Tracer& t);

// The steps of FitOutline.
// Resets the path state and sets the pen's paint: for an outline of a bilevel image white
// (colour 0, fill White) when the backup pixel under the chain's start equals the White Lines
// flag, else black (0xFF000000, fill Black).
void BeginOutlinePaint(Tracer& t);
// Starts the path at the cursor vertex when it has not been started. False after an abort.
bool EnsurePathStarted(Tracer& t);
// The side from the cursor vertex (or the last anchor) to the next vertex as a line, or a
// straight curve in "Curved only" mode.
void EmitLine(Tracer& t);
// The accepted curve to vertex `end` / 4; widens the path's bounds by the span's inner
// vertices.
void EmitCurve(Tracer& t, std::int64_t end);
// A path for an outline too small for any side: the square around its pixels (nothing in
// "Curved only" mode).
void EmitDegenerate(Tracer& t);
// Writes the sides the walk left over as lines, or the degenerate path when none was written.
void FinishOutline(Tracer& t);
// Repeats vertices 1..n after the closing vertex (their chain offsets moved on by the chain's
// length) and extends the chain record by their codes, so that a curve can run through the
// start point.
void ExtendAcrossStart(Tracer& t, std::int64_t n);

// Tests of the walk.
// The cursor vertex and the next exist, and except in "Curved only" mode the one after that.
bool HasSpan(Tracer& t);
// The span must be written as lines: always in "Straight only", never in "Curved only"; in
// "Curved and straight" when an inner vertex is a sharp corner or a side is longer than the
// square root of straightLength2.
bool SpanMustStayStraight(Tracer& t, std::int64_t end);
// Walks the chain from the cursor vertex to vertex `end` / 4 and sets the chain length and the
// points Q1 and Q2 at one third and two thirds of it in t.fit.current (P0 is the cursor vertex).
void ThirdPoints(Tracer& t, std::int64_t end);
// Sets C1 and C2 of `fit` so that its cubic passes Q1 at t = 1/3 and Q2 at t = 2/3.
void SetControlPoints(SpanFit& fit);
// The current fit stays inside the shape mask at every sample and passes every inner vertex
// of the span within the vertex pass radius.
bool CurveFits(Tracer& t, std::int64_t end);
// The square of the radius (pixels) within which a curve passes a vertex.
double VertexHitRadius2(const Tracer& t);
// The mask pixel under a point (pixels), rounded as the samples of CurveFits are.
bool InsideMask(Tracer& t, art::PixelPoint p);
// The current fit's end tangents differ by more than 70 degrees.
bool EndTangentsTurnTooMuch(Tracer& t);

}  // namespace vl::engine
