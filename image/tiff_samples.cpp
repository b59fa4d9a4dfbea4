// Sample widening and placement of decoded TIFF rows.
#include "image/tiff_samples.h"

#include <algorithm>
#include <cstring>

#include "image/bit_row.h"

namespace vl::image {

namespace {

// Sample i of a row of sub-byte samples, most significant bits first.
std::uint32_t PackedSample(const std::uint8_t* row, std::int64_t i, int bits) {
  const std::int64_t bit = i * bits;
  const int shift = 8 - bits - static_cast<int>(bit & 7);
  return (row[bit >> 3] >> shift) & ((1u << bits) - 1);
}

}  // namespace

void ConvertSamples(const SampleFormat& f, const std::uint8_t* stored, std::int32_t pixels,
                    std::uint8_t* out) {
  if (pixels <= 0) return;
  const int stride = f.storedSamples;
  const int kept = f.keptSamples;
  std::uint8_t* dst = out;
  if (f.bits == 8 && stride == kept && f.palette == nullptr) {
    std::memcpy(out, stored, static_cast<std::size_t>(pixels) * kept);
    return;
  }
  for (std::int32_t x = 0; x < pixels; ++x) {
    const std::int64_t first = std::int64_t{x} * stride;
    for (int s = 0; s < kept; ++s) {
      const std::int64_t i = first + s;
      std::uint8_t v;
      switch (f.bits) {
        case 8: v = stored[i]; break;
        case 16: v = stored[2 * i + (f.bigEndian ? 0 : 1)]; break;
        default: v = WidenSample(PackedSample(stored, i, f.bits), f.bits); break;
      }
      if (f.palette != nullptr) {
        *dst++ = f.palette[v];
        *dst++ = f.palette[256 + v];
        *dst++ = f.palette[512 + v];
      } else {
        *dst++ = v;
      }
    }
  }
}

void PlaceColorPixels(RasterImage& image, std::int32_t row, std::int32_t left,
                      std::int32_t pixels, int plane, const std::uint8_t* in) {
  if (image.colorLayer.empty() || row < 0 || left < 0) return;
  const std::int32_t spp = image.samplesPerPixel;
  const std::int32_t inBytes = plane < 0 ? spp : 1;
  const int step = image.downsample ? 2 : 1;
  if (row % step != step - 1) return;  // 2:1 keeps rows 1, 3, 5, ...
  const std::int32_t y = row / step;
  if (y >= image.height) return;
  std::uint8_t* dst = image.colorLayer.data() + std::int64_t{y} * image.colorRowBytes;

  // Source pixels that land in the layer: every pixel, or the even ones when downsampling.
  std::int32_t x = left + (left % step);
  const std::int32_t end = std::min<std::int64_t>(std::int64_t{left} + pixels,
                                                  std::int64_t{image.width} * step);
  if (step == 1 && plane < 0) {
    if (end > x) {
      std::memcpy(dst + std::int64_t{x} * spp, in, static_cast<std::size_t>(end - x) * spp);
    }
    return;
  }
  for (; x < end; x += step) {
    const std::uint8_t* src = in + std::int64_t{x - left} * inBytes;
    std::uint8_t* pixel = dst + std::int64_t{x / step} * spp;
    if (plane < 0) std::memcpy(pixel, src, static_cast<std::size_t>(spp));
    else pixel[plane] = *src;
  }
}

void PlaceBits(RasterImage& image, std::int32_t row, std::int32_t left, std::int32_t pixels,
               const std::uint8_t* bits) {
  if (image.bitLayer.empty() || row < 0 || row >= image.height || left < 0) return;
  const std::int32_t count = std::min(pixels, image.width - left);
  if (count <= 0) return;
  std::uint8_t* dst = BitRow(image, row);
  if (left % 8 == 0) {
    // Whole bytes; the bits of a last partial byte beyond `count` are cleared when the next
    // tile or the padding clean-up writes them.
    std::memcpy(dst + left / 8, bits, static_cast<std::size_t>(count + 7) / 8);
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t x = left + i;
    if (BitAt(bits, i))
      SetBitAt(dst, x);
    else
      ClearBitAt(dst, x);
  }
}

}  // namespace vl::image
