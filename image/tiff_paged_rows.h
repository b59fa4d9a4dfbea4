// Colour rows read back from the open TIFF file, for an image whose colour layer could not be
// held in memory (uncompressed chunky strips only). Installed as RasterImage::fileSpanReader.
#pragma once

#include "image/raster_image.h"
#include "image/tiff_file.h"
#include "image/tiff_layout.h"

namespace vl::image {

// Each call re-reads the strip's offset from the file's offset table, reads the stored pixels
// the span covers from image.fileHandle and brings them to 8-bit samples (palette indices to
// RGB, extra samples dropped), as the decoder would have stored them.
FileSpanReader MakeTiffFileSpanReader(const TiffFile& file, const TiffLayout& layout);

}  // namespace vl::image
