// Reader of MacPaint files: a fixed 576 x 720 bilevel picture at 72 pixels per inch.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

constexpr std::int32_t kMacPaintWidthPixels = 576;
constexpr std::int32_t kMacPaintHeightPixels = 720;

// Reads the file open in image.fileHandle into the image. Failed with "Unknown input format."
// when the file ends before the picture is complete, with the memory message when the bit layer
// cannot be had; stopped when the user asks. Unless read, the caller releases the image.
ReadOutcome readMacPaint(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
