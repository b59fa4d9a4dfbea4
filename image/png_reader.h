// Reader of PNG files through libspng: 1-bit gray becomes a bilevel image, other gray a gray
// scale one, colour RGB; a palette is expanded to gray when all its entries are gray (and to
// bilevel when a 1-bit palette holds only black and white). Alpha and tRNS transparency are
// composited over white; 16-bit samples are rounded to the nearest 8-bit value.
#pragma once

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

// Reads the file open in image.fileHandle. The resolution comes from the pHYs chunk when it
// gives one per metre, else the dispatch's default stays. Failed with "The PNG file is damaged
// or cut short." for anything libspng rejects, refused for an image larger than 32767 pixels a
// side, failed with the memory message, or stopped. Unless read, the caller releases the image.
ReadOutcome readPng(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
