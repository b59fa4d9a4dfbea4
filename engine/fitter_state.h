// The curve fitter's state for the outline being written: the path in progress, the fit of
// the span being grown and the last fit that passed, and how far the polygon was run past its
// start. The Tracer holds one; FitOutline resets it for every outline.
#pragma once

#include <cstdint>

#include "art/artwork.h"
#include "engine/outline_geometry.h"

namespace vl::engine {

// The last anchor before the first one of an outline: matches no vertex.
constexpr double kNoAnchor = 123456.789;  // pixels

// How CurveFits reads vertexHitRadius2, a 16.16 fixed-point square of pixels.
enum class VertexHitUnits {
  // d^2 in square pixels against the 16.16 value as it stands: at least 81920, so a vertex
  // counts as passed by the first sample within 5 pixels of it in x.
  kHistorical,
  // d^2 against vertexHitRadius2 / 65536: a radius of 1.1 to 1.7 pixels times the square
  // root of the resolution factor, as the constant was meant.
  kSquarePixels,
};

// Chosen by measuring traced discs, strokes and bumpy outlines (the fitting tests): in square
// pixels, curves stay within the pass radius of every vertex they span; over 17 shapes that
// cost 2 to 3 % more segments and painted 14 to 22 % fewer pixels wrong, and the worst sample
// came 2.8 instead of 3.3 pixels from the boundary. Smooth shapes come out the same.
constexpr VertexHitUnits kDefaultVertexHitUnits = VertexHitUnits::kSquarePixels;

// How closely curves follow the traced boundary. kDefault writes each span's curve as the
// third points give it; kClose refines its control points by least squares against the chain
// of the span (never to a larger error, never outside the mask corridor) before writing it, and
// once the outline is placed moves its anchors and bends its stray sides toward the pixels'
// edges (RelaxAnchors).
enum class FitMode { kDefault, kClose };

// One cubic through P0 and P3 that passes the chain's third points Q1 and Q2.
struct SpanFit {
  std::int64_t end = 0;          // word offset of P3 from the cursor vertex (4 per vertex)
  art::PixelPoint p0, q1, q2, p3, c1, c2;  // pixels
  std::int64_t chainLength = 1;  // 2378 per axis-parallel step, 3363 per diagonal
};

struct FitterState {
  VertexHitUnits hitUnits = kDefaultVertexHitUnits;  // kept across outlines
  FitMode fitMode = FitMode::kDefault;               // kept across outlines

  bool pathStarted = false;
  art::PixelPoint lastAnchor{kNoAnchor, kNoAnchor};  // pixels
  // Leading vertices (1..extension) repeated after the closing vertex.
  std::int64_t extension = 0;
  SpanFit current;   // the span being tried
  SpanFit accepted;  // the last span that passed every test
  // The path's segments, written into the artwork when the outline is done.
  PendingPath pending;
};

}  // namespace vl::engine
