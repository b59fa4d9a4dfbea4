// Changing the anchors of one path: deleting an anchor while joining its two segments into one
// curve, rotating a closed path to start at another anchor, adding an anchor on a segment,
// moving one, and the Delete Anchor Point tool's click or rectangle. Offsets below are word
// offsets into the point array; anchor numbers count anchors from 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "art/artwork.h"
#include "base/runtime.h"

namespace vl::art {

struct ArtPoint {
  double x = 0.0;  // art units
  double y = 0.0;
};

// Word offsets of the anchors of a point array, in order.
std::vector<std::size_t> AnchorOffsets(const PathRecord& path);

// Sets the bounds to the extent of the anchors and of the curves between them (not of the
// direction points), widened by 5 art units.
void RecomputeBounds(PathRecord& path);

// Makes room for `words` words in the point array (at most kMaxPointWords). False, and the
// path unchanged, when the limit or memory does not allow it.
bool ReserveWords(PathRecord& path, std::size_t words);

// Deletes the anchor at `offset` (neither the first nor the last), joining the segments K-P
// and P-N into one cubic curve through the points at one and two thirds of their flattened
// length. False, with the path unchanged, when there is no anchor with neighbours there or the
// point array cannot grow (two straight segments need two words more).
bool DeleteAnchorPoint(PathRecord& path, std::size_t offset);
// The same when the caller knows the offset of the anchor before it (a walk along the path),
// which saves a walk from the start.
bool DeleteAnchorPoint(PathRecord& path, std::size_t previous, std::size_t offset);

// Moves the first segment of a closed path to its end, so that it starts at its second anchor.
// Returns 1 when the path holds a single segment and cannot be rotated, else 0.
int RotateClosedPath(PathRecord& path);

// Splits the segment that leaves the anchor at `offset` at parameter t (0 < t < 1): a line at
// the point, a curve into two curves refitted through two points of each half. False, path
// unchanged, when the point array cannot grow.
bool SplitSegment(PathRecord& path, std::size_t offset, double t);

// A point of the segment leaving the anchor at `offset`, at parameter t.
ArtPoint SegmentPoint(const PathRecord& path, std::size_t offset, double t);

// Moves the anchor at `offset` to (x, y) art units, with the last anchor of a closed path kept
// equal to the first; direction points stay where they are.
void MoveAnchor(PathRecord& path, std::size_t offset, std::int32_t x, std::int32_t y);

// Adjust Curve: bends the segment leaving the anchor at `offset` so that its point at t = 1/2
// lies on `mouse`, with the direction points half of K - N apart; a straight segment becomes a
// curve first. False, path unchanged, when the point array cannot grow.
bool BendSegment(PathRecord& path, std::size_t offset, ArtPoint mouse);

// Adjust Curve with Shift: the segment leaving the anchor at `offset` becomes a circular arc
// through K, N and `mouse` (art units; artScale art units per pixel). Collinear points or a
// radius of 5000 pixels or more give a straight curve; an arc of more than a half circle is cut
// into two halves at a new anchor. Direction points lie on the tangents, 0.4 x sweep x radius
// from their anchors. False, path unchanged, when the point array cannot grow.
bool ArcSegment(PathRecord& path, std::size_t offset, ArtPoint mouse, double artScale);

// Adjust Line: the segment leaving the anchor at `offset` (made straight first) follows the
// mouse from `press` to `release`, both ends by the same amount, the press point first taken
// onto the segment's line. With `constrain` the segment becomes horizontal (below 22.5
// degrees), vertical (67.5 degrees or more) or a 45-degree diagonal.
void MoveSegment(PathRecord& path, std::size_t offset, ArtPoint press, ArtPoint release,
                 bool constrain);

// The Delete Anchor Point tool: with `click`, the anchor of a selected path nearest to the
// rectangle's centre within it; otherwise every anchor of the selected paths inside it (art
// units, inclusive). A path left with a single segment goes; with no paths left message 44 is
// shown. True when anything was deleted.
bool DeleteAnchorsInRect(Artwork& art, base::Runtime& rt, const ArtBounds& rect, bool click);

}  // namespace vl::art
