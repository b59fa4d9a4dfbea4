// Junction detection on the thinned bit layer and the merging of close junction points.
#include "engine/junctions.h"

#include "base/progress.h"
#include "engine/bit_plane.h"
#include "engine/thinning.h"

namespace vl::engine {

namespace {

bool Before(JunctionPoint a, JunctionPoint b) { return a.y != b.y ? a.y < b.y : a.x < b.x; }

struct ColumnRange {
  std::int32_t low = 0, high = 0;  // pixels
  std::int32_t lastRow = 0;        // rows
  bool holds(JunctionPoint p) const { return p.x >= low && p.x <= high && p.y <= lastRow; }
};

// Where two strokes of even width cross, thinning leaves a 2 x 2 block of ink with the arms
// running off its corners; none of its pixels has a junction code. The block at (x, y) (its
// top-left pixel) is a junction when the twelve pixels around it hold three or more separate
// runs of ink.
bool IsCrossingBlock(const image::RasterImage& image, std::int32_t x, std::int32_t y) {
  auto ink = [&](std::int32_t px, std::int32_t py) {
    if (px < 0 || px >= image.paddedWidth || py < -1 || py > image.height) return 0;
    return BitAt(image::BitRow(image, py), px);
  };
  if (!ink(x + 1, y) || !ink(x, y + 1) || !ink(x + 1, y + 1)) return false;
  static constexpr int kRing[12][2] = {{-1, -1}, {0, -1}, {1, -1}, {2, -1}, {2, 0},  {2, 1},
                                       {2, 2},   {1, 2},  {0, 2},  {-1, 2}, {-1, 1}, {-1, 0}};
  int runs = 0;
  for (int i = 0; i < 12; ++i) {
    const int prev = (i + 11) % 12;
    runs += ink(x + kRing[i][0], y + kRing[i][1]) && !ink(x + kRing[prev][0], y + kRing[prev][1]);
  }
  return runs >= 3;
}

}  // namespace

JunctionScan FindJunctions(base::Runtime& rt, const image::RasterImage& image, JunctionList& list) {
  list.clear();
  list.points.reserve(100);
  list.points.push_back(kLeadingSentinel);
  const std::int32_t width = image.paddedWidth;
  const CodeTable& table = JunctionTable();
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* above = image::BitRow(image, y - 1);
    const std::uint8_t* row = image::BitRow(image, y);
    const std::uint8_t* below = image::BitRow(image, y + 1);
    for (std::int32_t i = 0; i < image.bitRowBytes; ++i) {
      if (row[i] == 0) continue;
      for (std::int32_t x = i * 8; x < i * 8 + 8; ++x)
        if (BitAt(row, x) && (table[std::size_t(NeighbourCode(above, row, below, x, width))] ||
                              IsCrossingBlock(image, x, y)))
          list.points.push_back({std::int16_t(x), std::int16_t(y)});
    }
    // The image window marks each point here; the core has no view.
    if (PollAbort(rt)) return JunctionScan::kAborted;
    if (list.points.size() - 1 > kMaxJunctionPoints) return JunctionScan::kTooMany;
  }
  list.points.push_back(kTrailingSentinel);
  return JunctionScan::kDone;
}

void MergeJunctions(JunctionList& list) {
  std::vector<JunctionPoint>& p = list.points;
  if (p.size() < 4) return;
  auto erase = [&p](std::size_t from, std::size_t through) {
    p.erase(p.begin() + std::ptrdiff_t(from), p.begin() + std::ptrdiff_t(through) + 1);
  };
  std::size_t i = 1;
  while (i + 1 < p.size() && p[i] != kTrailingSentinel && p[i + 1] != kTrailingSentinel) {
    JunctionPoint j = p[i];
    const std::int32_t x = j.x, y = j.y;
    ColumnRange range{x, x, y + 2};
    bool singleColumn = true;
    // Up to three points in one row, each within two pixels of the first: their middle.
    if (p[i + 1].y == y && p[i + 1].x <= x + 2) {
      erase(i + 1, i + 1);
      j.x = std::int16_t(x + 1);
      range.low = x;
      range.high = x + 2;
      singleColumn = false;
      if (i + 1 < p.size() && p[i + 1].y == y && p[i + 1].x <= x + 4) {
        erase(i + 1, i + 1);
        j.x = std::int16_t(x + 2);
        range.low = range.high = x + 2;
        singleColumn = true;
      }
    }
    p[i] = j;
    // Points in the next two rows under the range: merged into this one, which moves down.
    std::size_t k = i + 1;
    for (; k < p.size() && p[k].y <= y + 2; ++k)
      if (range.holds(p[k])) break;
    if (k >= p.size() || p[k].y > y + 2) {
      ++i;
      continue;
    }
    if (singleColumn) {
      range.low -= 2;
      range.high += 2;
    }
    std::size_t from = k, through = k;
    if (k > i + 1 && range.holds(p[k - 1])) from = k - 1;
    if (through + 1 < p.size() && range.holds(p[through + 1])) ++through;
    erase(from, through);
    j.y = std::int16_t(y + 1);
    p[i] = j;
    for (std::size_t at = i; at + 1 < p.size() && Before(p[at + 1], p[at]); ++at)
      std::swap(p[at], p[at + 1]);
  }
}

void ResetUsedBits(JunctionList& list) {
  list.usedBits.assign((list.points.size() + 15) / 16, 0);
}

}  // namespace vl::engine
