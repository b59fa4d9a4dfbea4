// Magic wand, Grow Selection, Select Similar, Select All and Select Inverse.
//
// The masks are worked on as planes of 64-bit words in machine order (pixel x is bit x % 64 of
// word x / 64), converted from and to the bit layer's most-significant-first bytes once per
// operation. Region growing is a run-based flood fill: each pixel joins the region once, and
// each run that joins looks at the two rows beside it once, so the work is linear in the grown
// area (plus one pass over the image to convert the planes), where sweeps of whole-box passes
// repeated until nothing changes grow with the region's windings.
#include "image/pixel_selection.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "base/message_table.h"
#include "base/progress.h"

namespace vl::image {

namespace {

constexpr std::array<std::uint8_t, 256> kReversed = [] {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    int r = 0;
    for (int b = 0; b < 8; ++b) r |= ((i >> b) & 1) << (7 - b);
    t[i] = static_cast<std::uint8_t>(r);
  }
  return t;
}();

// Region growing polls the abort request after this many runs.
constexpr std::size_t kRunsPerPoll = 256;

class Plane {
 public:
  bool allocate(platform::MemoryBudget& budget, const RasterImage& image) {
    width_ = image.width;
    height_ = image.height;
    wordsPerRow_ = (image.paddedWidth + 63) / 64;
    const std::size_t bytes = std::size_t(wordsPerRow_) * std::size_t(height_) * 8;
    return block_.allocate(budget, bytes);
  }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::int32_t wordsPerRow() const { return wordsPerRow_; }
  std::uint64_t* row(std::int32_t y) {
    return block_.as<std::uint64_t>() + std::size_t(y) * std::size_t(wordsPerRow_);
  }
  const std::uint64_t* row(std::int32_t y) const {
    return block_.as<std::uint64_t>() + std::size_t(y) * std::size_t(wordsPerRow_);
  }
  bool get(std::int32_t x, std::int32_t y) const { return (row(y)[x >> 6] >> (x & 63)) & 1; }
  void set(std::int32_t x, std::int32_t y) { row(y)[x >> 6] |= std::uint64_t{1} << (x & 63); }
  std::size_t words() const { return std::size_t(wordsPerRow_) * std::size_t(height_); }
  std::uint64_t* data() { return block_.as<std::uint64_t>(); }
  const std::uint64_t* data() const { return block_.as<std::uint64_t>(); }

  // Rows of bitRowBytes bytes, most significant bit first.
  void fromLayer(const std::uint8_t* rows, std::int32_t bitRowBytes) {
    for (std::int32_t y = 0; y < height_; ++y) {
      const std::uint8_t* src = rows + std::size_t(y) * std::size_t(bitRowBytes);
      std::uint64_t* dst = row(y);
      std::fill(dst, dst + wordsPerRow_, 0);
      for (std::int32_t b = 0; b < bitRowBytes; ++b)
        dst[b >> 3] |= std::uint64_t{kReversed[src[b]]} << (8 * (b & 7));
    }
  }
  void toLayer(std::uint8_t* rows, std::int32_t bitRowBytes) const {
    for (std::int32_t y = 0; y < height_; ++y) {
      std::uint8_t* dst = rows + std::size_t(y) * std::size_t(bitRowBytes);
      const std::uint64_t* src = row(y);
      for (std::int32_t b = 0; b < bitRowBytes; ++b)
        dst[b] = kReversed[(src[b >> 3] >> (8 * (b & 7))) & 0xFF];
    }
  }

