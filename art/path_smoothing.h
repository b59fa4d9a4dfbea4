// Smooth Paths (remove anchors lying close to the chord through their neighbours, raising the
// tolerance until a level-dependent share of the points has gone) and Smooth Direction Points
// (align an anchor's two direction points on one line when their corner is already shallow).
// Both act on the selected paths, or on every path when none is selected.
#pragma once

#include <cstddef>
#include <cstdint>

#include <unordered_map>

#include "art/artwork.h"
#include "base/runtime.h"

namespace vl::art {

// Smooth Paths' first tolerance, in 64ths of a square pixel of deviation; it doubles per sweep
// and becomes 0 ("every fourth anchor") once it would pass the cap.
constexpr int kFirstSmoothingTolerance = 156;
constexpr int kSmoothingToleranceCap = 9999;
constexpr int kFarFromChord = 32767;  // the deviation of an anchor that may not go

// For each anchor position (x << 16 | y, art units), how many paths pass through it. Deletions
// only remove anchors, so a table made before a sweep stays a safe filter during it.
using SharedPoints = std::unordered_map<std::uint32_t, std::pair<int, int>>;  // last path, paths
SharedPoints FindSharedPoints(const Artwork& art);

// One sweep of anchor elimination over path `index` at `tolerance`. Anchors shared with another
// path between the same two neighbours (a boundary of two shapes) go from both. Adds to
// `considered` and `eliminated`. artScale: art units per pixel. `shared`, when given, spares
// the look through the other paths for anchors no other path passes through.
void SmoothPathOnce(Artwork& art, int index, int tolerance, double artScale, long& considered,
                    long& eliminated, const SharedPoints* shared = nullptr);

// Smooth Paths at level 0, 1, 2 (Minimum, Medium, Maximum): the number of anchors removed.
long SmoothPaths(Artwork& art, int level, double artScale);
// Its report: message 75 when nothing went, else 77 (one point) or 76 with the number.
void ReportSmoothing(base::Runtime& rt, long eliminated);

// The angle limits of Smooth Direction Points by level, in degrees.
constexpr double kDirectionAngleLimits[3] = {165.0, 150.0, 135.0};

struct DirectionSmoothing {
  long changed = 0;     // anchors whose direction points moved
  long operatedOn = 0;  // anchors of the paths operated on
};

// Aligns the direction points a (arriving) and b (leaving) of anchor p when the angle between
// them is at least `limitDegrees`; true when any coordinate changed. Art units.
bool AlignDirectionPoints(std::int32_t px, std::int32_t py, std::int32_t& ax, std::int32_t& ay,
                          std::int32_t& bx, std::int32_t& by, double limitDegrees);
// Every anchor of the path between two curves; the closing anchor of a closed path as one.
long SmoothPathDirectionPoints(PathRecord& path, double limitDegrees);
DirectionSmoothing SmoothDirectionPoints(Artwork& art, int level);
// Its report: 78 when none changed, else 79, 80 or 81 by the two numbers.
void ReportDirectionSmoothing(base::Runtime& rt, const DirectionSmoothing& result);

}  // namespace vl::art
