// Reader of RVX files (source formats 4 and 5, read identically): only the composite image at
// the end of the file is read; layers and masks are skipped.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

// Reads the file open in image.fileHandle into the image. Failed with "Invalid Rastelvox
// format." for a header, table or row the reader cannot use or the file does not hold, with the
// memory message when a layer or buffer cannot be had. A colour mode beyond CMYK is refused with
// its own message. Stopped when the user asks. Unless read, the caller releases the image.
ReadOutcome readRvx(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
