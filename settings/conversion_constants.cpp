// Conversion constants from the settings and the image resolution. Distances grow with the
// square root of the average resolution, so a finer scan of the same drawing traces alike.
#include "settings/conversion_constants.h"

#include <cmath>
#include <limits>

namespace vl::settings {
namespace {

constexpr double kNeutralResolution = 300.0;  // pixels per inch at which the factor is 1
constexpr double kTenthRootOfTwo = 1.07177;   // one tenth of a straight-to-curved step
constexpr std::int32_t kMinPolygonTolerance = 64;      // 1/64 square pixel
constexpr std::int32_t kMinVertexHitRadius2 = 0x14000; // 1.25 square pixels in 16.16
constexpr std::int32_t kMinStraightLength2 = 400;      // square pixels (20 pixels)
constexpr double kThickPartFineResolution = 200.0;     // pixels per inch; above: two erosions

double UsableResolution(double r) {
  return std::isfinite(r) && r > 0.0 ? r : kNeutralResolution;
}

// Truncation toward zero that saturates instead of overflowing on absurd settings.
std::int32_t Truncate(double v) {
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  if (!(v < kMax)) return std::numeric_limits<std::int32_t>::max();
  if (v <= 0.0) return 0;
  return static_cast<std::int32_t>(v);
}

std::int32_t AtLeast(std::int32_t v, std::int32_t floor) { return v < floor ? floor : v; }

}  // namespace

ConversionConstants ComputeConversionConstants(const ConversionSettings& s, double xResolution,
                                               double yResolution) {
  const double xr = UsableResolution(xResolution);
  const double yr = UsableResolution(yResolution);
  const double scale = std::sqrt((xr + yr) / (2.0 * kNeutralResolution));
  const double t = s.tolerance;  // tenths

  ConversionConstants c;
  c.polygonTolerance = AtLeast(Truncate((0.04 * t + 0.8) * scale * 64.0), kMinPolygonTolerance);
  c.vertexHitRadius2 =
      AtLeast(Truncate((0.025 * t + 1.75) * scale * 65536.0), kMinVertexHitRadius2);

  // One multiplication per tenth rather than pow(): pow's last bits differ, and after squaring
  // and truncation that can move the threshold by one. Each whole step doubles the length.
  double length = 50.0 * scale;
  for (int tenth = 10; tenth < s.straightToCurved; ++tenth) length *= kTenthRootOfTwo;
  c.straightLength2 = AtLeast(Truncate(length * length), kMinStraightLength2);

  c.junctionSnapDistance = Truncate(30.0 * scale);
  c.thickPartErosionCount = yr <= kThickPartFineResolution ? 1 : 2;
  return c;
}

}  // namespace vl::settings
