// Save Pixel Image As, without its dialog: writes the touched-up raster image in the pixel save
// format and records which format the image now comes from.
#pragma once

#include <string>

#include "base/runtime.h"
#include "image/raster_image.h"

namespace vl::image {

// Pixel save formats (the preference codes).
constexpr int kPixelSaveRvx2 = 0;
constexpr int kPixelSaveRvx3 = 1;
constexpr int kPixelSaveTiff = 3;

// Writes `path` in `format`. True when the file is complete; sourceFormat then becomes 4, 5 or
// 3. False after a message (the file could not be created or written, memory ran short, the
// format is unknown) or the user's stop; the file of that name is then as it was before.
[[nodiscard]] bool SavePixelImage(base::Runtime& rt, RasterImage& image, const std::string& path, int format);

}  // namespace vl::image
