// Colour rows in and out of the raster image: readers store decoded rows, everyone else reads
// spans back with the selection applied and one pixel of edge replication.
#include <algorithm>
#include <cstring>

#include "image/bit_row.h"
#include "image/raster_image.h"

namespace vl::image {

namespace {

// The selection mask row for y, or nullptr when no mask can be found for it.
const std::uint8_t* maskRow(const RasterImage& image, std::int32_t y) {
  if (!image.selectionRows.empty()) {
    std::int64_t offset = std::int64_t{y - image.selectionFirstRow} * image.bitRowBytes;
    if (offset >= 0 &&
        offset + image.bitRowBytes <= static_cast<std::int64_t>(image.selectionRows.size())) {
      return image.selectionRows.data() + offset;
    }
  }
  return image.bitLayer.empty() ? nullptr : BitRow(image, y);
}

void applySelection(const RasterImage& image, std::int32_t xBytes, std::int32_t y,
                    std::int32_t countBytes, std::uint8_t* out) {
  const std::uint8_t white = WhiteSample(image);
  if (y < image.selectionFirstRow || y > image.selectionLastRow) {
    std::fill(out, out + countBytes, white);
    return;
  }
  const std::uint8_t* mask = maskRow(image, y);
  if (mask == nullptr) return;
  const std::int32_t samples = image.samplesPerPixel;
  for (std::int32_t i = 0; i < countBytes; ++i) {
    std::int32_t pixel = (xBytes + i) / samples;
    if (BitAt(mask, pixel) == 0) out[i] = white;
  }
}

}  // namespace

bool storeColorRow(RasterImage& image, std::int32_t sourceRow,
                   std::span<const std::uint8_t> samples) {
  if (!image.colorInMemory || image.colorLayer.empty() || sourceRow < 0) return false;
  const auto rowBytes = static_cast<std::size_t>(image.colorRowBytes);
  if (!image.downsample) {
    if (sourceRow >= image.height || samples.size() < rowBytes) return false;
    std::memcpy(image.colorLayer.data() + std::int64_t{sourceRow} * image.colorRowBytes,
                samples.data(), rowBytes);
    return true;
  }
  // 2:1: rows 1, 3, 5, ... and of them pixels 0, 2, 4, ... are kept.
  if (sourceRow % 2 == 0) return true;
  const std::int32_t y = sourceRow / 2;
  const auto pixelBytes = static_cast<std::size_t>(image.samplesPerPixel);
  const std::size_t needed = (2 * static_cast<std::size_t>(image.width) - 1) * pixelBytes;
  if (y >= image.height || samples.size() < needed) return false;
  std::uint8_t* dst = image.colorLayer.data() + std::int64_t{y} * image.colorRowBytes;
  for (std::int32_t x = 0; x < image.width; ++x) {
    std::memcpy(dst + x * pixelBytes, samples.data() + 2 * x * pixelBytes, pixelBytes);
  }
  return true;
}

bool readColorSpan(const RasterImage& image, std::int32_t xBytes, std::int32_t y,
                   std::int32_t countBytes, std::uint8_t* out) {
  const std::int32_t samples = std::max<std::int32_t>(image.samplesPerPixel, 1);
  if (out == nullptr || countBytes < 0) return false;

  bool ok = xBytes >= 0 && y >= 0 && y < image.height &&
            std::int64_t{xBytes} + countBytes <= image.colorRowBytes;
  if (ok) {
    if (image.colorInMemory && !image.colorLayer.empty()) {
      std::memcpy(out, image.colorLayer.data() + std::int64_t{y} * image.colorRowBytes + xBytes,
                  static_cast<std::size_t>(countBytes));
    } else {
      ok = image.fileSpanReader && image.fileSpanReader(image, xBytes, y, countBytes, out);
    }
  }
  if (!ok) {
    std::fill(out, out + countBytes + samples, WhiteSample(image));
    return false;
  }

  if (image.selectionActive) applySelection(image, xBytes, y, countBytes, out);
  // One pixel of edge replication, for the 3 x 3 filters that read one pixel beyond the span.
  if (countBytes >= samples) {
    std::memcpy(out + countBytes, out + countBytes - samples, static_cast<std::size_t>(samples));
  }
  return true;
}

}  // namespace vl::image
