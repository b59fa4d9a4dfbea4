// Reader of RVX files (source formats 4 and 5, read identically): only the composite image at
// the end of the file is read; layers and masks are skipped.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/reader_result.h"

namespace vl::image {

// Reads the file open in image.fileHandle into the image. 0 on success; otherwise the error was
// shown (or the user stopped the read) and the caller releases the image.
std::int16_t readRvx(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
