// Page geometry of a saved art file: points per pixel, limited so the page fits the format's
// largest page, and the 16.16 fixed-point factors from art units to tenths of a point.
#pragma once

#include <cstdint>

#include "art/art_writer_inputs.h"

namespace vl::art {

// Largest page side in points: 18 inches for the three older formats, 1000 inches otherwise.
constexpr double kOldFormatPageLimitPt = 1296.0;
constexpr double kPageLimitPt = 72000.0;

struct PageScale {
  std::int64_t xScale = 0;  // 16.16 fixed point: tenths of a point per art unit across
  std::int64_t yScale = 0;  // 16.16 fixed point: tenths of a point per art unit down
  int pageWidth = 0;        // points
  int pageHeight = 0;       // points
  std::int64_t artHeight = 0;  // art units: image height x artScale, the flip line for y
  double pointsPerPixelX = 1.0;  // after the page limit
  double pointsPerPixelY = 1.0;
};

// `format` is the save format code (0-3 GQ generations, 7 clipboard art, others).
PageScale computePageScale(const ArtImageInfo& image, int format);

}  // namespace vl::art