 private:
  std::int32_t width_ = 0, height_ = 0, wordsPerRow_ = 0;
  platform::Block block_;
};

struct Run {
  std::int32_t y, left, right;  // pixels left..right of row y, all in the region
};

// Grows `region` through the 4-connected pixels of `candidates` from the runs on `stack`.
// False when the user stopped it; what was grown stays.
bool GrowRegion(Plane& region, const Plane& candidates, std::vector<Run>& stack,
                base::Runtime& rt) {
  const std::int32_t w = region.width(), h = region.height();
  auto fillable = [&](std::int32_t x, std::int32_t y) {
    return candidates.get(x, y) && !region.get(x, y);
  };
  std::size_t sincePoll = 0;
  while (!stack.empty()) {
    if (++sincePoll == kRunsPerPoll) {
      sincePoll = 0;
      if (base::PollAbort(rt) != 0) return false;
    }
    Run run = stack.back();
    stack.pop_back();
    while (run.left > 0 && fillable(run.left - 1, run.y)) region.set(--run.left, run.y);
    while (run.right + 1 < w && fillable(run.right + 1, run.y)) region.set(++run.right, run.y);
    for (std::int32_t ny : {run.y - 1, run.y + 1}) {
      if (ny < 0 || ny >= h) continue;
      for (std::int32_t x = run.left; x <= run.right;) {
        if (!fillable(x, ny)) {
          ++x;
          continue;
        }
        const std::int32_t start = x;
        while (x <= run.right && fillable(x, ny)) region.set(x++, ny);
        stack.push_back({ny, start, x - 1});
      }
    }
  }
  return true;
}

// Every run of set pixels of `plane`, as seeds.
void PushRuns(const Plane& plane, std::vector<Run>& stack) {
  for (std::int32_t y = 0; y < plane.height(); ++y) {
    for (std::int32_t x = 0; x < plane.width();) {
      if (!plane.get(x, y)) {
        ++x;
        continue;
      }
      const std::int32_t start = x;
      while (x < plane.width() && plane.get(x, y)) ++x;
      stack.push_back({y, start, x - 1});
    }
  }
}

void NotEnoughMemory(base::Runtime& rt) { base::ShowMessage(rt, msg::kNotEnoughMemoryRestart); }

bool AllocatePlanes(base::Runtime& rt, const RasterImage& image, std::initializer_list<Plane*> planes) {
  for (Plane* p : planes) {
    if (!p->allocate(rt.memory, image)) {
      NotEnoughMemory(rt);
      return false;
    }
  }
  return true;
}

// A bilevel image without a selection shows every pixel in its bit layer, but nothing is
// selected: the wand's new click is not "inside the selection", and Grow has nothing to grow.
bool NothingSelected(const RasterImage& image) {
  return IsBilevel(image) && !image.pixelSelection;
}

void ReadSelection(const RasterImage& image, Plane& plane) {
  if (NothingSelected(image)) return;  // the plane is fresh, all zero
  plane.fromLayer(BitRow(image, 0), image.bitRowBytes);
}

void WriteSelection(RasterImage& image, const Plane& plane) {
  plane.toLayer(BitRow(image, 0), image.bitRowBytes);
  image.pixelSelection = true;
}

// The loaded pixels of a bilevel image (its backup, from memory or "memtemp").
bool ReadLoaded(const RasterImage& image, base::Runtime& rt, Plane& plane) {
  if (!image.backupOnDisk) {
    if (image.backupLayer.empty()) {
      NotEnoughMemory(rt);
      return false;
    }
    plane.fromLayer(LayerRow(image.backupLayer, image, 0), image.bitRowBytes);
    return true;
  }
  platform::Block rows;
  const auto bytes = static_cast<std::size_t>(image.bitLayerBytes);
  if (!rows.allocate(rt.memory, bytes)) {
    NotEnoughMemory(rt);
    return false;
  }
  if (image.fileHandle == platform::kNoFile || !platform::SeekTo(image.fileHandle, 0) ||
      platform::ReadBytes(image.fileHandle, rows.data(), bytes) != bytes) {
    base::ShowMessage(rt, msg::kScratchDiskFull);
    return false;
  }
  plane.fromLayer(rows.data(), image.bitRowBytes);
  return true;
}

// Per channel the least and greatest value of the sample.
struct SampleRange {
  std::array<int, 4> low{255, 255, 255, 255};
  std::array<int, 4> high{0, 0, 0, 0};
  void add(const std::uint8_t* pixel, int samples) {
    for (int c = 0; c < samples; ++c) {
      low[c] = std::min<int>(low[c], pixel[c]);
      high[c] = std::max<int>(high[c], pixel[c]);
    }
  }
  // How far the pixel lies outside the range, summed over its channels.
  int distance(const std::uint8_t* pixel, int samples) const {
    int d = 0;
    for (int c = 0; c < samples; ++c) {
      if (pixel[c] < low[c]) d += low[c] - pixel[c];
      else if (pixel[c] > high[c]) d += pixel[c] - high[c];
    }
    return d;
  }
};

// One colour row, with room for the pixel readColorSpan repeats behind it.
class ColorRow {
 public:
  explicit ColorRow(const RasterImage& image)
      : image_(image), samples_(image.samplesPerPixel),
        bytes_(std::size_t(image.width) * std::size_t(samples_) + std::size_t(samples_)) {}
  bool allocate(platform::MemoryBudget& budget) { return block_.allocate(budget, bytes_); }
  const std::uint8_t* read(std::int32_t y) {
    static_cast<void>(readColorSpan(image_, 0, y, image_.width * samples_, block_.data()));
    return block_.data();
  }
  const std::uint8_t* pixel(std::int32_t x) const { return block_.data() + std::size_t(x) * samples_; }

