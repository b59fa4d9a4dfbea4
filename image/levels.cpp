// Levels: the tone table, the histogram and the mapping of the colour layer.
#include "image/levels.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "image/bit_row.h"
#include "image/ink_purity.h"

namespace vl::image {

namespace {

constexpr int kHistogramBarPixels = 48;  // the tallest ordinary bar, and the cap's divisor
constexpr int kCmykSamples = 4;

bool IsSelected(const RasterImage& image, std::int32_t x, std::int32_t y) {
  if (!image.selectionActive) return true;
  if (y < image.selectionFirstRow || y > image.selectionLastRow) return false;
  const std::int64_t offset = std::int64_t{y - image.selectionFirstRow} * image.bitRowBytes;
  if (image.selectionRows.empty() ||
      offset + image.bitRowBytes > static_cast<std::int64_t>(image.selectionRows.size()))
    return true;  // no copy of the mask: the whole row counts, as the colour rows do
  return BitAt(image.selectionRows.data() + offset, x) != 0;
}

struct ScreenRgb {
  int r, g, b;
};

// The screen colour of a CMYK pixel, as paint colours are shown: inks complemented, darkened
// by black, and green or blue tempered where they outweigh red.
ScreenRgb CmykToRgb(int c, int m, int y, int k) {
  int r = 255 - c, g = 255 - m, b = 255 - y;
  const int light = 255 - k;
  r = r * light / 255;
  g = g * light / 255;
  b = b * light / 255;
  if (g > r) {
    if (b > g) b = (b + g) >> 1;
    else g = std::max(g - (g >> 3), (std::max(r, b) + g) >> 1);
  } else if (b > r) {
    b = (b + r) >> 1;
  }
  return {r, g, b};
}

// Complemented RGB (cyan, magenta, yellow without black) to the four inks, the way paint
// colours are made: the colour is purified a little, then its darkness moves into black.
void CmyToInks(int c, int m, int y, std::uint8_t* out) {
  PurifyCmy(c, m, y);
  const int r = 255 - c, g = 255 - m, b = 255 - y;
  const int x = std::max({r, g, b});
  if (x <= 0) {
    out[0] = out[1] = out[2] = 0;
    out[3] = 255;
    return;
  }
  out[0] = static_cast<std::uint8_t>(std::clamp(255 - r * 255 / x, 0, 255));
  out[1] = static_cast<std::uint8_t>(std::clamp(255 - g * 255 / x, 0, 255));
  out[2] = static_cast<std::uint8_t>(std::clamp(255 - b * 255 / x, 0, 255));
  out[3] = static_cast<std::uint8_t>(std::clamp(255 - x, 0, 255));
}

}  // namespace

bool IsIdentityLevels(const LevelsValues& v) {
  return v.black == 0 && v.white == 255 && v.gamma == 1.0;
}

int LevelsMid(const LevelsValues& v) {
  const double w = 0.5 - 0.5 * std::log10(v.gamma);
  const int mid = static_cast<int>(std::trunc((1.0 - w) * v.black + w * v.white + 0.5));
  return std::clamp(mid, v.black + 1, std::max(v.black + 1, v.white - 1));
}

void buildToneTable(const LevelsValues& v, ToneTable& table) {
  const int black = std::clamp(v.black, 0, kLevelsBlackMax);
  const int white = std::clamp(v.white, black + 2, 255);
  const double gamma = std::clamp(v.gamma, kLevelsGammaMin, kLevelsGammaMax);
  // A hair above the exact value, so that t = i / 255 at gamma 1 gives i back, not i - 1.
  constexpr double kRoundingSlack = 1e-9;
  for (int i = 0; i < 256; ++i) {
    if (i < black) {
      table[i] = 0;
    } else if (i >= white) {
      table[i] = 255;
    } else {
      const double t = double(i - black) / double(white - black);
      table[i] = static_cast<std::uint8_t>(
          std::trunc(255.0 * std::pow(t, 1.0 / gamma) + kRoundingSlack));
    }
  }
}

ToneTable IdentityToneTable() {
  ToneTable t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(i);
  return t;
}

bool IsIdentityTable(const ToneTable& table) { return table == IdentityToneTable(); }

void MapPixelsThroughTone(const ToneTable& table, int samplesPerPixel, std::uint8_t* samples,
                          std::int32_t pixels) {
  if (samplesPerPixel != kCmykSamples) {
    const std::int64_t n = std::int64_t{pixels} * samplesPerPixel;
    for (std::int64_t i = 0; i < n; ++i) samples[i] = table[samples[i]];
    return;
  }
  for (std::int32_t p = 0; p < pixels; ++p) {
    std::uint8_t* px = samples + std::int64_t{p} * kCmykSamples;
    const ScreenRgb rgb = CmykToRgb(px[0], px[1], px[2], px[3]);
    CmyToInks(255 - table[rgb.r], 255 - table[rgb.g], 255 - table[rgb.b], px);
  }
}

Histogram BuildHistogram(const RasterImage& image) {
  Histogram h;
  const int spp = image.samplesPerPixel;
  if (IsBilevel(image) || spp < 1 || image.colorRowBytes <= 0) return h;
  const std::int32_t width = image.colorRowBytes / spp;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(image.colorRowBytes + spp));
  for (std::int32_t y = 0; y < image.height; ++y) {
    if (!readColorSpan(image, 0, y, image.colorRowBytes, row.data())) continue;
    for (std::int32_t x = 0; x < width; ++x) {
      if (!IsSelected(image, x, y)) continue;
      const std::uint8_t* px = row.data() + std::int64_t{x} * spp;
      const int counted = spp == 1 ? 1 : 3;
      if (spp == kCmykSamples) {
        for (int i = 0; i < kCmykSamples; ++i) ++h.counts[255 - px[i]];
      } else {
        for (int i = 0; i < counted; ++i) ++h.counts[px[i]];
      }
    }
  }
  std::uint64_t total = 0;
  for (std::uint32_t c : h.counts) total += c;
  const std::uint64_t cap = total / kHistogramBarPixels;
  std::uint64_t peak = 0;
  for (std::uint32_t c : h.counts)
    if (c < cap) peak = std::max<std::uint64_t>(peak, c);
  std::uint64_t scale = peak / kHistogramBarPixels;
  if (scale < 2) scale = cap / 4;
  h.scale = static_cast<std::uint32_t>(std::max<std::uint64_t>(scale, 1));
  return h;
}

