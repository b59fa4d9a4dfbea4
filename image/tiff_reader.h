// The TIFF reader: a TIFF file, or the TIFF preview inside a DOS EPS file, read from the
// image's open input file into the raster image. Bilevel images (one 1-bit sample) go to the
// bit layer; gray scale, palette, RGB and CMYK images to the colour layer as 8-bit samples.
// Compressions: none, CCITT modified Huffman (2), LZW with or without the horizontal
// predictor (5), PackBits (32773) and word-padded bilevel rows (32771); strips or tiles,
// chunky or planar; 1, 2, 4, 8 and 16 bits per sample; extra samples are dropped.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"

namespace vl::image {

// Reads from image.fileHandle. 0 on success, the image's descriptor and layers filled and
// ready for completeLoad. Non-zero after the error's message was shown (none when the user
// stopped the read); the caller then releases the half-built image.
std::int16_t readTiff(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
