// The tracer's working constants, turned from the user's settings (tenths) and the image's
// resolution into engine units in this one place, at the start of every conversion.
#pragma once

#include <cstdint>

#include "settings/conversion_settings.h"

namespace vl::settings {

struct ConversionConstants {
  // Largest deviation allowed when a chain is cut into polygon sides, in 1/64 square pixel;
  // at least 64.
  std::int32_t polygonTolerance = 64;
  // Squared radius within which the curve fitter counts a vertex as passed, 16.16 fixed point
  // (1/65536 square pixel); at least 81920 (1.25 square pixels).
  std::int32_t vertexHitRadius2 = 81920;
  // Square of the side length, in square pixels, above which a polygon side stays straight;
  // at least 400.
  std::int32_t straightLength2 = 400;
  // Distance in pixels within which centre-line vertices snap to a junction.
  std::int32_t junctionSnapDistance = 30;
  // Number of 3x3 erosions that find the thick parts of a centre-line image (1 or 2).
  std::int32_t thickPartErosionCount = 2;
};

// Resolutions in pixels per inch; 300 x 300 is the neutral scale (factor 1). A resolution that
// is not a positive finite number counts as 300, the readers' own default.
ConversionConstants ComputeConversionConstants(const ConversionSettings& s, double xResolution,
                                               double yResolution);

}  // namespace vl::settings
