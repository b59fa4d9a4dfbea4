// Clearing and restoring selected ink of a bilevel image.
#include "image/pixel_clear.h"

#include <algorithm>

namespace vl::image {

namespace {

bool Matches(const RasterImage& image, const platform::Block& ink) {
  return CheckPixelClear(image) == PixelClearCheck::kReady && !ink.empty() &&
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
  if (!IsBilevel(image)) return PixelClearCheck::kNotBilevel;
  if (image.backupOnDisk || image.backupLayer.empty()) return PixelClearCheck::kBackupOnDisk;
  return PixelClearCheck::kReady;
}

bool HasSelectedInk(const RasterImage& image) {
  const std::uint8_t* p = image.bitLayer.data();
  return !image.bitLayer.empty() &&
         std::any_of(p, p + image.bitLayer.size(), [](std::uint8_t b) { return b != 0; });
}

bool ClearSelectedInk(RasterImage& image) {
  if (CheckPixelClear(image) != PixelClearCheck::kReady ||
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

}  // namespace vl::image
