// Save Pixel Image As: the writer chosen by the pixel save format.
#include "image/save_pixel_image.h"

#include "base/message_table.h"
#include "image/rvx_writer.h"
#include "image/tiff_writer.h"

namespace vl::image {

bool SavePixelImage(base::Runtime& rt, RasterImage& image, const std::string& path, int format) {
  if (format != kPixelSaveRvx2 && format != kPixelSaveRvx3 && format != kPixelSaveTiff) {
    base::ShowMessage(rt, msg::kPixelSaveFormatNotAvailable);
    return false;
  }
  // A stop request left over from an earlier command must not cut this save short: the flag is
  // also what the checked write refuses to write under.
  rt.state.abortRequested = 0;
  const bool written =
      format == kPixelSaveTiff ? WriteTiffFile(rt, image, path) : writeRvxFile(rt, image, path);
  if (!written) return false;
  image.sourceFormat = format == kPixelSaveTiff   ? kSourceTiff
                       : format == kPixelSaveRvx2 ? kSourceRvx2
                                                  : kSourceRvx3;
  return true;
}

}  // namespace vl::image
