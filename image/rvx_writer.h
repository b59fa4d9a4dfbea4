// The RVX writer: Save Pixel Image As in RVX. One composite image, uncompressed, with the
// resolution resource; the same layout whether the file is later read as version 2.0 or 3.0.
#pragma once

#include <string>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "platform/file_io.h"

namespace vl::image {

// Writes the image (the bit layer when bilevel, else the colour rows with the selection
// applied) at the file's current position. False after a failure (message shown, abort
// request flag set). It does not poll the user's abort request.
[[nodiscard]] bool WriteRvx(base::Runtime& rt, const RasterImage& image, platform::FileHandle file);

// Creates `path` and writes the image into it. True when complete; otherwise the message was
// shown, an existing file of that name is untouched and no partial file is left.
[[nodiscard]] bool writeRvxFile(base::Runtime& rt, const RasterImage& image, const std::string& path);

}  // namespace vl::image
