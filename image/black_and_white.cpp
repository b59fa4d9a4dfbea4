// The black and white conversion of a gray scale or colour image into the bit layer.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/message_table.h"
#include "base/progress.h"
#include "image/bit_row.h"
#include "image/levels.h"
#include "image/posterization.h"

namespace vl::image {

namespace {

constexpr int kCmykSamples = 4;
constexpr int kWindowRows = 3;

// Three consecutive rows of a sequence that is walked downwards, each row made on first use.
// Rows above the first and below the last are the first and last row again.
class RowWindow {
 public:
  RowWindow(std::int32_t height, std::size_t rowBytes) : height_(height) {
    for (Slot& s : slots_) s.bytes.assign(rowBytes, 0);
  }
  template <typename Make>
  const std::uint8_t* row(std::int32_t y, Make&& make) {
    y = std::clamp<std::int32_t>(y, 0, height_ - 1);
    Slot& s = slots_[static_cast<std::size_t>(y % kWindowRows)];
    if (s.y != y) {
      make(y, s.bytes.data());
      s.y = y;
    }
    return s.bytes.data();
  }

 private:
  struct Slot {
    std::int32_t y = -1;
    std::vector<std::uint8_t> bytes;
  };
  std::int32_t height_;
  Slot slots_[kWindowRows];
};

// The pixel area of a guarded row starts one pixel in.
struct RowShape {
  std::int32_t width = 0;  // pixels
  int spp = 1;             // samples per pixel
  std::size_t bytes() const { return static_cast<std::size_t>(width + 2) * spp; }
  std::int32_t pixelBytes() const { return width * spp; }
};

void RepeatEdgePixels(const RowShape& shape, std::uint8_t* row) {
  std::memcpy(row, row + shape.spp, static_cast<std::size_t>(shape.spp));
  std::memcpy(row + shape.spp + shape.pixelBytes(), row + shape.pixelBytes(),
              static_cast<std::size_t>(shape.spp));
}

// The noise filters, per sample and channel; `up`, `mid`, `down` are guarded rows y - 1, y,
// y + 1 and the result is the filtered row y.
void FilterRow(int mode, const RowShape& shape, const std::uint8_t* up, const std::uint8_t* mid,
               const std::uint8_t* down, std::uint8_t* out) {
  const int c = shape.spp;
  const std::int32_t n = shape.pixelBytes();
  std::uint8_t* o = out + c;
  const std::uint8_t* u = up + c;
  const std::uint8_t* m = mid + c;
  const std::uint8_t* d = down + c;
  if (mode == kNoiseMedium) {
    // The pixel, its left neighbour, and the same two of the row above.
    for (std::int32_t i = 0; i < n; ++i) o[i] = static_cast<std::uint8_t>((m[i - c] + m[i] + u[i - c] + u[i]) / 4);
  } else if (mode == kNoiseMaximum) {
    // The mean of the eight neighbours, the centre left out.
    for (std::int32_t i = 0; i < n; ++i) {
      const int sum = u[i - c] + u[i] + u[i + c] + m[i - c] + m[i + c] + d[i - c] + d[i] + d[i + c];
      o[i] = static_cast<std::uint8_t>(sum / 8);
    }
  } else {
    std::memcpy(o, m, static_cast<std::size_t>(n));
  }
  RepeatEdgePixels(shape, out);
}

// Threshold mode: one pixel's darkness test.
struct ThresholdTest {
  int level = 128;        // t, on 8-bit samples
  bool grayAbove = false; // gray: black above t (the samples count ink) instead of at or below
  bool colorAtOrAbove = false;  // colour: black at or above 3t instead of below

