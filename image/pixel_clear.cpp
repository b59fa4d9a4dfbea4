// Clearing and restoring selected ink of a bilevel image.
#include "image/pixel_clear.h"

#include <algorithm>
#include <cstring>

#include "image/bit_row.h"

namespace vl::image {

namespace {

// The rows from the first to the last holding a selected pixel; false when none does.
bool SelectedBand(const RasterImage& image, std::int32_t& first, std::int32_t& last) {
  first = -1;
  last = -1;
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* row = BitRow(image, y);
    if (std::any_of(row, row + image.bitRowBytes, [](std::uint8_t b) { return b != 0; })) {
      if (first < 0) first = y;
      last = y;
    }
  }
  return first >= 0;
}

bool ColorReady(const RasterImage& image) {
  return CheckPixelClear(image) == PixelClearCheck::kReady && !IsBilevel(image) &&
         image.colorRowBytes == image.width * image.samplesPerPixel &&
         image.colorLayer.size() >= std::size_t(image.colorRowBytes) * std::size_t(image.height);
}

bool Matches(const RasterImage& image, const platform::Block& ink) {
  return CheckPixelClear(image) == PixelClearCheck::kReady && IsBilevel(image) && !ink.empty() &&
         ink.size() == image.bitLayer.size() && ink.size() == image.backupLayer.size();
}

template <class Combine>
void Apply(platform::Block& layer, const platform::Block& ink, Combine combine) {
  std::uint8_t* to = layer.data();
  const std::uint8_t* from = ink.data();
  for (std::size_t i = 0; i < ink.size(); ++i) to[i] = combine(to[i], from[i]);
}

}  // namespace

PixelClearCheck CheckPixelClear(const RasterImage& image) {
  if (!image.pixelSelection || image.bitLayer.empty()) return PixelClearCheck::kNoSelection;
  if (!IsBilevel(image))
    return image.colorInMemory && !image.colorLayer.empty() ? PixelClearCheck::kReady
                                                            : PixelClearCheck::kColorInFile;
  if (image.backupOnDisk || image.backupLayer.empty()) return PixelClearCheck::kBackupOnDisk;
  return PixelClearCheck::kReady;
}

bool HasSelectedInk(const RasterImage& image) {
  const std::uint8_t* p = image.bitLayer.data();
  return !image.bitLayer.empty() &&
         std::any_of(p, p + image.bitLayer.size(), [](std::uint8_t b) { return b != 0; });
}

bool ClearSelectedInk(RasterImage& image) {
  if (CheckPixelClear(image) != PixelClearCheck::kReady || !IsBilevel(image) ||
      image.backupLayer.size() != image.bitLayer.size()) {
    return false;
  }
  std::uint8_t* ink = image.bitLayer.data();
  std::uint8_t* loaded = image.backupLayer.data();
  for (std::size_t i = 0; i < image.bitLayer.size(); ++i) {
    loaded[i] &= std::uint8_t(~ink[i]);
    ink[i] = 0;
  }
  return true;
}

bool ClearInk(RasterImage& image, const platform::Block& ink) {
  if (!Matches(image, ink)) return false;
  const auto clear = [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a & ~b); };
  Apply(image.bitLayer, ink, clear);
  Apply(image.backupLayer, ink, clear);
  return true;
}

bool RestoreInk(RasterImage& image, const platform::Block& ink) {
  if (!Matches(image, ink)) return false;
  const auto set = [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a | b); };
  Apply(image.bitLayer, ink, set);
  Apply(image.backupLayer, ink, set);
  return true;
}

bool HasSelectedColor(const RasterImage& image) {
  if (!ColorReady(image)) return false;
  const std::uint8_t white = WhiteSample(image);
  const int spp = image.samplesPerPixel;
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* mask = BitRow(image, y);
    const std::uint8_t* px = image.colorLayer.data() + std::size_t(y) * std::size_t(image.colorRowBytes);
    for (std::int32_t x = 0; x < image.width; ++x)
      if (BitAt(mask, x) &&
          std::any_of(px + x * spp, px + (x + 1) * spp, [white](std::uint8_t v) { return v != white; }))
        return true;
  }
  return false;
}

bool CopySelectedColorRows(const RasterImage& image, platform::MemoryBudget& budget,
                           ColorRowsCopy& out) {
  out = ColorRowsCopy{};
  std::int32_t first = 0, last = 0;
  if (!ColorReady(image) || !SelectedBand(image, first, last)) return false;
  const std::size_t rowBytes = std::size_t(image.colorRowBytes);
  const std::size_t count = std::size_t(last - first + 1);
  if (!out.rows.allocate(budget, count * rowBytes)) return false;
  std::memcpy(out.rows.data(), image.colorLayer.data() + std::size_t(first) * rowBytes, count * rowBytes);
  out.firstRow = first;
  out.rowCount = std::int32_t(count);
  return true;
}

bool ClearSelectedColor(RasterImage& image) {
  if (!ColorReady(image)) return false;
  const std::uint8_t white = WhiteSample(image);
  const int spp = image.samplesPerPixel;
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* mask = BitRow(image, y);
    std::uint8_t* px = image.colorLayer.data() + std::size_t(y) * std::size_t(image.colorRowBytes);
    for (std::int32_t x = 0; x < image.width; ++x)
      if (BitAt(mask, x)) std::fill(px + x * spp, px + (x + 1) * spp, white);
  }
  return true;
}

bool SwapColorRows(RasterImage& image, ColorRowsCopy& copy) {
  const std::size_t rowBytes = std::size_t(image.colorRowBytes);
  if (!ColorReady(image) || copy.rows.empty() || copy.firstRow < 0 || copy.rowCount <= 0 ||
      copy.firstRow + copy.rowCount > image.height || copy.rows.size() != std::size_t(copy.rowCount) * rowBytes)
    return false;
  std::swap_ranges(copy.rows.data(), copy.rows.data() + copy.rows.size(),
                   image.colorLayer.data() + std::size_t(copy.firstRow) * rowBytes);
  return true;
}

}  // namespace vl::image
