// Engine constants from tolerance T, straight-to-curved S (tenths) and resolution (pixels/inch).
// Expected values worked out by hand with s = sqrt((xRes + yRes) / 600):
// polygon = (0.04 T + 0.8) s 64, floor 64; hit = (0.025 T + 1.75) s 65536, floor 81920;
// straight = (50 x 1.07177^(S-10))^2 s^2, floor 400; snap = 30 s; erosion 2 above 200 dpi tall.
#include "settings/conversion_constants.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

namespace vl::settings {
namespace {

TEST(ConversionConstants, ScaleWithResolutionStopAtTheirFloorsAndSurviveBadInput) {
  struct Case { std::int16_t t, s; double x, y; std::int32_t poly, hit, straight, snap, erosion; };
  const Case cases[] = {
      // 300 dpi, s = 1: 1.2 x 64 = 76.8; 2.8 x 64 = 179.2; 2500 x 1.9999354^2 = 9999.35.
      {10, 10, 300, 300, 76, 131072, 2500, 30, 2}, {30, 20, 300, 300, 128, 163840, 9999, 30, 2},
      {50, 50, 300, 300, 179, 196608, 639834, 30, 2},
      // 72 dpi, s = 0.4898979: 37.6 and 62.7 -> 64, 64211.9 and 80264.9 -> 81920 (floors);
      // T=50: 87.8 and 96317.9; S=30: 600 x 15.997933 = 9598.76. 36 dpi: 300 -> 400 (floor).
      {10, 10, 72, 72, 64, 81920, 600, 14, 1}, {30, 30, 72, 72, 64, 81920, 9598, 14, 1},
      {50, 30, 72, 72, 87, 96317, 9598, 14, 1}, {10, 10, 36, 36, 64, 81920, 400, 10, 1},
      // 600 x 150, s = 1.118034: 143.1, 183178.5, 2500 x 1.25, 33.5; erosion follows y alone.
      {30, 10, 600, 150, 143, 183178, 3125, 33, 1}, {30, 10, 150, 600, 143, 183178, 3125, 33, 2},
  };
  for (const Case& c : cases) {
    const ConversionConstants k =
        ComputeConversionConstants({.straightToCurved = c.s, .tolerance = c.t}, c.x, c.y);
    EXPECT_EQ(std::tuple(k.polygonTolerance, k.vertexHitRadius2, k.straightLength2,
                         k.junctionSnapDistance, k.thickPartErosionCount),
              std::tuple(c.poly, c.hit, c.straight, c.snap, c.erosion))
        << "T=" << c.t << " S=" << c.s << " at " << c.x << " x " << c.y;
  }
  EXPECT_EQ(ComputeConversionConstants({}, 300, 200).thickPartErosionCount, 1);
  EXPECT_EQ(ComputeConversionConstants({}, 300, 200.5).thickPartErosionCount, 2);

  // A missing or broken resolution is taken as 300 dpi rather than poisoning the square root.
  for (double bad : {0.0, -72.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    const ConversionConstants k = ComputeConversionConstants({}, bad, bad);
    EXPECT_EQ(k.polygonTolerance, 128) << bad;
    EXPECT_EQ(k.junctionSnapDistance, 30) << bad;
    EXPECT_EQ(k.thickPartErosionCount, 2) << bad;
  }
  // An unvalidated straight-to-curved value saturates; below the range the plain 50 pixels.
  EXPECT_EQ(ComputeConversionConstants({.straightToCurved = 32767}, 300, 300).straightLength2,
            std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(ComputeConversionConstants({.straightToCurved = 0}, 300, 300).straightLength2, 2500);
}

}  // namespace
}  // namespace vl::settings
