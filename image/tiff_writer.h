// The TIFF writer: Save Pixel Image As in TIFF, and the low-resolution preview that an EPS art
// file carries. Big-endian, one strip; bilevel rows PackBits-compressed, other rows raw.
#pragma once

#include <cstdint>
#include <string>

#include "base/runtime.h"
#include "image/raster_image.h"
#include "platform/file_io.h"

namespace vl::image {

// saveMode of writeTiff.
constexpr int kTiffPreview = 0;    // at most 72 pixels per inch, into an open art file
constexpr int kTiffFullImage = 1;  // the whole image at its own resolution

enum class [[nodiscard]] TiffOutcome {
  kWritten,
  kStopped,  // the user stopped it between rows; the bytes written are not a usable TIFF
  kFailed,   // a write failed or memory ran short; the message was shown
};

// Writes the image (the bit layer when bilevel, else the colour rows with the selection
// applied) as a TIFF starting at the file's current position; every offset in it counts from
// there. Leaves the file open and positioned at its end. Polls the user's abort request before
// every row. A failure sets the abort request flag, after which nothing more is written.
TiffOutcome writeTiff(base::Runtime& rt, const RasterImage& image, platform::FileHandle file,
                      int saveMode);

// Creates `path` and writes the whole image into it. True when complete; otherwise the message
// was shown (or the user stopped it), an existing file of that name is untouched and no partial
// file is left.
[[nodiscard]] bool WriteTiffFile(base::Runtime& rt, const RasterImage& image, const std::string& path);

// The preview's size, pixels: the image scaled to at most 72 pixels per inch.
struct TiffPreviewSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
TiffPreviewSize PreviewSizeFor(const RasterImage& image);

}  // namespace vl::image
