// Reader of PCX files: bilevel, 8-bit gray or 256-colour palette images, 24-bit images in three
// byte planes, and 8- and 16-colour images in three or four bit planes.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/reader_result.h"

namespace vl::image {

// What the resolution falls back to: the screen's horizontal pixels per inch.
constexpr double kDefaultScreenPixelsPerInch = 96.0;

// Reads the file open in image.fileHandle into the image. The resolution is the screen's
// (screenPixelsPerInch), or larger when that is needed for the image to span at most 11 inches.
// 0 on success; otherwise the error was shown (or the user stopped the read) and the caller
// releases the image.
std::int16_t readPcx(RasterImage& image, base::Runtime& rt, double screenPixelsPerInch);
// The same on a screen of kDefaultScreenPixelsPerInch: the reader contract's signature.
std::int16_t readPcx(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
