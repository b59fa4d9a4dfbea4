// The pixel selection as the image window shows it: a translucent tint over the selected
// pixels, drawn above the image. Without it a marquee or wand selection would be invisible
// (a bilevel selection lives in the bit layer the screen image no longer reads).
#pragma once

#include <QImage>

#include "image/raster_image.h"

namespace vl::gui {

// The selected pixels of `image` as a one-bit picture (every `step`-th pixel of every `step`-th
// row) whose set bits carry the tint and whose clear bits are transparent; a null image when
// nothing is selected.
QImage BuildSelectionOverlay(const image::RasterImage& image, int step);

}  // namespace vl::gui
