// Readers of the two plain bilevel formats whose stored row length fixes the bit-layer row: Sun
// raster files (recognised by their signature) and the program's own bitmap file (source
// format 0 without a known signature). Both store 1 = black.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/reader_result.h"

namespace vl::image {

constexpr std::uint32_t kSunRasterMagic = 0x59A66A95;  // first word, big-endian

// Each reads the file open in image.fileHandle into the image. 0 on success; otherwise the
// error was shown (or the user stopped the read) and the caller releases the image.
std::int16_t readSunRaster(RasterImage& image, base::Runtime& rt);
std::int16_t readBitmapFile(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
