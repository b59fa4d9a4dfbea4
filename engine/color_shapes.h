// Colour conversion by shape separation: a gray scale or colour image is reduced to its colour
// classes, every connected area of one class becomes a region (areas below the noise size join
// their closest neighbour), and every region becomes one closed filled path painted with its
// colour.
//
//   classes -> region map -> small regions merged -> (colour limit) -> region colours
//   -> boundary sections between regions, each simplified once -> each region's outer loop
//   chained from its sections -> paths, enclosing regions first -> self-touching paths split
//   -> ordering by enclosure
//
// Neighbouring regions take their common boundary from the same simplified section, one of
// them reversed, so they share it point for point. Each region is painted as its outer loop
// with its holes filled: the regions inside a hole are smaller and painted later, on top, so
// every pixel ends up under the path of its own region and no background shows between them.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <vector>

#include "art/artwork.h"
#include "base/runtime.h"
#include "engine/conversion_job.h"
#include "engine/label_store.h"
#include "image/color_classes.h"
#include "image/raster_image.h"

namespace vl::engine {

// A CMY colour word (cyan in the low byte, black 0) with the grey common to its inks moved
// into black, rendering as the same colour; a word with black set is returned unchanged.
std::uint32_t GreyToBlack(std::uint32_t cmyk);

// The press conversion of CMY to CMYK: magenta and yellow corrected against cyan (deep blues
// and purples lose yellow and some cyan and magenta), then GreyToBlack. It shifts colours
// visibly on screen (a blue of 20, 90, 180 comes out 20, 90, 255), so traced shapes take their
// colours through GreyToBlack alone; the class colours of a palette use it.
std::uint32_t CmyToCmyk(std::uint32_t cmyk);

// The colour word of mean samples: gray (black = 255 - mean), RGB (complements through
// GreyToBlack) or CMYK (as they are).
std::uint32_t ColorWordOfSamples(const std::uint32_t* means, int samplesPerPixel);

// A class's own colour word: a cube cell (r + 6g + 36b, 51 per step, through CmyToCmyk) or a
// gray value (black = 255 - value).
std::uint32_t ClassColor(int cls, int samplesPerPixel);

// The colour most of a shape's samples share, for Color averaging off: the samples are counted
// in at most 256 slots (a new colour, when all are taken, replaces the first of the rarest and
// the other slots of that count are emptied); a colour held by half the samples wins,
// else the colour that gathers most samples within a tolerance (25, 50, ... in summed sample
// difference) once some colour gathers half; with fewer than 6 samples the last one counts.
class DominantColorCount {
 public:
  static constexpr std::size_t kSlots = 256;
  explicit DominantColorCount(int samplesPerPixel) : spp_(samplesPerPixel) {}
  void add(const std::uint8_t* px);
  // The winning samples, the first in the low byte.
  std::uint32_t result() const;

 private:
  struct Slot {
    std::uint32_t color;
    std::uint32_t count;
  };
  int spp_;
  std::vector<Slot> slots_;
  std::uint32_t last_ = 0;
};

// Four sums of samples in five bytes each (255 x 32767 x 32767 fits in 40 bits): the labelling
// of a large photograph holds hundreds of thousands of area records, so they are kept small.
class SampleSums {
 public:
  // Little-endian bytes; on a little-endian machine a 4-byte and a 1-byte access each way,
  // kept in registers (a byte loop, or a copy through an 8-byte temporary, stalled the
  // labelling's per-pixel sums).
  std::uint64_t operator[](int c) const {
    const std::uint8_t* p = bytes_ + 5 * c;
    if constexpr (std::endian::native == std::endian::little) {
      std::uint32_t low;
      std::memcpy(&low, p, 4);
      return std::uint64_t(p[4]) << 32 | low;
    } else {
      std::uint64_t v = 0;
      for (int b = 4; b >= 0; --b) v = v << 8 | p[b];
      return v;
    }
  }
  void add(int c, std::uint64_t v) {
    v += (*this)[c];
    std::uint8_t* p = bytes_ + 5 * c;
    if constexpr (std::endian::native == std::endian::little) {
      const auto low = std::uint32_t(v);
      std::memcpy(p, &low, 4);
      p[4] = std::uint8_t(v >> 32);
    } else {
      for (int b = 0; b < 5; ++b, v >>= 8) p[b] = std::uint8_t(v);
    }
  }

