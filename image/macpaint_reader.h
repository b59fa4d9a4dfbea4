// Reader of MacPaint files: a fixed 576 x 720 bilevel picture at 72 pixels per inch.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/reader_result.h"

namespace vl::image {

constexpr std::int32_t kMacPaintWidthPixels = 576;
constexpr std::int32_t kMacPaintHeightPixels = 720;

// Reads the file open in image.fileHandle into the image. 0 on success; otherwise the error was
// shown (or the user stopped the read) and the caller releases the image.
std::int16_t readMacPaint(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
