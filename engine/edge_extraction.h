// Edge extraction: finds the shapes of the source plane one at a time, follows the boundary of
// each as an 8-direction chain code, removes the shape (so its holes become shapes of their
// own) and draws the widened boundary into the shape mask, the corridor a fitted curve must
// stay in.
//
// Chain record (in the chain buffer, paged through "edgearr"): start x and y (signed 16-bit),
// one byte per direction code, then 0xFF. Any byte with the top bit set ends it when read.
// A lone pixel gives start x, start y, 0xFF, 0xFF.
#pragma once

#include <array>
#include <cstdint>

#include "engine/tracer.h"

namespace vl::engine {

// Direction codes, numbered clockwise on the screen (y grows downward): 0 down-left, 1 left,
// 2 up-left, 3 up, 4 up-right, 5 right, 6 down-right, 7 down.
constexpr std::array<std::int8_t, 8> kChainDx = {-1, -1, -1, 0, 1, 1, 1, 0};
constexpr std::array<std::int8_t, 8> kChainDy = {1, 0, -1, -1, -1, 0, 1, 1};
constexpr std::int8_t kNoDirection = -1;  // a pixel without ink neighbours; stored as 0xFF

// Records longer than this are halved by SimplifyChain before a polygon is built.
constexpr std::int64_t kMaxChainCodes = 64000;
// SimplifyChain gives up (codeCount 0) when a pass removes fewer codes than this.
constexpr std::int64_t kMinSimplifyGain = 201;

// Clears the shape mask (unless it is the source plane itself, maskInImage), puts the scan at
// row 0, word 0, and forces the next progress report.
void InitBoundaryScan(Tracer& t);

// Finds the next ink pixel from the scan position, follows its boundary into the chain buffer,
// removes the shape from the source plane and stamps the mask. Returns the record's length in
// bytes (4 + codes + 1), or the chain buffer's size when the record spilled to "edgearr"; 0 at
// the end of the image, after an abort, or when a scratch file failed (message shown,
// abortRequested set). Leaves startX/startY, codeCount, box and widened box of the boundary.
int ExtractNextBoundary(Tracer& t);

// One step of the boundary follower from the tracer position in direction state
// t.lastDirection: probes d - 2 .. d + 3 (mod 8) and moves to the first ink pixel, else steps
// back (d + 4) untested; with d = 7 the step back (up) is tested too, and when it is not ink
// the position stays and the result is kNoDirection. Returns the code moved.
int NextDirection(Tracer& t);

// Clears the source pixel at the start point, then walks the current record and at every
// position (before each move) sets a 5 x 5 block of the shape mask (stamp = 1) or clears the
// source pixel (stamp = 0).
void WalkChain(Tracer& t, int stamp);

// Called after every boundary: clears the shape mask inside the widened box or, when the mask
// is the source plane itself, puts back the source words saved in "dgtemp".
void RestoreShapeArea(Tracer& t);

// Merges pairs of codes that add up to one step or cancel, over the whole record (which is in
// "edgearr" once it holds more than kMaxChainCodes codes). codeCount becomes the new number of
// codes, or 0 when fewer than kMinSimplifyGain were removed (the caller then stops repeating)
// or the record could not be read into memory or written back.
void SimplifyChain(Tracer& t);

}  // namespace vl::engine