 private:
  std::uint8_t bytes_[20] = {};
};

// Image sides are at most 32767 pixels, so pixel counts fit 32 bits and coordinates 16.
struct Region {
  std::int32_t pixels = 0;
  SampleSums sum;            // samples summed over the region's pixels
  std::uint32_t color = 0;   // packed CMYK
  std::int16_t left = 0, top = 0, right = -1, bottom = -1;  // pixels, inclusive
  std::uint8_t cls = 0;      // colour class (representative cell or gray value)
};

// The most memory one area record costs while labelling: the record, its root slot, one more
// slot pointing to it, its place in a free list, a budget sweep and the final numbering.
constexpr std::size_t kAreaRecordBytes = sizeof(Region) + 32;

// Every pixel's region (-1: not converted, outside the selection) and the regions.
struct RegionMap {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int samplesPerPixel = 1;
  LabelStore label;
  std::vector<Region> regions;
  bool mergedForLimit = false;  // regions were joined to keep within RegionOptions::maxRegions
  std::size_t peakAreaRecords = 0;  // the most area records held at once while labelling
  std::int32_t at(std::int32_t x, std::int32_t y) const { return label.at(x, y); }
};

struct RegionOptions {
  std::int64_t minRegionPixels = 8;  // smaller regions join their closest neighbour
  int maxColors = 0;                 // the colour limit; 0 = none
  // The path limit: past it the smallest regions keep joining their closest neighbour, so that
  // every pixel stays under a shape instead of the limit's discard passes dropping paths.
  std::size_t maxRegions = 0;  // 0 = none
  // The area records the labelling may hold (0 = no limit): past it the smallest finished
  // areas join their closest neighbour early, as the path limit would join them later.
  std::size_t maxAreaRecords = 0;
};

enum class StageResult { kDone, kStopped, kNoMemory };

// One row of the image as the labelling reads it: each pixel's class, shade (0 without
// shades), whether it is left out (not converted), and its samples.
struct LabelRow {
  std::vector<std::uint8_t> cls;
  std::vector<std::uint16_t> shade;
  std::vector<std::uint8_t> excluded;  // 1: not converted
  std::vector<std::uint8_t> samples;   // samplesPerPixel bytes per pixel
};
// Fills `row` (sized width pixels) with row y; false when the image could not be read.
using LabelRowSource = std::function<bool(std::int32_t y, LabelRow& row)>;

// Labels the connected areas (4-neighbours) of equal class and shade, reading the image row by
// row once: besides the map it needs two rows of labels and one record per area held, no copy
// of the image. Areas smaller than options.minRegionPixels join their closest neighbour (the
// nearest mean colour, the larger on ties), the smallest first, once they and their small
// neighbours have finished: at the end, or in batches when many wait; past
// options.maxAreaRecords the smallest finished areas join theirs too, so that the records held
// stay bounded. Region numbers follow the first pixel of each region in row order. Polls
// abort every row; a label tile that cannot be written to the scratch file stops it too.
[[nodiscard]] StageResult LabelAndMergeByRows(base::Runtime& rt, std::int32_t width,
                                              std::int32_t height, int samplesPerPixel,
                                              const LabelRowSource& rows,
                                              const RegionOptions& options, RegionMap& map,
                                              const LabelPaging& paging = {});

// The area records the labelling of an image `width` pixels wide may hold: what
// paging.areaBytes pays for, and never fewer than four times the areas two rows can open and
// the regions the path limit leaves.
std::size_t AreaRecordBudget(const LabelPaging& paging, std::int32_t width,
                             std::size_t maxRegions);

// Every connected area as a region of its own (no merges).
[[nodiscard]] StageResult LabelRegionsByRows(base::Runtime& rt, std::int32_t width,
                                             std::int32_t height, int samplesPerPixel,
                                             const LabelRowSource& rows, RegionMap& map,
                                             const LabelPaging& paging = {});

// The same over whole-image arrays: `classes` (one byte per pixel; pixels with `excluded` set
// are not converted), `samples` (samplesPerPixel bytes per pixel) and optional `shades`.
[[nodiscard]] StageResult LabelRegions(base::Runtime& rt, std::int32_t width, std::int32_t height,
                                       int samplesPerPixel,
                                       const std::vector<std::uint8_t>& classes,
                                       const std::vector<std::uint8_t>& samples,
                                       const std::vector<bool>& excluded, RegionMap& map,
                                       const std::vector<std::uint16_t>& shades = {},
                                       const LabelPaging& paging = {});

// Shades per channel that split the colour classes of a colour image at a Complexity setting
// (0: the classes alone). The classes have at most 6 steps per channel; above the complexity
// where the class count reaches the colour cube, shades give up to 16 steps per channel.
int ShadeSteps(int complexity);
inline std::uint16_t PixelShade(const std::uint8_t* px, int samplesPerPixel, int steps) {
  std::uint16_t shade = 0;
  for (int c = 0; c < std::min(samplesPerPixel, 3); ++c)
    shade = std::uint16_t(shade * steps + px[c] * steps / 256);
  return shade;
}

// Small regions join the neighbour of the nearest colour, smallest first; with a colour limit
// the rarest classes are dropped for the nearest kept class and neighbours of one class become
// one region, painted with the mean of every pixel of that class; then, while more regions
// than maxRegions remain, the smallest joins its neighbour of the nearest colour (and
// map.mergedForLimit is set). Region colours are set.
[[nodiscard]] StageResult SimplifyRegions(base::Runtime& rt, const RegionOptions& options,
                                          RegionMap& map);

// A closed loop of points in half pixels (pixel corners and the middles of pixel sides), the
// first point not repeated at the end.
struct LatticePoint {
  std::int32_t x = 0, y = 0;
  bool operator==(const LatticePoint&) const = default;
};
using Loop = std::vector<LatticePoint>;

// The outer loop of every region (empty for a region without pixels), its boundary sections
// simplified to within `tolerance` pixels. Sections shared by two regions give both the same
// points. Polls abort every row of the section search.
[[nodiscard]] StageResult OuterLoops(base::Runtime& rt, const RegionMap& map, double tolerance,
                                     std::vector<Loop>& loops);

// The loop simplified to within `tolerance` (Douglas-Peucker, the first point kept).
Loop SimplifyLoop(const Loop& loop, double tolerance);

// Signed area of a loop (in its own units squared).
double LoopArea(const Loop& loop);

// Every new path (from art.firstNewPath) of 6 words or fewer is deleted; a path whose anchors
// repeat a point has the loop between the two occurrences cut out into a path of its own (kept
// when longer than 6 words, painted right after the path it came from), until no point
// repeats.
void SplitSelfTouchingPaths(art::Artwork& art, base::Runtime& rt);

// Each new path that nearly encloses an earlier new path (boxes within `tolerance` art units
// and larger) moves beneath the first such path. With `eliminateHidden`, paths of earlier
// conversions that a new path covers completely (after shrinking them by 2 units) are deleted.
void OrderAndEliminateHidden(art::Artwork& art, std::int32_t tolerance, bool eliminateHidden);

// Which paths the artwork's path limit leaves when paths of the given lengths (art units, as
// art::pathLength measures them) are begun one after another after the existing ones: each
// time the limit is reached a discard pass raises the shortest length kept by kDiscardStep and
// drops every shorter path but the one last begun, and beginning a path drops the one before
// it when that is shorter. Worked out ahead, the paths that would be dropped are never built
// and the kept ones are not swept again and again. `fails` when a pass would give up (fewer
// than kMinPathsForDiscard paths, or the length ceiling reached).
struct PathLimitPlan {
  std::vector<bool> keepOld, keepNew;
  std::int16_t minPathLength = 0;  // where the passes leave the artwork's minPathLength
  bool exceeded = false;           // a pass ran (the closing message about the limit)
  bool fails = false;
};
PathLimitPlan PlanPathLimit(std::span<const std::int32_t> oldLengths,
                            std::span<const std::int32_t> newLengths, std::int32_t maxPaths);

// The colour conversion of a gray scale or colour image into the artwork (initArtwork done).
// False when it stopped (abort, memory); the paths made so far stay.
bool SeparateColorShapes(ConversionJob& job);

}  // namespace vl::engine