LevelsResult applyLevels(RasterImage& image, const LevelsValues& values) {
  image.toneTable = IdentityToneTable();
  if (IsBilevel(image) || IsIdentityLevels(values)) return LevelsResult::kNothingToDo;
  ToneTable table{};
  buildToneTable(values, table);
  return ApplyToneTable(image, table);
}

LevelsResult ApplyToneTable(RasterImage& image, const ToneTable& given) {
  const ToneTable table = given;  // `given` may be the image's own table, reset here
  image.toneTable = IdentityToneTable();
  if (IsBilevel(image) || IsIdentityTable(table)) return LevelsResult::kNothingToDo;
  if (!image.colorInMemory || image.colorLayer.empty()) {
    image.toneTable = table;  // left for the caller to keep in effect or to reset
    return LevelsResult::kNotInMemory;
  }
  const int spp = image.samplesPerPixel;
  const std::int32_t width = image.colorRowBytes / spp;
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::uint8_t* row = image.colorLayer.data() + std::int64_t{y} * image.colorRowBytes;
    if (!image.selectionActive) {
      MapPixelsThroughTone(table, spp, row, width);
      continue;
    }
    for (std::int32_t x = 0; x < width; ++x)
      if (IsSelected(image, x, y)) MapPixelsThroughTone(table, spp, row + std::int64_t{x} * spp, 1);
  }
  return LevelsResult::kApplied;
}

}  // namespace vl::image