 private:
  const RasterImage& image_;
  int samples_;
  std::size_t bytes_;
  platform::Block block_;
};

// The candidate mask of a gray scale or colour image: pixels within `tolerance` of the range.
bool BuildColorCandidates(const RasterImage& image, base::Runtime& rt, const SampleRange& range,
                          int tolerance, Plane& candidates) {
  ColorRow row(image);
  if (!row.allocate(rt.memory)) {
    NotEnoughMemory(rt);
    return false;
  }
  const int samples = image.samplesPerPixel;
  std::fill(candidates.data(), candidates.data() + candidates.words(), 0);
  for (std::int32_t y = 0; y < image.height; ++y) {
    row.read(y);
    for (std::int32_t x = 0; x < image.width; ++x)
      if (range.distance(row.pixel(x), samples) <= tolerance) candidates.set(x, y);
  }
  return true;
}

// Selected pixels with an unselected 8-neighbour (outside the image counts as unselected).
bool OnSelectionBorder(const Plane& sel, std::int32_t x, std::int32_t y) {
  if (!sel.get(x, y)) return false;
  for (std::int32_t dy = -1; dy <= 1; ++dy) {
    for (std::int32_t dx = -1; dx <= 1; ++dx) {
      const std::int32_t nx = x + dx, ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= sel.width() || ny >= sel.height()) return true;
      if (!sel.get(nx, ny)) return true;
    }
  }
  return false;
}

bool SampleSelectionBorder(const RasterImage& image, base::Runtime& rt, const Plane& sel,
                           SampleRange& range) {
  ColorRow row(image);
  if (!row.allocate(rt.memory)) {
    NotEnoughMemory(rt);
    return false;
  }
  for (std::int32_t y = 0; y < image.height; ++y) {
    bool read = false;
    for (std::int32_t x = 0; x < image.width; ++x) {
      if (!OnSelectionBorder(sel, x, y)) continue;
      if (!read) row.read(y);
      read = true;
      range.add(row.pixel(x), image.samplesPerPixel);
    }
  }
  return true;
}

bool SampleClick(const RasterImage& image, base::Runtime& rt, std::int32_t x, std::int32_t y,
                 bool expandSpread, SampleRange& range) {
  ColorRow row(image);
  if (!row.allocate(rt.memory)) {
    NotEnoughMemory(rt);
    return false;
  }
  const std::int32_t reach = expandSpread ? 1 : 0;
  for (std::int32_t sy = std::max(0, y - reach); sy <= std::min(image.height - 1, y + reach); ++sy) {
    row.read(sy);
    for (std::int32_t sx = std::max(0, x - reach); sx <= std::min(image.width - 1, x + reach); ++sx)
      range.add(row.pixel(sx), image.samplesPerPixel);
  }
  return true;
}

// The candidates of a colour-range test, or a bilevel image's black pixels.
bool BuildCandidates(const RasterImage& image, base::Runtime& rt, const SampleRange& range,
                     int tolerance, Plane& candidates) {
  if (IsBilevel(image)) return ReadLoaded(image, rt, candidates);
  return BuildColorCandidates(image, rt, range, tolerance, candidates);
}

void Combine(Plane& sel, const Plane& region, int mode) {
  std::uint64_t* s = sel.data();
  const std::uint64_t* r = region.data();
  for (std::size_t i = 0; i < sel.words(); ++i) {
    switch (mode) {
      case kSelectNew: s[i] = r[i]; break;
      case kSelectAdd: s[i] |= r[i]; break;
      case kSelectSubtract: s[i] &= ~r[i]; break;
      case kSelectIntersect: s[i] &= r[i]; break;
    }
  }
}

bool Loaded(const RasterImage& image) { return !image.bitLayer.empty() && image.width > 0; }

}  // namespace

