// Filling the pixel selection with the current paint. A gray scale or colour image's bit layer
// is the selection mask, so the selected pixels take the paint converted to the image's samples.
// A bilevel selection keeps only the loaded ink inside the selected area: the paper it covers
// is known only while the area is the rectangle the marquee or Select All marked (MarqueeArea).
#pragma once

#include <array>
#include <cstdint>

#include "app/paint_slot.h"
#include "app/program.h"
#include "image/raster_image.h"
#include "platform/memory_block.h"

namespace vl::app {

// The 8-bit samples a paint gives one pixel of an image with `samplesPerPixel` samples: CMYK
// (4) takes the inks as they are; RGB (3) each channel's complement darkened by the black ink;
// gray (1) the luminance of that RGB (299, 587 and 114 per mille). Entries past the image's
// samples are 0.
using PixelSamples = std::array<std::uint8_t, 4>;
PixelSamples SamplesOfPaint(const PaintSlot& paint, int samplesPerPixel);

// Whether the paint puts ink on a bilevel pixel: its gray is darker than middle gray.
bool PaintIsInk(const PaintSlot& paint);

// Gray scale or colour image whose colour layer is in memory: whether some selected pixel
// differs from `samples`, and giving every selected pixel `samples`. FillSelectedColor is false,
// with nothing changed, when the colour layer is not there whole.
bool SelectionDiffersFrom(const image::RasterImage& image, const PixelSamples& samples);
bool FillSelectedColor(image::RasterImage& image, const PixelSamples& samples);

// Bilevel image: whether `area` is still what the selection marks: it lies on the image and the
// bit layer holds exactly the loaded ink (the backup) inside it and nothing outside.
bool MarksSelection(const image::RasterImage& image, const MarqueeArea& area);

// Bilevel image: the paper pixels of `area` in the image as loaded, as a bit layer block (guard
// rows included): the ink a fill adds. False when memory runs short; an area without paper gives
// true and an empty `out`.
bool PaperInArea(const image::RasterImage& image, const MarqueeArea& area,
                 platform::MemoryBudget& budget, platform::Block& out);

}  // namespace vl::app
