// Colour classes: sampling, merging of similar cells, the threshold search and the class map.
#include "image/color_classes.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "base/message_table.h"
#include "base/progress.h"
#include "image/posterization.h"

namespace vl::image {

namespace {

constexpr int kCountStep = 20;   // the first threshold, and the step it rises by
constexpr int kSampleSide = 256; // at most about this many sampled rows and pixels per row
constexpr int kMergeLevels = 8;  // similar cells are merged first up to this many classes
constexpr int kWhiteCell = kCubeCells - 1;
constexpr int kGrayWhite = 255;
constexpr int kCmykSamples = 4;

struct Coordinates {
  int r, g, b;
};
Coordinates CellCoordinates(int cell) {
  return {cell % kCubeSide, (cell / kCubeSide) % kCubeSide, cell / (kCubeSide * kCubeSide)};
}

int CellDistance(int a, int b) {
  const Coordinates p = CellCoordinates(a), q = CellCoordinates(b);
  return std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
}

int Reaching(const ColorClasses& c, int threshold) {
  int n = 0;
  for (int cell = 0; cell < kCubeCells; ++cell) n += c.cellCount[cell] >= threshold;
  return n;
}

void MergeInto(ColorClasses& c, int from, int to) {
  c.cellCount[to] = static_cast<std::uint16_t>(
      std::min<int>(c.cellCount[to] + c.cellCount[from], std::numeric_limits<std::uint16_t>::max()));
  for (int i = 0; i < 4; ++i) c.cellSum[to][i] += c.cellSum[from][i];
  c.cellCount[from] = 0;
}

// Few classes wanted: pairs of nearby cells of a similar hue are merged first, the smaller
// into its nearest similar partner, so that the classes left are different colours.
void MergeSimilarCells(ColorClasses& c) {
  constexpr int kNone = -1;
  std::array<int, kCubeCells> partner;
  std::array<int, kCubeCells> partnerDistance;
  partner.fill(kNone);
  partnerDistance.fill(std::numeric_limits<int>::max());
  for (int i = 0; i < kCubeCells; ++i) {
    if (c.cellCount[i] < kCountStep) continue;
    for (int j = 0; j < i; ++j) {
      if (c.cellCount[j] < kCountStep) continue;
      const Coordinates p = CellCoordinates(i), q = CellCoordinates(j);
      const int dr = std::abs(p.r - q.r), dg = std::abs(p.g - q.g), db = std::abs(p.b - q.b);
      const bool similar = dr < 3 && dg < 3 && db < 3 && std::abs(dr - dg) < 2 &&
                           std::abs(dr - db) < 2 && std::abs(dg - db) < 2;
      if (!similar) continue;
      const int smaller = c.cellCount[i] < c.cellCount[j] ? i : j;
      const int other = smaller == i ? j : i;
      if (dr + dg + db < partnerDistance[smaller]) {
        partner[smaller] = other;
        partnerDistance[smaller] = dr + dg + db;
      }
    }
  }
  int counted = Reaching(c, kCountStep);
  while (counted > c.levelCount) {
    int cell = kNone;
    for (int i = 0; i < kCubeCells; ++i)
      if (partner[i] != kNone && (cell == kNone || c.cellCount[i] < c.cellCount[cell])) cell = i;
    if (cell == kNone) break;
    const int p = partner[cell];
    const int q = partner[p];
    const bool qFree = q != kNone && partner[q] == kNone;
    if (!(qFree && c.cellCount[p] + c.cellCount[cell] < c.cellCount[q])) {
      if (qFree) MergeInto(c, q, p);
      MergeInto(c, cell, p);
      partner[p] = kNone;
    }
    partner[cell] = kNone;
    --counted;
  }
}

// The threshold that leaves at most levelCount representatives, as close to it as counts
// allow. The lowering stops before it would let more cells in than wanted: cells of one count
// come in together, and a step past levelCount would give more classes than the setting.
int SearchThreshold(const ColorClasses& c) {
  int t = kCountStep;
  while (Reaching(c, t) > c.levelCount) t += kCountStep;
  while (t > kCountStep && Reaching(c, t) < c.levelCount && Reaching(c, t - 1) <= c.levelCount) --t;
  while (t > 1 && Reaching(c, t) == 0) --t;
  return t;
}

void MapToRepresentatives(ColorClasses& c, int cells) {
  std::vector<int> reps;
  for (int cell = 0; cell < cells; ++cell)
    if (c.cellCount[cell] >= c.countThreshold) reps.push_back(cell);
  for (int cell = 0; cell < 256; ++cell) {
    if (cell >= cells || reps.empty()) {
      c.classMap[cell] = static_cast<std::uint8_t>(cell);
      continue;
    }
    int best = reps.front();
    for (int r : reps)  // ascending: the lower index wins a tie
      if (CellDistance(cell, r) < CellDistance(cell, best)) best = r;
    c.classMap[cell] = static_cast<std::uint8_t>(best);
  }
}

std::uint32_t Pack(int c, int m, int y, int k) {
  auto byte = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
  return byte(c) | byte(m) << 8 | byte(y) << 16 | byte(k) << 24;
}

}  // namespace

int LevelCount(int complexity) {
  static constexpr int kLevels[] = {2,  3,  4,  5,  6,  7,  8,  10, 12, 14,
                                    16, 20, 24, 32, 40, 48, 64, 128, 256};
  return kLevels[std::clamp(complexity, 2, 20) - 2];
}

int CubeCoordinate(int component) {
  if (component <= 25) return 0;
  return std::min((component - 26) / 51 + 1, kCubeSide - 1);
}

Rgb8 CmykClassColor(const std::uint8_t* p) {
  const int k = p[3];
  Rgb8 c{255 - std::min(255, p[0] + k), 255 - std::min(255, p[1] + k), 255 - std::min(255, p[2] + k)};
  if (c.g <= c.r && c.r < c.b) {
    c.b = (c.b + c.r) / 2;
  } else if (c.g > c.r) {
    if (c.b <= c.g) c.g -= c.g / 8;
    else c.b = (c.b + c.g) / 2;
  }
  return c;
}

int PixelCell(const std::uint8_t* pixel, int samplesPerPixel) {
  if (samplesPerPixel == 1) return pixel[0];
  if (samplesPerPixel == kCmykSamples) {
    const Rgb8 c = CmykClassColor(pixel);
    return CubeCell(c.r, c.g, c.b);
  }
  return CubeCell(pixel[0], pixel[1], pixel[2]);
}

void BuildGrayClasses(int levelCount, bool selection, ColorClasses& c) {
  c = ColorClasses{};
  const int levels = std::clamp(std::min(levelCount, kGrayClassLimit), 2, kGrayClassLimit);
  c.levelCount = levels;
  const int step = 255 / (levels - 1);
  for (int v = 0; v < 256; v += step) c.cellCount[v] = 2;  // the levels themselves
  c.countThreshold = 2;
  for (int i = 0; i < 256; ++i)
    c.classMap[i] = static_cast<std::uint8_t>((i * levels / 256) * 256 / levels + (256 / levels) / 2);
  if (selection) c.classMap[kGrayWhite] = kGrayWhite;
  const int middle = (levels / 2) * step;
  c.dominantCell = middle;
  c.backgroundColor = Pack(0, 0, 0, 255 - middle);  // black ink only
}

ClassesResult BuildColorClasses(const RasterImage& image, base::Runtime& rt, int levelCount,
                                ColorClasses& c) {
  const int spp = image.samplesPerPixel;
  if (spp == 1) {
    BuildGrayClasses(levelCount, image.selectionActive, c);
    return ClassesResult::kDone;
  }
  ColorClasses work;
  work.levelCount = std::clamp(levelCount, 2, 256);
  const std::int32_t width = image.colorRowBytes / std::max(spp, 1);
  const std::int32_t rowStep = image.height / kSampleSide + 1;
  const std::int32_t pixelStep = width / kSampleSide + 1;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width + 2) * spp);
  base::ConversionState& s = rt.state;
  for (std::int32_t y = 0; y < image.height; y += rowStep) {
    ReadGuardedRow(image, y, row.data());
    for (std::int32_t x = 0; x < width; x += pixelStep) {
      const std::uint8_t* px = row.data() + std::size_t(x + 1) * spp;
      const int cell = PixelCell(px, spp);
      if (work.cellCount[cell] < std::numeric_limits<std::uint16_t>::max()) ++work.cellCount[cell];
      for (int i = 0; i < std::min(spp, 4); ++i) work.cellSum[cell][i] += px[i];
    }
    s.currentRow = y + 1;
    base::UpdateRowProgress(rt, image.height, image.paddedWidth, 0);
    if (base::PollAbort(rt) != 0) return ClassesResult::kStopped;
  }

  if (work.levelCount <= kMergeLevels && Reaching(work, kCountStep) > work.levelCount)
    MergeSimilarCells(work);
  work.countThreshold = static_cast<std::uint16_t>(SearchThreshold(work));
  MapToRepresentatives(work, kCubeCells);
  if (image.selectionActive) work.classMap[kWhiteCell] = kWhiteCell;

  int dominant = -1;
  for (int cell = 0; cell < kCubeCells; ++cell)
    if (work.cellCount[cell] >= work.countThreshold &&
        (dominant < 0 || work.cellCount[cell] >= work.cellCount[dominant]))
      dominant = cell;  // ascending: the higher index wins a tie
  work.dominantCell = std::max(dominant, 0);
  const std::uint32_t n = std::max<std::uint32_t>(work.cellCount[work.dominantCell], 1);
  const auto& sum = work.cellSum[work.dominantCell];
  if (spp == kCmykSamples) {
    work.backgroundColor = Pack(sum[0] / n, sum[1] / n, sum[2] / n, sum[3] / n);
  } else {
    work.backgroundColor = Pack(255 - int(sum[0] / n), 255 - int(sum[1] / n), 255 - int(sum[2] / n), 0);
  }
  c = work;
  return ClassesResult::kDone;
}

std::vector<int> Representatives(const ColorClasses& c, int samplesPerPixel) {
  const int cells = samplesPerPixel == 1 ? 256 : kCubeCells;
  std::vector<int> reps(c.classMap.begin(), c.classMap.begin() + cells);
  std::sort(reps.begin(), reps.end());
  reps.erase(std::unique(reps.begin(), reps.end()), reps.end());
  return reps;
}

}  // namespace vl::image
