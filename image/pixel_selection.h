// The colour-range selections (magic wand, Grow Selection, Select Similar) with their region
// growing, and Select All and Select Inverse. The rectangle selection and Select None live in
// raster_image.h; every selection here keeps the same bookkeeping:
//  - gray scale or colour image: the bit layer is the mask, 1 = selected;
//  - bilevel image: the bit layer holds the loaded pixels inside the selection and 0 elsewhere,
//    the backup (memory or "memtemp") the image as loaded, never written here. A bilevel
//    selection is therefore known only on the black pixels; its "colour" is black, so the
//    candidates of the wand, Grow and Similar are the image's black pixels, whatever the
//    tolerance.
// Each sets RasterImage::pixelSelection. A failure shows its message and leaves the selection
// as it was.
#pragma once

#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"

namespace vl::image {

// The magic wand options (kept with the preferences): tolerance 0..255, the summed distance of
// a pixel's samples outside the sample's range; Expand Spread samples the 3 x 3 block around
// the click instead of the clicked pixel alone.
constexpr int kMinWandTolerance = 0;
constexpr int kMaxWandTolerance = 255;
constexpr int kDefaultWandTolerance = 32;
struct WandOptions {
  int tolerance = kDefaultWandTolerance;
  bool expandSpread = false;
};

enum class SelectionResult {
  kChanged,    // the selection was (re)made; it may equal the old one
  kUnchanged,  // nothing to do: a click outside the image or inside the selection in new mode,
               // Grow or Similar without a selection
  kFailed,     // message shown (237 no memory, 13 "memtemp" unreadable); selection unchanged
  kStopped,    // the user stopped the region growing: what was grown is combined as usual
};

// True when no pixel is selected: no bit set within the image width on any row, or a bilevel
// image without a selection (its bit layer is then the whole image, none of it selected).
bool SelectionIsEmpty(const RasterImage& image);

// Select All: the whole image, as the rectangle selection in new mode.
[[nodiscard]] SelectionResult SelectAll(RasterImage& image, base::Runtime& rt);
// Select Inverse: every pixel's selection flips. Twice restores the selection bit for bit.
[[nodiscard]] SelectionResult SelectInverse(RasterImage& image, base::Runtime& rt);

// Magic wand click at pixel (x, y) with a combining mode (kSelectNew ... kSelectIntersect):
// the 4-connected region of candidates around the click, combined with the selection.
[[nodiscard]] SelectionResult MagicWand(RasterImage& image, base::Runtime& rt, std::int32_t x,
                                        std::int32_t y, int mode, const WandOptions& options);
// Grow Selection: the selection grown through the 4-connected candidates of the colours on its
// border. Select Similar: every candidate pixel of the image.
[[nodiscard]] SelectionResult GrowSelection(RasterImage& image, base::Runtime& rt,
                                            const WandOptions& options);
[[nodiscard]] SelectionResult SelectSimilar(RasterImage& image, base::Runtime& rt,
                                            const WandOptions& options);

}  // namespace vl::image
