// Reader of JPEG (JFIF and Adobe) files through libjpeg-turbo: gray scale files become gray scale
// images, YCbCr and RGB files RGB, CMYK and YCCK files CMYK (0 = no ink).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

// True when the bytes begin with a JPEG start-of-image marker.
bool LooksLikeJpeg(const std::uint8_t* head, std::size_t size);

// Reads the file open in image.fileHandle. The resolution comes from the JFIF density when it
// is given per inch or per centimetre, else the dispatch's default stays. Failed with "The JPEG
// file is damaged or cut short." for anything libjpeg rejects or a file that ends before its
// last row; refused with "This kind of JPEG file is not supported." for colour spaces it cannot
// convert, or for an image larger than 32767 pixels a side; failed with the memory message; or
// stopped. Unless read, the caller releases the image.
ReadOutcome readJpeg(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
