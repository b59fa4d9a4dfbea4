// The body of a GQ/EPS file: one path at a time, its paint when it changed, its anchors and
// segments, and the operator that paints it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "art/artwork.h"
#include "art/gq_writer.h"

namespace vl::art {

// Writes one path; an empty path, or one with neither fill nor stroke painted, writes nothing.
// Sets w.longPath when the path has more than kLongPathAnchors anchors.
void writePath(GqWriter& w, const PathRecord& path);

// Whether the anchor at word offset `at` (the end of a segment) is smooth: the directions to
// the point before it and to the point after it differ by more than 170 and less than 190
// degrees. The last anchor of a closed path looks past the first anchor; that of an open
// path has no point after it and is a corner.
bool IsSmoothAnchor(std::span<const std::uint16_t> words, std::size_t at);

}  // namespace vl::art
