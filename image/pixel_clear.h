// Clearing the selected pixels of a bilevel image. While a selection is marked, the bit layer
// holds the loaded ink inside the selection only and the backup holds the whole image, so the
// bit layer's set bits are exactly the ink that clearing turns to paper. Kept as a copy, those
// bits are all it takes to put the ink back (undo) or to take it away again (redo).
#pragma once

#include "image/raster_image.h"

namespace vl::image {

enum class PixelClearCheck {
  kReady,         // a bilevel image with a selection and its backup in memory
  kNoSelection,   // nothing marked: nothing to clear
  kNotBilevel,    // gray scale and colour pixels cannot be cleared in this build
  kBackupOnDisk,  // the image as loaded lives in "memtemp"; not cleared in this build
};
PixelClearCheck CheckPixelClear(const RasterImage& image);

// True when the bit layer holds any ink (inside the selection, while one is marked).
bool HasSelectedInk(const RasterImage& image);

// Clears the selected ink in place: the bit layer's set bits leave the backup, and the bit
// layer turns to paper. False, with nothing changed, when the image is not ready.
bool ClearSelectedInk(RasterImage& image);

// `ink` is a bit layer block of the image's geometry (guard rows included). ClearInk turns its
// set bits to paper in the bit layer and the backup; RestoreInk sets them in both. False, with
// nothing changed, when the image is not ready or the block's size does not match.
bool ClearInk(RasterImage& image, const platform::Block& ink);
bool RestoreInk(RasterImage& image, const platform::Block& ink);

}  // namespace vl::image
