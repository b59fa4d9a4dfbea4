// Engine constants from tolerance, straight-to-curved and resolution. Expected values are
// worked out in the comments; s = sqrt((xResolution + yResolution) / 600).
#include "settings/conversion_constants.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vl::settings {
namespace {

ConversionSettings WithTolerance(std::int16_t toleranceTenths, std::int16_t straightTenths = 30) {
  ConversionSettings s;
  s.tolerance = toleranceTenths;
  s.straightToCurved = straightTenths;
  return s;
}

TEST(ConversionConstants, At300DpiTheFactorIsOne) {
  // s = sqrt(600 / 600) = 1.
  // polygonTolerance = (0.04 T + 0.8) x 64:  T=10: 1.2 x 64 = 76.8 -> 76;  T=30: 2.0 x 64 = 128;
  //   T=50: 2.8 x 64 = 179.2 -> 179.
  // vertexHitRadius2 = (0.025 T + 1.75) x 65536:  T=10: 2.0 -> 131072;  T=30: 2.5 -> 163840;
  //   T=50: 3.0 -> 196608.
  const std::int32_t polygon[] = {76, 128, 179};
  const std::int32_t hit[] = {131072, 163840, 196608};
  const std::int16_t tolerances[] = {10, 30, 50};
  for (int i = 0; i < 3; ++i) {
    ConversionConstants c = ComputeConversionConstants(WithTolerance(tolerances[i]), 300, 300);
    EXPECT_EQ(c.polygonTolerance, polygon[i]) << "T=" << tolerances[i];
    EXPECT_EQ(c.vertexHitRadius2, hit[i]) << "T=" << tolerances[i];
    EXPECT_EQ(c.junctionSnapDistance, 30);  // 30 x 1
    EXPECT_EQ(c.thickPartErosionCount, 2);  // 300 > 200
  }
  // straightLength2 = (50 x 1.07177^(S-10))^2, 1.07177^10 = 1.9999354:
  //   S=10: 50^2 = 2500;  S=20: 2500 x 1.9999354^2 = 2500 x 3.9997416 = 9999.35 -> 9999;
  //   S=30: 2500 x 15.997933 = 39994.83 -> 39994;  S=50: 2500 x 255.93384 = 639834.6 -> 639834.
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30, 10), 300, 300).straightLength2, 2500);
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30, 20), 300, 300).straightLength2, 9999);
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30, 30), 300, 300).straightLength2, 39994);
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30, 50), 300, 300).straightLength2, 639834);
}

TEST(ConversionConstants, At72DpiTheFloorsTakeOver) {
  // s = sqrt(144 / 600) = sqrt(0.24) = 0.4898979.
  // polygonTolerance: T=10: 1.2 x 0.4898979 x 64 = 37.6 -> 64 (floor);
  //   T=30: 2.0 x 0.4898979 x 64 = 62.7 -> 64 (floor);  T=50: 2.8 x 0.4898979 x 64 = 87.8 -> 87.
  // vertexHitRadius2: T=10: 2.0 x 0.4898979 x 65536 = 64211.9 -> 81920 (floor);
  //   T=30: 2.5 x ... = 80264.9 -> 81920 (floor);  T=50: 3.0 x ... = 96317.9 -> 96317.
  const std::int32_t polygon[] = {64, 64, 87};
  const std::int32_t hit[] = {81920, 81920, 96317};
  const std::int16_t tolerances[] = {10, 30, 50};
  for (int i = 0; i < 3; ++i) {
    ConversionConstants c = ComputeConversionConstants(WithTolerance(tolerances[i]), 72, 72);
    EXPECT_EQ(c.polygonTolerance, polygon[i]) << "T=" << tolerances[i];
    EXPECT_EQ(c.vertexHitRadius2, hit[i]) << "T=" << tolerances[i];
    EXPECT_EQ(c.junctionSnapDistance, 14);  // 30 x 0.4898979 = 14.7
    EXPECT_EQ(c.thickPartErosionCount, 1);  // 72 <= 200
  }
  // straightLength2: S=10: 2500 x 0.24 = 600;  S=30: 600 x 15.997933 = 9598.76 -> 9598.
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30, 10), 72, 72).straightLength2, 600);
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30, 30), 72, 72).straightLength2, 9598);

  // At 36 x 36 dpi, s^2 = 0.12: straightLength2 = 2500 x 0.12 = 300 -> 400 (floor); T=10 gives
  // 1.2 x 0.3464 x 64 = 26.6 -> 64 and 2.0 x 0.3464 x 65536 = 45404 -> 81920.
  ConversionConstants c = ComputeConversionConstants(WithTolerance(10, 10), 36, 36);
  EXPECT_EQ(c.straightLength2, 400);
  EXPECT_EQ(c.polygonTolerance, 64);
  EXPECT_EQ(c.vertexHitRadius2, 81920);
  EXPECT_EQ(c.junctionSnapDistance, 10);  // 30 x 0.3464 = 10.4
}

TEST(ConversionConstants, UnevenResolutionAndUnusableInput) {
  // 600 x 150: s = sqrt(750 / 600) = 1.1180340. T=30: 2.0 x 1.118034 x 64 = 143.1 -> 143;
  // 2.5 x 1.118034 x 65536 = 183178.5 -> 183178; S=10: 2500 x 1.25 = 3125; snap 33.5 -> 33.
  // The erosion count follows the vertical resolution alone.
  ConversionConstants c = ComputeConversionConstants(WithTolerance(30, 10), 600, 150);
  EXPECT_EQ(c.polygonTolerance, 143);
  EXPECT_EQ(c.vertexHitRadius2, 183178);
  EXPECT_EQ(c.straightLength2, 3125);
  EXPECT_EQ(c.junctionSnapDistance, 33);
  EXPECT_EQ(c.thickPartErosionCount, 1);
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30, 10), 150, 600).thickPartErosionCount, 2);
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30), 300, 200).thickPartErosionCount, 1);
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30), 300, 200.5).thickPartErosionCount, 2);

  // A missing or broken resolution is taken as 300 dpi rather than poisoning the square root.
  for (double bad : {0.0, -72.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    ConversionConstants d = ComputeConversionConstants(WithTolerance(30), bad, bad);
    EXPECT_EQ(d.polygonTolerance, 128);
    EXPECT_EQ(d.junctionSnapDistance, 30);
    EXPECT_EQ(d.thickPartErosionCount, 2);
  }
  // An unvalidated straight-to-curved value saturates instead of overflowing.
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30, 32767), 300, 300).straightLength2,
            std::numeric_limits<std::int32_t>::max());
  // Below the range no multiplication happens: the plain 50-pixel length.
  EXPECT_EQ(ComputeConversionConstants(WithTolerance(30, 0), 300, 300).straightLength2, 2500);
}

}  // namespace
}  // namespace vl::settings