  bool black(const std::uint8_t* px, int spp) const {
    if (spp == 1) return grayAbove ? px[0] > level : px[0] <= level;
    int sum;
    if (spp == kCmykSamples) {
      sum = (255 - px[3]) * (765 - (px[0] + px[1] + px[2])) / 256;
    } else {
      sum = px[0] + px[1] + px[2];
    }
    return colorAtOrAbove ? sum >= 3 * level : sum < 3 * level;
  }
};

// Contrast mode: the local test on the centre sample against its eight neighbours.
bool LocalContrastBlack(int v, const int (&n)[8], int limit) {
  // The swing first, from the extremes: most pixels of a page lie in flat areas and are
  // settled by it without counting.
  int hi = n[0], lo = n[0];
  for (int x : n) {
    hi = std::max(hi, x);
    lo = std::min(lo, x);
  }
  const int swing = std::max(hi - v, 0) + std::max(v - lo, 0);
  if (swing > limit) return true;
  if (2 * swing < limit) return false;
  const int quarter = (limit + 1) / 4;
  int brighter = 0, darker = 0;
  for (int x : n) {
    brighter += x - v > quarter;
    darker += x < v && v - x < quarter;
  }
  if (darker >= 3 && darker < 5) return true;
  return darker < 3 && brighter >= 3 && brighter < 5;
}

bool ContrastBlack(const RowShape& shape, const std::uint8_t* up, const std::uint8_t* mid,
                   const std::uint8_t* down, std::int32_t x, int limit) {
  const int c = shape.spp;
  const std::int32_t i0 = (x + 1) * c;
  for (int ch = 0; ch < c; ++ch) {
    const std::int32_t i = i0 + ch;
    const int n[8] = {up[i - c], up[i], up[i + c], mid[i - c],
                      mid[i + c], down[i - c], down[i], down[i + c]};
    if (LocalContrastBlack(mid[i], n, limit)) return true;
  }
  return false;
}

// The mask row y of the captured selection, or nullptr when the row lies outside the band.
const std::uint8_t* CapturedMaskRow(const RasterImage& image, std::int32_t y) {
  if (y < image.selectionFirstRow || y > image.selectionLastRow) return nullptr;
  return image.selectionRows.data() +
         static_cast<std::size_t>(y - image.selectionFirstRow) * image.bitRowBytes;
}

}  // namespace

SampleRange SourceSampleRange(const RasterImage& image) {
  SampleRange r;
  r.lo = image.minSampleValue;
  r.hi = image.maxSampleValue + 1;
  const int bits = image.bitsPerSample;
  if (bits < 8 && r.hi <= 128) {
    r.lo <<= 8 - bits;
    r.hi <<= 8 - bits;
  } else if (bits > 8 && r.hi > 256) {
    // Only a range stated in the source's own units is brought down: a 16-bit file that states
    // none has the 8-bit default, which would otherwise shrink to nothing.
    r.lo >>= bits - 8;
    r.hi >>= bits - 8;
  }
  // A range wider than 8-bit samples can hold says nothing about them.
  r.hi = std::min(r.hi, 256);
  if (r.hi <= r.lo) r = SampleRange{};
  return r;
}

int ThresholdLevel(const RasterImage& image, int thresholdPercent) {
  const SampleRange r = SourceSampleRange(image);
  const int d = thresholdPercent * r.span() / 100;
  const int t = image.photometric == kWhiteIsZero ? r.lo + d : r.hi - d;
  return std::clamp(t, 0, 255);
}

std::array<std::uint8_t, 256> BoostCurve(const RasterImage& image, int boostPercent) {
  const int b = boostPercent * 128 / 100;
  const int knee = image.photometric != kWhiteIsZero ? 128 - b : b;
  std::array<std::uint8_t, 256> curve{};
  for (int i = 0; i < 256; ++i) {
    int v;
    if (i < knee) v = i / 2;
    else if (i < knee + 128) v = 3 * i / 2 - knee;
    else v = i / 2 + 128;
    curve[i] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
  }
  return curve;
}

bool ReadGuardedRow(const RasterImage& image, std::int32_t y, std::uint8_t* row) {
  const int spp = image.samplesPerPixel;
  const RowShape shape{image.colorRowBytes / spp, spp};
  const bool ok = readColorSpan(image, 0, y, shape.pixelBytes(), row + spp);
  if (!IsIdentityTable(image.toneTable))
    MapPixelsThroughTone(image.toneTable, spp, row + spp, shape.width);
  RepeatEdgePixels(shape, row);
  return ok;
}

PosterizeResult ConvertToBlackAndWhite(RasterImage& image, base::Runtime& rt,
                                       const BlackAndWhiteOptions& options) {
  const int spp = image.samplesPerPixel;
  if (IsBilevel(image) || spp < 1 || image.bitLayer.empty()) return PosterizeResult::kDone;
  const RowShape shape{image.colorRowBytes / spp, spp};
  const std::int32_t height = image.height;
  const bool masked = image.selectionActive && !image.selectionRows.empty();

  RowWindow raw(height, shape.bytes());
  RowWindow filtered(height, shape.bytes());
  auto readRaw = [&image](std::int32_t y, std::uint8_t* out) { ReadGuardedRow(image, y, out); };
  const std::array<std::uint8_t, 256> curve = BoostCurve(image, options.boostPercent);
  const bool boost = options.contrastMode && options.boost;
  auto makeFiltered = [&](std::int32_t y, std::uint8_t* out) {
    const std::uint8_t* up = raw.row(y - 1, readRaw);
    const std::uint8_t* mid = raw.row(y, readRaw);
    const std::uint8_t* down = raw.row(y + 1, readRaw);
    FilterRow(options.noiseReduction, shape, up, mid, down, out);
    if (boost)
      for (std::size_t i = 0; i < shape.bytes(); ++i) out[i] = curve[out[i]];
  };

  ThresholdTest threshold;
  threshold.level = ThresholdLevel(image, options.thresholdPercent);
  const bool polarity = options.reversed;
  // Gray: where the samples' sense (photometric 0 or 1) matches the polarity, high is dark.
  threshold.grayAbove = image.photometric == (polarity ? kBlackIsZero : kWhiteIsZero);
  threshold.colorAtOrAbove = polarity;
  const int limit = std::min(options.contrastPercent * SourceSampleRange(image).span() / 100, 255);

  base::ConversionState& s = rt.state;
  s.stageLabel = static_cast<std::int16_t>(msg::kPosterizingLabel);
  s.shownRow = base::kProgressForce;
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(image.bitRowBytes));
  for (std::int32_t y = 0; y < height; ++y) {
    std::fill(bits.begin(), bits.end(), 0);
    const std::uint8_t* mask = masked ? CapturedMaskRow(image, y) : nullptr;
    if (!masked || mask != nullptr) {
      if (options.contrastMode) {
        const std::uint8_t* up = filtered.row(y - 1, makeFiltered);
        const std::uint8_t* mid = filtered.row(y, makeFiltered);
        const std::uint8_t* down = filtered.row(y + 1, makeFiltered);
        for (std::int32_t x = 0; x < shape.width; ++x)
          if (ContrastBlack(shape, up, mid, down, x, limit)) SetBitAt(bits.data(), x);
      } else {
        const std::uint8_t* row = filtered.row(y, makeFiltered) + spp;
        for (std::int32_t x = 0; x < shape.width; ++x)
          if (threshold.black(row + std::int64_t{x} * spp, spp)) SetBitAt(bits.data(), x);
      }
      if (mask != nullptr)
        for (std::size_t i = 0; i < bits.size(); ++i) bits[i] &= mask[i];
    }
    std::memcpy(BitRow(image, y), bits.data(), bits.size());
    s.currentRow = y + 1;
    base::UpdateRowProgress(rt, height, image.paddedWidth, 0);
    if (base::PollAbort(rt) != 0) {
      RestoreSelectionMask(image);
      return PosterizeResult::kStopped;
    }
  }
  return PosterizeResult::kDone;
}

void RestoreSelectionMask(RasterImage& image) {
  if (image.bitLayer.empty()) return;
  const auto rowBytes = static_cast<std::size_t>(image.bitRowBytes);
  std::memset(BitRow(image, 0), 0, rowBytes * static_cast<std::size_t>(image.height));
  if (image.selectionActive && !image.selectionRows.empty()) {
    for (std::int32_t y = image.selectionFirstRow; y <= image.selectionLastRow; ++y)
      std::memcpy(BitRow(image, y), CapturedMaskRow(image, y), rowBytes);
  }
  DropSelectionCapture(image);
}

}  // namespace vl::image