bool SelectionIsEmpty(const RasterImage& image) {
  if (!Loaded(image) || NothingSelected(image)) return true;
  const std::uint8_t* rows = BitRow(image, 0);
  // The padding bits are always 0, so whole rows may be tested.
  return std::all_of(rows, rows + image.bitLayerBytes, [](std::uint8_t b) { return b == 0; });
}

SelectionResult SelectAll(RasterImage& image, base::Runtime& rt) {
  if (!Loaded(image)) return SelectionResult::kUnchanged;
  if (!applyRectSelection(image, rt, 0, 0, image.width - 1, image.height - 1, kSelectNew))
    return SelectionResult::kFailed;
  return SelectionResult::kChanged;
}

SelectionResult SelectInverse(RasterImage& image, base::Runtime& rt) {
  if (!Loaded(image)) return SelectionResult::kUnchanged;
  if (!IsBilevel(image)) {
    invertBitLayer(image);
    clearPadding(image);
    image.pixelSelection = true;
    return SelectionResult::kChanged;
  }
  // The selection is known on the black pixels only: inverted there, white stays white.
  Plane loaded, sel;
  if (!AllocatePlanes(rt, image, {&loaded, &sel}) || !ReadLoaded(image, rt, loaded))
    return SelectionResult::kFailed;
  ReadSelection(image, sel);
  for (std::size_t i = 0; i < sel.words(); ++i) sel.data()[i] = loaded.data()[i] & ~sel.data()[i];
  WriteSelection(image, sel);
  return SelectionResult::kChanged;
}

SelectionResult MagicWand(RasterImage& image, base::Runtime& rt, std::int32_t x, std::int32_t y,
                          int mode, const WandOptions& options) {
  if (!Loaded(image) || mode < kSelectNew || mode > kSelectIntersect) return SelectionResult::kUnchanged;
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return SelectionResult::kUnchanged;
  Plane sel, candidates, region;
  if (!AllocatePlanes(rt, image, {&sel, &candidates, &region})) return SelectionResult::kFailed;
  ReadSelection(image, sel);
  if (mode == kSelectNew && sel.get(x, y)) return SelectionResult::kUnchanged;

  SampleRange range;
  if (!IsBilevel(image) && !SampleClick(image, rt, x, y, options.expandSpread, range))
    return SelectionResult::kFailed;
  if (!BuildCandidates(image, rt, range, options.tolerance, candidates))
    return SelectionResult::kFailed;
  // A bilevel click on white grows nothing: in new mode the selection becomes empty.
  bool stopped = false;
  if (candidates.get(x, y)) {
    region.set(x, y);
    std::vector<Run> stack{{y, x, x}};
    stopped = !GrowRegion(region, candidates, stack, rt);
  }
  Combine(sel, region, mode);
  WriteSelection(image, sel);
  return stopped ? SelectionResult::kStopped : SelectionResult::kChanged;
}

SelectionResult GrowSelection(RasterImage& image, base::Runtime& rt, const WandOptions& options) {
  if (!Loaded(image) || SelectionIsEmpty(image)) return SelectionResult::kUnchanged;
  Plane region, candidates;
  if (!AllocatePlanes(rt, image, {&region, &candidates})) return SelectionResult::kFailed;
  ReadSelection(image, region);
  SampleRange range;
  if (!IsBilevel(image) && !SampleSelectionBorder(image, rt, region, range))
    return SelectionResult::kFailed;
  if (!BuildCandidates(image, rt, range, options.tolerance, candidates))
    return SelectionResult::kFailed;
  std::vector<Run> stack;
  PushRuns(region, stack);
  const bool stopped = !GrowRegion(region, candidates, stack, rt);
  WriteSelection(image, region);
  return stopped ? SelectionResult::kStopped : SelectionResult::kChanged;
}

SelectionResult SelectSimilar(RasterImage& image, base::Runtime& rt, const WandOptions& options) {
  if (!Loaded(image) || SelectionIsEmpty(image)) return SelectionResult::kUnchanged;
  Plane sel, candidates;
  if (!AllocatePlanes(rt, image, {&sel, &candidates})) return SelectionResult::kFailed;
  ReadSelection(image, sel);
  SampleRange range;
  if (!IsBilevel(image) && !SampleSelectionBorder(image, rt, sel, range))
    return SelectionResult::kFailed;
  if (!BuildCandidates(image, rt, range, options.tolerance, candidates))
    return SelectionResult::kFailed;
  WriteSelection(image, candidates);
  return SelectionResult::kChanged;
}

}  // namespace vl::image
