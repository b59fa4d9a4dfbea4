// The junction list: the points of the thinned strokes where three or more strokes meet, in
// row order (left to right within a row) between two sentinels, and one "used" bit for each
// entry, set when a line end has been joined to it. Line ends that come near a junction are
// moved onto it, so that the paths meeting there share their end points.
#pragma once

#include <cstdint>
#include <vector>

#include "image/raster_image.h"

namespace vl::base {
struct Runtime;
}

namespace vl::engine {

struct JunctionPoint {
  std::int16_t x = 0, y = 0;  // pixels
  bool operator==(const JunctionPoint&) const = default;
};

constexpr JunctionPoint kLeadingSentinel{0, -32767};
constexpr JunctionPoint kTrailingSentinel{0, 32767};
// More points than this stop the conversion (message 156).
constexpr std::size_t kMaxJunctionPoints = 20000;

struct JunctionList {
  std::vector<JunctionPoint> points;  // sentinels included once complete
  std::vector<std::uint16_t> usedBits;  // 16 entries a word, lowest bit first

  std::size_t size() const { return points.size(); }
  bool used(std::size_t index) const { return (usedBits[index / 16] >> (index % 16)) & 1u; }
  void markUsed(std::size_t index) {
    usedBits[index / 16] = std::uint16_t(usedBits[index / 16] | (1u << (index % 16)));
  }
  void clear() {
    points.clear();
    usedBits.clear();
  }
};

enum class JunctionScan { kDone, kAborted, kTooMany };

// Scans the thinned bit layer for ink pixels whose neighbour code is a junction code and
// builds the list with its sentinels. kTooMany when more than kMaxJunctionPoints were found
// (nothing is shown here), kAborted when the user stopped.
JunctionScan FindJunctions(base::Runtime& rt, const image::RasterImage& image, JunctionList& list);

// Merges junction points that lie close together: up to three in a row become their middle,
// and one with neighbours in the next two rows moves a row down and takes their place. Fewer
// than four entries (sentinels included) are left alone.
void MergeJunctions(JunctionList& list);

// The used bits, all clear, for the final list.
void ResetUsedBits(JunctionList& list);

}  // namespace vl::engine
