// Captures the selection that readColorSpan applies: the band of selected rows and a copy of
// their mask, so that the bit layer may be overwritten while colour rows are still read.
#include <algorithm>
#include <cstring>

#include "image/raster_image.h"

namespace vl::image {

bool CaptureSelection(RasterImage& image, platform::MemoryBudget& budget) {
  DropSelectionCapture(image);
  if (image.bitLayer.empty()) return false;
  std::int32_t first = -1, last = -1;
  const auto rowBytes = static_cast<std::size_t>(image.bitRowBytes);
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* row = BitRow(image, y);
    if (std::any_of(row, row + rowBytes, [](std::uint8_t b) { return b != 0; })) {
      if (first < 0) first = y;
      last = y;
    }
  }
  if (first < 0) return false;
  const std::size_t bytes = static_cast<std::size_t>(last - first + 1) * rowBytes;
  if (!image.selectionRows.allocate(budget, bytes)) return false;  // the selection is ignored
  std::memcpy(image.selectionRows.data(), BitRow(image, first), bytes);
  image.selectionActive = true;
  image.selectionFirstRow = first;
  image.selectionLastRow = last;
  return true;
}

void DropSelectionCapture(RasterImage& image) {
  image.selectionRows.release();
  image.selectionActive = false;
  image.selectionFirstRow = 0;
  image.selectionLastRow = -1;
}

}  // namespace vl::image
