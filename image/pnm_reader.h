// Reader of the netpbm formats: PBM (P1, P4) as bilevel, PGM (P2, P5) as gray scale (bilevel
// when its maximum value is 1), PPM (P3, P6) as RGB, and PAM (P7) with the tuple types
// BLACKANDWHITE, GRAYSCALE, RGB and CMYK, each optionally _ALPHA (composited over white).
#pragma once

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

// True when the bytes begin like a netpbm file: 'P', a digit 1 to 7, then white space.
bool LooksLikePnm(const std::uint8_t* head, std::size_t size);

// Reads the first image of the file open in image.fileHandle. These formats carry no
// resolution: the dispatch's default stays. Samples are scaled from the file's maximum value
// to 0..255, rounded. Failed with "The PBM, PGM, PPM or PAM file is damaged or cut short." for
// a bad header, a sample above the maximum value or missing pixels; refused with "This PAM
// tuple type is not supported." or for an image larger than 32767 pixels a side; failed with
// the memory message; or stopped. Unless read, the caller releases the image.
ReadOutcome readPnm(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
