// Geometry, layer blocks, whole-layer bit operations and release of the raster image.
#include "image/raster_image.h"

#include <algorithm>
#include <cstring>

#include "base/message_table.h"
#include "base/scratch_files.h"

namespace vl::image {

namespace {

constexpr std::int32_t kMaxPaddedWidthPixels = kMaxSidePixels + 1;  // 32767 pads to 32768

void applyGeometry(RasterImage& image, std::int32_t widthPixels, std::int32_t heightPixels,
                   std::int32_t rowBytes) {
  image.width = widthPixels;
  image.height = heightPixels;
  image.bitRowBytes = rowBytes;
  image.paddedWidth = rowBytes * 8;
  image.bitRowWords = rowBytes / 2;
  image.bitLayerBytes = std::int64_t{rowBytes} * heightPixels;
}

bool allocateLayer(platform::Block& layer, const RasterImage& image,
                   platform::MemoryBudget& budget) {
  if (image.bitRowBytes <= 0 || image.height <= 0) {
    layer.release();
    return false;
  }
  std::int64_t bytes = image.bitLayerBytes + 2 * std::int64_t{image.bitRowBytes};
  return layer.allocate(budget, static_cast<std::size_t>(bytes));
}

}  // namespace

bool setGeometry(RasterImage& image, std::int32_t widthPixels, std::int32_t heightPixels) {
  if (widthPixels < 1 || widthPixels > kMaxSidePixels) return false;
  if (heightPixels < 1 || heightPixels > kMaxSidePixels) return false;
  applyGeometry(image, widthPixels, heightPixels, (widthPixels + 31) / 32 * 4);
  return true;
}

bool SetGeometryFromRowBytes(RasterImage& image, std::int32_t widthPixels,
                             std::int32_t heightPixels, std::int32_t rowBytes) {
  if (widthPixels < 1 || widthPixels > kMaxSidePixels) return false;
  if (heightPixels < 1 || heightPixels > kMaxSidePixels) return false;
  if (rowBytes < (widthPixels + 7) / 8 || rowBytes > kMaxPaddedWidthPixels / 8) return false;
  applyGeometry(image, widthPixels, heightPixels, (rowBytes + 3) / 4 * 4);
  return true;
}

ImageMode ImageModeOf(const RasterImage& image) {
  if (IsBilevel(image)) return ImageMode::Bitmap;
  if (image.samplesPerPixel == 4) return ImageMode::Cmyk;
  if (image.samplesPerPixel == 3) return ImageMode::Rgb;
  return ImageMode::GrayScale;
}

std::string_view ImageModeName(ImageMode mode) {
  switch (mode) {
    case ImageMode::Bitmap: return msg::Text(msg::kImageModeBitmap);
    case ImageMode::GrayScale: return msg::Text(msg::kImageModeGray);
    case ImageMode::Rgb: return msg::Text(msg::kImageModeRgb);
    case ImageMode::Cmyk: return msg::Text(msg::kImageModeCmyk);
  }
  return "";
}

bool allocateBitLayer(RasterImage& image, platform::MemoryBudget& budget) {
  return allocateLayer(image.bitLayer, image, budget);
}

bool allocateBackupLayer(RasterImage& image, platform::MemoryBudget& budget) {
  return allocateLayer(image.backupLayer, image, budget);
}

bool allocateSpareLayer(RasterImage& image, platform::MemoryBudget& budget) {
  return allocateLayer(image.spareLayer, image, budget);
}

std::uint8_t* LayerRow(platform::Block& layer, const RasterImage& image, std::int32_t y) {
  return layer.data() + (std::int64_t{y} + 1) * image.bitRowBytes;
}

const std::uint8_t* LayerRow(const platform::Block& layer, const RasterImage& image,
                             std::int32_t y) {
  return layer.data() + (std::int64_t{y} + 1) * image.bitRowBytes;
}

void invertBitLayer(RasterImage& image) {
  if (image.bitLayer.empty()) return;
  std::uint8_t* first = BitRow(image, 0);
  std::size_t bytes = static_cast<std::size_t>(image.bitLayerBytes);
  // Whole 32-bit words where possible: rows are 4-byte multiples, so this is the whole layer.
  std::size_t words = bytes / 4;
  for (std::size_t i = 0; i < words; ++i) {
    std::uint32_t w;
    std::memcpy(&w, first + 4 * i, 4);
    w = ~w;
    std::memcpy(first + 4 * i, &w, 4);
  }
  for (std::size_t i = words * 4; i < bytes; ++i) first[i] = static_cast<std::uint8_t>(~first[i]);
  // The padding bits came out as 1; they must read as white everywhere the layer is used.
  clearPadding(image);
}

void clearPadding(RasterImage& image) {
  if (image.bitLayer.empty() || image.width >= image.paddedWidth) return;
  std::int32_t fullBytes = image.width / 8;
  std::int32_t partialBits = image.width % 8;
  auto keep = static_cast<std::uint8_t>(0xFF << (8 - partialBits));  // leftmost bits of the byte
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::uint8_t* row = BitRow(image, y);
    std::int32_t from = fullBytes;
    if (partialBits != 0) row[from++] &= keep;
    std::fill(row + from, row + image.bitRowBytes, std::uint8_t{0});
  }
}

void ComputeArtScale(RasterImage& image) {
  image.artScale = 1.0;
  image.artScaleShift = 0;
  double side = std::max(image.paddedWidth, image.height);
  if (side <= 0) return;
  while (side * image.artScale < kArtScaleThreshold) {
    image.artScale *= 2.0;
    ++image.artScaleShift;
  }
}

void BuildDisplayTables(RasterImage& image) {
  std::size_t i = 0;
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        image.displayColors[i++] = {static_cast<std::uint8_t>(r * 51),
                                    static_cast<std::uint8_t>(g * 51),
                                    static_cast<std::uint8_t>(b * 51)};
      }
    }
  }
  for (std::size_t t = 0; t < image.toneTable.size(); ++t) {
    image.toneTable[t] = static_cast<std::uint8_t>(t);
  }
}

void releaseImage(RasterImage& image, base::Runtime& rt) {
  image.bitLayer.release();
  image.backupLayer.release();
  image.spareLayer.release();
  image.colorLayer.release();
  image.processingBuffer.release();
  DropSelectionCapture(image);
  image.fileSpanReader = nullptr;  // it reads through the handle closed below
  platform::CloseFile(image.fileHandle);
  if (image.backupOnDisk) base::DeleteScratchFile(rt, "memtemp");
  image.backupOnDisk = false;
  image.colorInMemory = false;
  image.pixelSelection = false;
}

}  // namespace vl::image
