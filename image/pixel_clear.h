// Clearing the selected pixels. On a bilevel image, while a selection is marked, the bit layer
// holds the loaded ink inside the selection only and the backup holds the whole image, so the
// bit layer's set bits are exactly the ink that clearing turns to paper. Kept as a copy, those
// bits are all it takes to put the ink back (undo) or to take it away again (redo).
// On a gray scale or colour image the bit layer is the selection mask and the colour layer the
// pixels: the selected pixels turn white, and the colour rows of the mask's band are what undo
// keeps. Exchanging the kept rows with the layer's is both undo and redo.
#pragma once

#include "image/raster_image.h"

namespace vl::image {

enum class PixelClearCheck {
  kReady,         // a bilevel image with a selection and its backup in memory
  kNoSelection,   // nothing marked: nothing to clear
  kBackupOnDisk,  // the image as loaded lives in "memtemp"; not cleared in this build
  kColorInFile,   // the colour rows are read from the input file; not cleared in this build
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

// The colour rows of the selection's band, as undo keeps them.
struct ColorRowsCopy {
  std::int32_t firstRow = 0;  // pixels
  std::int32_t rowCount = 0;
  platform::Block rows;  // rowCount x colorRowBytes
};

// True when a selected pixel of a gray scale or colour image is not white already.
bool HasSelectedColor(const RasterImage& image);

// Copies the colour rows from the first to the last row holding a selected pixel. False, with
// `out` empty, when the image is not ready or memory runs short.
bool CopySelectedColorRows(const RasterImage& image, platform::MemoryBudget& budget,
                           ColorRowsCopy& out);

// Turns every selected pixel white. False, with nothing changed, when the image is not ready.
bool ClearSelectedColor(RasterImage& image);

// Exchanges the kept rows with the colour layer's. False, with nothing changed, when they no
// longer fit the layer.
bool SwapColorRows(RasterImage& image, ColorRowsCopy& copy);

}  // namespace vl::image
