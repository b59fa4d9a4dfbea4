// What Separate Shapes adds to the junction list and does to the traced areas afterwards, so
// that neighbouring areas run through the same anchor points along the line between them:
// junctions where the centre lines touch the thick parts (where an area's boundary passes from
// a line onto a thick part), and the matching of the sections between junctions.
#pragma once

#include <cstdint>
#include <vector>

#include "art/artwork.h"
#include "base/runtime.h"
#include "engine/junctions.h"

namespace vl::engine {

// The list may hold at most this many points (sentinels included) once contacts join it, and
// none are added to a list that already holds as many.
constexpr std::size_t kMaxContactListPoints = 1000;

// Adds a junction at every pixel of the centre lines `lines` that touches (8 neighbours) ink of
// `thick` (both planes of rowBytes a row, height rows), skipping a pixel that lies fewer than 3
// columns from a contact point added in the 2 rows above or in its own row. The list (with its
// sentinels) stays in row order and its used bits are cleared. Returns the points added.
std::size_t AddContactJunctions(JunctionList& list, const std::uint8_t* lines,
                                const std::uint8_t* thick, std::int32_t rowBytes,
                                std::int32_t width, std::int32_t height);

struct MatchOutcome {
  int sectionsMatched = 0;
  bool stopped = false;  // the user stopped; the paths changed so far keep their change
};

// The closed paths from `firstPath` on are cut at their anchors that are junctions (placed on
// the page at their pixel centres, as the outlines of separated areas are). For each section A..B of a path, the
// later paths that run from B back to A with no other junction between, over a number of
// point words within 30 of it, are candidates; the one whose directions leaving A and B agree
// best takes the section, reversed, in place of its own. A path whose point array cannot be
// grown stays as it was. Shows "Matching Paths" with the share of paths done and polls abort
// once a path.
[[nodiscard]] MatchOutcome MatchPaths(art::Artwork& art, base::Runtime& rt,
                                      const JunctionList& junctions, double artScale,
                                      int firstPath);

}  // namespace vl::engine
