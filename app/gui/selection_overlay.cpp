// Building the selection tint.
#include "app/gui/selection_overlay.h"

#include <algorithm>

#include "image/bit_row.h"

namespace vl::gui {

QImage BuildSelectionOverlay(const image::RasterImage& image, int step) {
  if (!image.pixelSelection || image.bitLayer.size() == 0 || step < 1) return {};
  const int w = (image.width + step - 1) / step, h = (image.height + step - 1) / step;
  if (w <= 0 || h <= 0) return {};
  QImage out(w, h, QImage::Format_Mono);
  out.setColorTable({qRgba(0, 0, 0, 0), qRgba(40, 120, 255, 110)});
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = image::LayerRow(image.bitLayer, image, y * step);
    std::uint8_t* dst = out.scanLine(y);
    std::fill_n(dst, out.bytesPerLine(), 0);
    for (int x = 0; x < w; ++x) {
      if (image::BitAt(row, x * step)) image::SetBitAt(dst, x);
    }
  }
  return out;
}

}  // namespace vl::gui
