// Reader of PCX files: bilevel, 8-bit gray or 256-colour palette images, 24-bit images in three
// byte planes, and 8- and 16-colour images in three or four bit planes.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

// What the resolution falls back to: the screen's horizontal pixels per inch.
constexpr double kDefaultScreenPixelsPerInch = 96.0;

// Reads the file open in image.fileHandle into the image. The resolution is the screen's
// (screenPixelsPerInch), or larger when that is needed for the image to span at most 11 inches.
// Failed with "Unknown input format." for a header that makes no image, a plane layout this
// reader does not know, or lines the file does not hold; with the memory message when a layer
// or buffer cannot be had. Stopped when the user asks. Unless read, the caller releases the
// image.
ReadOutcome readPcx(RasterImage& image, base::Runtime& rt, double screenPixelsPerInch);
// The same on a screen of kDefaultScreenPixelsPerInch: the reader contract's signature.
ReadOutcome readPcx(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
