// Centre-line tracing: the strokes of a bilevel image are thinned to one-pixel centre lines,
// their junction points found and merged, and the lines traced by the same extraction,
// assembly and fitting stages as outlines, with tracerMode 1 (centre lines): the boundary of a
// one-pixel line runs out and back along it, and the side that only runs back is left out, so
// every line comes out once, as an open stroked path whose ends meet at the junctions.
//
// With the Outline method too, the thick parts of the drawing (what survives an erosion)
// are traced as filled outlines first and the centre lines of the thin parts after them.
#pragma once

#include <cstdint>

#include "art/artwork.h"
#include "engine/tracer.h"

namespace vl::engine {

// The stage's entry, called by the core before the outline loop (and again to resume a
// paused conversion). 0: the driver runs the outline loop and then RunCenterlinePass(0);
// anything else: the stage finished, paused or stopped the conversion.
int TraceCenterlines(Tracer& t);

// The centre-line pass: mode 0 after the outline loop and 1 after thinning (both reload the
// thinned lines from "dgskel"), -1 when the bit layer holds them already. Returns 1.
int RunCenterlinePass(Tracer& t, int mode);

// Separate Shapes outside a colour conversion: every area the centre lines in the bit layer
// (and the thick parts kept in the stage's state) enclose becomes a closed path, traced with
// tracerMode -1. 0 when done: the bit layer then holds the centre lines that border no area;
// 1 when the conversion must end (abort, memory, scratch file; message shown).
int SeparateShapes(Tracer& t);

// True while separated areas of a bilevel image are traced.
inline bool SeparatedShapeTrace(const Tracer& t) {
  return t.rt.state.tracerMode < 0 && t.rt.state.colorPassActive == 0;
}

// ---- Steps of the stage (centerline_separation.cpp) ----

// The thinned bit layer to "dgskel", row by row. False on failure (message shown).
bool SaveSkeleton(Tracer& t);
// The bit layer from "dgskel". False when it could not be read.
bool ReloadSkeleton(Tracer& t);
// One 3 x 3 erosion of the bit layer. True while ink remains.
bool ErodeImage(Tracer& t);
// Clears every ink pixel without an ink neighbour. True while ink remains.
bool RemoveIsolatedPixels(Tracer& t);
// One 3 x 3 dilation kept inside the unthinned image (the backup). True when aborted.
bool DilateWithinOriginal(Tracer& t);
// Every row of "dgskel" loses the pixels set in the bit layer. False on failure.
bool SubtractFromSkeleton(Tracer& t);

// ---- Used by the fitter in a centre-line trace (centerline_paths.cpp) ----

// The position of vertex `k` ahead of the cursor (k = 0: a path's first vertex, whose side
// runs to vertex 1; else the end of a span from the cursor), moved onto a junction when one
// lies near enough and on the line's way, as the tracer position. A `trial` marks nothing.
art::PixelPoint SnapLineEndToJunction(Tracer& t, std::int64_t k, bool trial = false);
// The junction list index vertex k snaps onto, or -1.
std::int64_t SnappedJunction(Tracer& t, std::int64_t k);

// The stroke width in pixels across the line through the pixel at (x, y) running along
// (dx, dy), in the unthinned image: the ink of a short strip across the line over the strip's
// length. Without a direction, the thinner of the two axes.
double MeasureWidth(Tracer& t, double x, double y, double dx, double dy);
// Applies a measured width (pixels): when it differs from the current one by 0.8 pixel or
// more, the path in progress ends and new paths take it as their stroke weight.
void SetLineWidth(Tracer& t, double widthPixels);

// A separated area's outline: the mean of the widths measured along it becomes the stroke
// weight of the path about to be written.
void ApplyMeanWidth(Tracer& t);

// The side from vertex a to vertex b (ahead of the cursor) runs back over a side already
// written for this centre line.
bool IsRetracedSide(Tracer& t, std::int64_t a, std::int64_t b);
// The span growing from the cursor stops at vertex k: it snaps onto a junction and neither of
// its neighbours snaps onto the same one from closer.
bool IsJunctionStop(Tracer& t, std::int64_t k);
// Notes the sides from vertex a to vertex b as written.
void NoteWrittenSides(Tracer& t, std::int64_t a, std::int64_t b);

// Writes the path in progress and starts no new one: the next emission begins a new path.
void EndPathInProgress(Tracer& t);

// True in a centre-line trace (tracerMode > 0).
inline bool CenterlineTrace(const Tracer& t) { return t.rt.state.tracerMode > 0; }

}  // namespace vl::engine
