// Line recognition: the horizontal and vertical strokes of a bilevel drawing (forms, tables,
// technical drawings) found as exact straight lines, collinear pieces merged, rectangles built
// from four lines meeting at their corners, and the remaining lines' ends snapped onto the lines
// they cross. Everything here is data; turning it into art is the caller's.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "base/runtime.h"
#include "engine/bit_plane.h"

namespace vl::engine {

// Lengths in inches turned into pixels once per conversion: the average resolution divided by
// the divisor, rounded, (R + d) / (2 d) with R = xResolution + yResolution.
struct LineQuantities {
  std::int32_t maxSpread = 0;         // pixels: widest stroke taken as one line (divisor 4)
  std::int32_t shortLineMin = 0;      // pixels: lines up to this long need the side check (6)
  std::int32_t minRun = 0;            // pixels: shortest run of ink that counts (10)
  std::int32_t sideReach = 0;         // pixels: how far the side check looks (15)
  std::int32_t cornerTolerance = 0;   // pixels, summed over both axes (20)
  std::int32_t endSnapTolerance = 0;  // pixels (20)
  std::int32_t centreDistance = 0;    // pixels: re-centring of parallel pieces; line snap (20)
  std::int32_t mergeGap = 0;          // pixels: gap bridged between collinear pieces (36)
};
LineQuantities ComputeLineQuantities(std::int32_t resolutionSum);

enum class LineState : std::uint8_t { kLive = 0, kMerged = 1, kRectangleSide = 2 };

// One recognised line. For a horizontal line centre is its y and start..end its x range; for a
// vertical one centre is its x and start..end its y range. All in pixels, start <= end.
struct LineEntry {
  std::int32_t centre = 0;
  std::int32_t start = 0;
  std::int32_t end = 0;
  std::int32_t width = 0;  // pixels: the stroke's measured thickness
  LineState state = LineState::kLive;
};

struct RecognizedLines {
  LineQuantities q;
  std::vector<LineEntry> horizontal;
  std::vector<LineEntry> vertical;
};

enum class LineScanOutcome { kDone, kStopped, kNoMemory };

// Scans `plane` (1 = ink) for horizontal lines, then for vertical ones, appending to `out`
// (whose q it sets). Reports progress as the line-recognition stage (rows, then height plus
// columns) and polls for abort every 8 rows or columns; an abort ends the scan and keeps what
// was found (kStopped). A failed allocation shows message 11 and returns kNoMemory.
[[nodiscard]] LineScanOutcome RecognizeLines(const BitPlaneView& plane,
                                             std::int32_t resolutionSum, base::Runtime& rt,
                                             RecognizedLines& out);

// Merges collinear live pieces whose centres differ by less than 4 pixels and whose ends lie
// within the merge gap (pixels) of each other; merged-in entries get state kMerged.
void MergeCollinearLines(std::vector<LineEntry>& lines, std::int32_t mergeGap);

// A closed rectangle through the centres of its four sides, in pixels.
struct RecognizedRectangle {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  std::int32_t width = 0;  // pixels: the mean of its sides' widths
};

// Builds rectangles from live lines whose corners meet within the corner tolerance; their sides
// get state kRectangleSide and the rectangle's width. Without uniformWidths, sides whose widths
// differ from their mean by more than max(R / 200, 1) pixels make no rectangle.
std::vector<RecognizedRectangle> BuildRectangles(RecognizedLines& lines,
                                                 std::int32_t resolutionSum, bool uniformWidths);

// A two-point straight line, exactly horizontal or vertical, in pixels.
struct StraightLine {
  std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::int32_t width = 0;  // pixels
};

// The live lines (horizontal ones first, in array order), each end moved onto the centre of
// the cheapest crossing line of the other direction within the end-snap tolerance.
std::vector<StraightLine> RemainingLines(const RecognizedLines& lines);

// Takes the recognised lines (all but merged-in pieces) out of `plane` before the rest of the
// drawing is traced. At each pixel along a line the run of ink across it is cleared when it
// lies within what the written line covers (its width about the centre, its square caps, a
// pixel more); where the ink runs on (a letter touching the line, a crossing line) it stays,
// so strokes that touch a line keep their shape and nothing is cleared that is not drawn. Horizontal
// lines go first, then vertical ones, whose runs across no longer include the cleared
// horizontals: a crossing is cleared once both lines are gone. Every cleared pixel is set in
// `removed`, a plane of the same size.
void RemoveRecognizedLines(const RecognizedLines& lines, const BitPlaneView& plane,
                           const BitPlaneView& removed);

// 1 when pixel (x, y) is ink in the unthinned drawing; 0 outside it.
using InkTest = std::function<int(std::int32_t x, std::int32_t y)>;

enum LineSnapFlags : int { kSnappedToHorizontal = 1, kSnappedToVertical = 2 };

struct LineSnap {
  int flags = 0;  // LineSnapFlags: 3 at a corner, 0 when nothing is near
  std::int32_t x = 0, y = 0;  // pixels: the point after snapping
};

// Moves (x, y) onto the nearest recognised line of each direction within the line snap
// distance (cost: the distance across plus half the distance beyond its ends) that ink joins
// to it: onto a horizontal line's centre y with x kept within its ends, onto a vertical line's
// centre x (and, with no horizontal line chosen, y kept within its ends).
LineSnap SnapToRecognizedLines(const RecognizedLines& lines, std::int32_t x, std::int32_t y,
                               const InkTest& ink);

}  // namespace vl::engine
