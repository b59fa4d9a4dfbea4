// Outline assembly: turns the chain record of one boundary into a closed polygon (the vertex
// list of engine/vertex_record.h) and gives every vertex its turning angle, for the curve and
// line fitter.
#pragma once

#include <cstdint>

#include "engine/tracer.h"

namespace vl::engine {

// The most sides a polygon may have before the outline is assembled again with the tolerance
// doubled (tested before each side). The vertex array is paged, so memory sets no limit; the
// path does: every side may become a curve of 6 point words, and one path holds at most 65535
// words. 10000 sides stay clear of that with room for the sides the fitter repeats across the
// start.
constexpr std::int64_t kMaxOutlineSides = 10000;

// Builds the vertex list of the current chain record (t.chain, t.codeCount), simplifying a
// record of more than kMaxChainCodes codes first (SimplifyChain). Walks the chain,
// growing each side while every chain point since its start stays within the tolerance
// (polygonTolerance, 1/64 square pixel), and places a vertex at the best point near where the
// tolerance broke. Also reads the backup pixel under the start point into t.startPixel. False,
// with a partial list, when the user aborted or a scratch file failed.
bool TraceOutlinePolygon(Tracer& t);

// Fills word 3 of every record of the vertex list: the turn at V between the directions of
// V - previous and next - V (atan2 in whole degrees, truncated); the closing record takes the
// first record's angle.
void ComputeVertexAngles(Tracer& t);

// Writes x and y (pixels) into the record at the vertex cursor, which then points at the
// record being built, and moves the tracer position there.
void EmitVertex(Tracer& t, std::int16_t x, std::int16_t y);

}  // namespace vl::engine
