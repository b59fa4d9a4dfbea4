// Allocation of the colour layer and of the processing buffer that readers, the colour
// preparation and the display share, with the optional 2:1 downsampling.
#include <algorithm>

#include "base/message_table.h"
#include "image/raster_image.h"

namespace vl::image {

namespace {
constexpr std::size_t kTableBytes = 3456;
constexpr std::size_t kFilterRows = 3;
}  // namespace

ProcessingLayout ProcessingLayoutFor(const RasterImage& image, std::int32_t screenWidthPixels) {
  auto samples = static_cast<std::size_t>(std::max<std::int32_t>(image.samplesPerPixel, 0));
  auto screen = static_cast<std::size_t>(std::max<std::int32_t>(screenWidthPixels, 0));
  ProcessingLayout l;
  l.rowSlotBytes =
      static_cast<std::size_t>(std::max<std::int32_t>(image.colorRowBytes, 0)) + 2 * samples;
  l.rowSlots = 0;
  l.sourceRow = kFilterRows * l.rowSlotBytes;
  l.displayRow =
      l.sourceRow + static_cast<std::size_t>(std::max<std::int32_t>(image.fileRowBytes, 0));
  l.displayScratch = l.displayRow + (screen + 2) * samples;
  l.tables = l.displayScratch + std::max(screen, kFilterRows * l.rowSlotBytes);
  l.totalBytes = l.tables + kTableBytes;
  return l;
}

bool prepareColorLayer(RasterImage& image, base::Runtime& rt, std::int32_t screenWidthPixels) {
  if (IsBilevel(image) || image.samplesPerPixel < 1 || image.width < 1 || image.height < 1) {
    return false;
  }
  // A one-pixel side would halve to nothing.
  if (image.width < 2 || image.height < 2) image.downsample = false;

  for (;;) {
    const bool halve = image.downsample;
    const std::int32_t workingWidth = halve ? image.width / 2 : image.width;
    const std::int32_t workingHeight = halve ? image.height / 2 : image.height;
    image.colorRowBytes = workingWidth * image.samplesPerPixel;

    if (!image.processingBuffer.allocate(rt.memory,
                                         ProcessingLayoutFor(image, screenWidthPixels).totalBytes)) {
      base::ShowMessage(rt, msg::kInsufficientMemory);
      return false;
    }
    const std::int64_t layerBytes = std::int64_t{workingHeight} * image.colorRowBytes;
    image.colorInMemory =
        image.colorLayer.allocate(rt.memory, static_cast<std::size_t>(layerBytes));

    if (!halve) return true;  // colorInMemory false: rows will come from the input file
    if (image.colorInMemory) {
      image.xResolution /= 2;
      image.yResolution /= 2;
      setGeometry(image, workingWidth, workingHeight);
      if (!allocateBitLayer(image, rt.memory)) {
        base::ShowMessage(rt, msg::kInsufficientMemory);
        return false;
      }
      return true;
    }
    // Not even the halved layer fits: give up downsampling and try at full size.
    image.downsample = false;
    image.processingBuffer.release();
    image.colorLayer.release();
  }
}

}  // namespace vl::image
