// Readers of the two plain bilevel formats whose stored row length fixes the bit-layer row: Sun
// raster files (recognised by their signature) and the program's own bitmap file (source
// format 0 without a known signature). Both store 1 = black.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

constexpr std::uint32_t kSunRasterMagic = 0x59A66A95;  // first word, big-endian

// Each reads the file open in image.fileHandle into the image. Failed with "Unknown input
// format." for a header that makes no image or rows the file does not hold, with the memory
// message when the bit layer cannot be had. A Sun raster of more than 1 bit per pixel, or
// compressed, is refused with its own message. Stopped when the user asks. Unless read, the
// caller releases the image.
ReadOutcome readSunRaster(RasterImage& image, base::Runtime& rt);
ReadOutcome readBitmapFile(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
