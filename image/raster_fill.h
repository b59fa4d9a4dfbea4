// What the PNG, JPEG, PNM and BMP readers share: the raster image set up for the kind of pixels
// the file holds, samples of other depths brought to 8 bits, transparency composited over white
// (a fully transparent pixel is background), and the file's resolution taken when plausible.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

enum class PixelKind { kBilevel, kGray, kRgb, kCmyk };

struct RasterShape {
  PixelKind kind = PixelKind::kBilevel;
  std::int64_t width = 0, height = 0;  // pixels, as the file states them
  int sourceBits = 1;  // bits per sample in the file: 1 for bilevel, else 2 to 16
  std::int16_t photometric = kWhiteIsZero;
};

// Resolutions outside 24 to 4000 pixels per inch are taken for unset or nonsense, as in TIFF
// files; `resolution` then keeps the dispatch's default.
void TakeFileResolution(double statedPixelsPerInch, double& resolution);
constexpr double kInchesPerMetre = 1.0 / 0.0254;

// Fills the descriptor for `shape` and allocates the bit layer and, for gray and colour, the
// colour layer (2:1 downsampled when chosen: the reader keeps handing rows of the file's own
// width to storeColorRow). A side of 0 fails with `damagedMessage`; one beyond 32767 pixels is
// refused with "The image is larger than 32767 pixels on a side."; memory failures fail with
// "Insufficient memory to process image.", shown once.
ReadOutcome BeginRaster(RasterImage& image, base::Runtime& rt, const RasterShape& shape,
                        int damagedMessage);

// Sets the bit of every pixel whose 8-bit gray value is below the middle (ink, 1 = black); the
// row's padding stays as it is (zero).
void PackInkRow(const std::uint8_t* gray, std::int32_t widthPixels, std::uint8_t* bitRow);

// A sample of `maxValue` steps brought to 0..255, rounded to the nearest.
constexpr std::uint8_t ScaleTo8(std::uint32_t value, std::uint32_t maxValue) {
  return static_cast<std::uint8_t>((value * 255u + maxValue / 2) / maxValue);
}

// An 8-bit sample with 8-bit alpha over white, rounded.
constexpr std::uint8_t OverWhite8(std::uint32_t value, std::uint32_t alpha) {
  return static_cast<std::uint8_t>((value * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// A 16-bit sample with 16-bit alpha over white, brought to 8 bits with one rounding, so that
// the file's extra precision decides the nearest 8-bit value.
constexpr std::uint8_t OverWhite16To8(std::uint32_t value, std::uint32_t alpha) {
  constexpr std::uint64_t kFull = 65535;
  const std::uint64_t numerator = (std::uint64_t{value} * alpha + kFull * (kFull - alpha)) * 255;
  return static_cast<std::uint8_t>((numerator + kFull * kFull / 2) / (kFull * kFull));
}

// Composites `pixels` pixels of `channels` 8-bit samples, the last being alpha, over white into
// `out` (channels - 1 samples each). `in` and `out` may be the same row.
void CompositeRow8(const std::uint8_t* in, int channels, std::int32_t pixels, std::uint8_t* out);
// The same for 16-bit samples in host order, each result rounded to 8 bits.
void CompositeRow16(const std::uint16_t* in, int channels, std::int32_t pixels,
                    std::uint8_t* out);

}  // namespace vl::image
