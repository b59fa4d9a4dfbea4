// The TIFF reader: a TIFF file, or the TIFF preview inside a DOS EPS file, read from the
// image's open input file into the raster image. Bilevel images (one 1-bit sample) go to the
// bit layer; gray scale, palette, RGB and CMYK images to the colour layer as 8-bit samples.
// Compressions: none, CCITT modified Huffman (2), CCITT Group 3 one- or two-dimensional (3,
// without the uncompressed mode) and Group 4 (4), either fill order, LZW and Deflate (5, 8
// and 32946) with or without the horizontal predictor, PackBits (32773) and word-padded
// bilevel rows (32771); strips or tiles,
// chunky or planar; 1, 2, 4, 8 and 16 bits per sample; extra samples are dropped.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "image/read_outcome.h"

namespace vl::image {

// Reads from image.fileHandle. When read, the image's descriptor and layers are filled and
// ready for CompleteLoad. Refused with "Unimplemented TIFF encoding." for a compression, depth,
// sample arrangement or size this reader does not decode; failed with the message of what is
// missing, inconsistent or damaged ("TIFF error: Incomplete data.", "Bad TIFF code.", ...) or
// with the memory message; stopped when the user asks. Unless read, the caller releases the
// half-built image.
ReadOutcome ReadTiff(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
