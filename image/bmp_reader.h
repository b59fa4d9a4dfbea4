// Reader of BMP (device-independent bitmap) files: 1, 4 and 8 bits through a palette, RLE8 and
// RLE4, 16, 24 and 32 bits (with bit-field masks), top-down and bottom-up. A 1-bit file whose
// palette holds only black and white becomes a bilevel image, a palette of grays a gray scale
// image, anything else RGB; an alpha mask's transparency is composited over white.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

// True when the bytes begin like a BMP file: "BM" and a known information header size.
bool LooksLikeBmp(const std::uint8_t* head, std::size_t size);

// Reads the file open in image.fileHandle. The resolution comes from the header's pixels per
// metre, else the dispatch's default stays. Pixels that run-length data skips are background
// (white). Failed with "The BMP file is damaged or cut short."; refused with "This kind of BMP
// file is not supported." (embedded JPEG or PNG, other depths) or for an image larger than
// 32767 pixels a side; failed with the memory message; or stopped. Unless read, the caller
// releases the image.
ReadOutcome readBmp(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
