// Filling the selected pixels.
#include "app/pixel_fill.h"

#include <algorithm>

#include "image/bit_row.h"

namespace vl::app {

namespace {

bool ColorLayerWhole(const image::RasterImage& image) {
  return !image::IsBilevel(image) && image.colorInMemory && !image.bitLayer.empty() &&
         image.colorRowBytes == image.width * image.samplesPerPixel &&
         image.colorLayer.size() >= std::size_t(image.colorRowBytes) * std::size_t(image.height);
}

bool InArea(const MarqueeArea& a, std::int32_t x, std::int32_t y) {
  return x >= a.left && x <= a.right && y >= a.top && y <= a.bottom;
}

// Visits every selected pixel's samples until `visit` returns false.
template <class Byte, class Visit>
void ForSelected(const image::RasterImage& image, Byte* layer, Visit visit) {
  const int spp = image.samplesPerPixel;
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* mask = image::BitRow(image, y);
    Byte* px = layer + std::size_t(y) * std::size_t(image.colorRowBytes);
    for (std::int32_t x = 0; x < image.width; ++x)
      if (image::BitAt(mask, x) && !visit(px + x * spp)) return;
  }
}

}  // namespace

PixelSamples SamplesOfPaint(const PaintSlot& paint, int samplesPerPixel) {
  PixelSamples out{};
  if (samplesPerPixel == 4) return {paint.c, paint.m, paint.y, paint.k};
  const int paper = 255 - paint.k;
  const int r = (255 - paint.c) * paper / 255;
  const int g = (255 - paint.m) * paper / 255;
  const int b = (255 - paint.y) * paper / 255;
  if (samplesPerPixel == 3) return {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), 0};
  out[0] = std::uint8_t((r * 299 + g * 587 + b * 114 + 500) / 1000);
  return out;
}

bool PaintIsInk(const PaintSlot& paint) { return SamplesOfPaint(paint, 1)[0] < 128; }

bool SelectionDiffersFrom(const image::RasterImage& image, const PixelSamples& samples) {
  if (!ColorLayerWhole(image)) return false;
  bool differs = false;
  const int spp = image.samplesPerPixel;
  ForSelected(image, image.colorLayer.data(), [&](const std::uint8_t* px) {
    differs = !std::equal(px, px + spp, samples.begin());
    return !differs;
  });
  return differs;
}

bool FillSelectedColor(image::RasterImage& image, const PixelSamples& samples) {
  if (!ColorLayerWhole(image)) return false;
  const int spp = image.samplesPerPixel;
  ForSelected(image, image.colorLayer.data(), [&](std::uint8_t* px) {
    std::copy(samples.begin(), samples.begin() + spp, px);
    return true;
  });
  return true;
}

bool MarksSelection(const image::RasterImage& image, const MarqueeArea& area) {
  if (!area.marked || !image::IsBilevel(image) || image.bitLayer.empty() ||
      image.backupLayer.size() != image.bitLayer.size() || area.left < 0 || area.top < 0 ||
      area.left > area.right || area.top > area.bottom || area.right >= image.width ||
      area.bottom >= image.height)
    return false;
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* bits = image::BitRow(image, y);
    const std::uint8_t* loaded = image::LayerRow(image.backupLayer, image, y);
    for (std::int32_t x = 0; x < image.paddedWidth; ++x)
      if (bool(image::BitAt(bits, x)) != (InArea(area, x, y) && image::BitAt(loaded, x)))
        return false;
  }
  return true;
}

bool PaperInArea(const image::RasterImage& image, const MarqueeArea& area,
                 platform::MemoryBudget& budget, platform::Block& out) {
  out = platform::Block{};
  if (!MarksSelection(image, area)) return true;
  platform::Block paper;
  if (!paper.allocate(budget, image.bitLayer.size())) return false;
  bool any = false;
  for (std::int32_t y = area.top; y <= area.bottom; ++y) {
    const std::uint8_t* loaded = image::LayerRow(image.backupLayer, image, y);
    std::uint8_t* row = image::LayerRow(paper, image, y);
    for (std::int32_t x = area.left; x <= area.right; ++x)
      if (!image::BitAt(loaded, x)) {
        image::SetBitAt(row, x);
        any = true;
      }
  }
  if (any) out = std::move(paper);
  return true;
}

}  // namespace vl::app
