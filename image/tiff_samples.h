// Stored TIFF samples to the raster image's layers: sub-byte and 16-bit samples widened to 8
// bits, extra samples dropped, palette indices expanded, and decoded rows, tile rows and plane
// rows placed into the bit layer or the colour layer.
#pragma once

#include <cstdint>

#include "image/raster_image.h"

namespace vl::image {

struct SampleFormat {
  int bits = 8;            // stored bits per sample: 1, 2, 4, 8 or 16
  int storedSamples = 1;   // interleaved samples per stored pixel
  int keptSamples = 1;     // the leading samples kept; the rest are extra samples
  bool bigEndian = false;  // byte order of 16-bit samples
  const std::uint8_t* palette = nullptr;  // 768-byte table; with it one index gives 3 samples

  int outSamples() const { return palette != nullptr ? 3 : keptSamples; }
};

// One sample widened to 8 bits: a 1-bit sample becomes 0 or 255, 2- and 4-bit samples are
// shifted to the top of the byte (15 becomes 0xF0), a 16-bit sample keeps its high byte.
inline std::uint8_t WidenSample(std::uint32_t value, int bits) {
  switch (bits) {
    case 1: return value != 0 ? 255 : 0;
    case 16: return static_cast<std::uint8_t>(value >> 8);
    default: return static_cast<std::uint8_t>(value << (8 - bits));
  }
}

// Converts `pixels` stored pixels, the first at the first byte of `stored`, into
// pixels x outSamples() bytes at `out`.
void ConvertSamples(const SampleFormat& format, const std::uint8_t* stored, std::int32_t pixels,
                    std::uint8_t* out);

// Writes `pixels` converted pixels of source row `row`, starting at pixel `left`, into the
// colour layer. plane < 0: whole pixels of samplesPerPixel bytes; plane p: one byte per pixel,
// into sample p. With 2:1 downsampling only odd rows and even pixels are kept, as storeColorRow
// keeps them. Pixels outside the layer are dropped.
void PlaceColorPixels(RasterImage& image, std::int32_t row, std::int32_t left,
                      std::int32_t pixels, int plane, const std::uint8_t* in);

// Copies `pixels` bits (most significant first, from bit 0 of `bits`) into bit-layer row `row`
// at pixel `left`; pixels beyond the width are dropped.
void PlaceBits(RasterImage& image, std::int32_t row, std::int32_t left, std::int32_t pixels,
               const std::uint8_t* bits);

}  // namespace vl::image
