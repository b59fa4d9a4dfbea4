// A plain reference painter for artwork, for tests: paints the paths in order into a gray
// bitmap the size of the image, so that what a writer produced (rendered by an outside
// interpreter) or what the tracer traced can be compared pixel by pixel with the art itself.
// Fills use the non-zero winding rule at pixel centres; curves are flattened finely; strokes
// cover the pixels whose centre lies within half the line width of a piece of the path or of
// its square-capped ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "art/artwork.h"
#include "tests/support/gray_image.h"

namespace vl::test_support {

struct RasterizeScale {
  double artScale = 1.0;        // art units per pixel
  double pixelsPerPoint = 1.0;  // for stroke widths: the image resolution / 72
};

// The gray level a paint puts on paper: White 255, Black 255 minus the K byte, Process and
// Custom (from the packed colour) the usual CMYK-to-gray mix.
std::uint8_t PaintGray(art::PaintType type, std::uint32_t packedColor);

// Paints every path of `art` onto a white image of width x height pixels.
GrayImage RasterizeArtwork(const art::Artwork& art, int width, int height, RasterizeScale scale);

// Pixels where a and b differ by more than `tolerance` levels, not counting pixels within
// edgeRadius pixels of an edge of `reference` (whose (2r+1) x (2r+1) neighbourhood in it is
// not uniform). -1 when the sizes differ. A radius of 1 allows for the renderers' different
// pixel rules; sharp tips and coordinates rounded to a tenth of a point at high resolutions
// need 2.
long MismatchesAwayFromEdges(const GrayImage& reference, const GrayImage& other, int tolerance,
                             int edgeRadius = 1);

// For failure messages: the first few of those pixels, "(x,y) ref/other ...".
std::string DescribeMismatches(const GrayImage& reference, const GrayImage& other, int tolerance,
                               int edgeRadius = 1);

}  // namespace vl::test_support
