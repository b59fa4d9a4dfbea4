// The source's sample range as the TIFF reader hands it on (MinSampleValue, MaxSampleValue),
// and the threshold it gives: absent, stated, written the wrong way round, or out of range.
#include <gtest/gtest.h>

#include "image/posterization.h"
#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image {
namespace {

using namespace testing;

TEST(SampleRangeFromTiff, TheReaderHandsOnAnOrderedClampedRange) {
  struct Row {
    const char* name;
    std::uint32_t bits;
    long min, max;  // -1: tag absent
    std::uint16_t type;
    std::int32_t wantMin, wantMax;
    int level;  // at 50 %
  };
  const Row rows[] = {
      {"absent", 8, -1, -1, 3, 0, 255, 128},
      {"stated", 8, 16, 235, 3, 16, 235, 126},
      {"the wrong way round", 8, 235, 16, 3, 16, 235, 126},
      {"past 16 bits", 8, 0, 70000, 4, 0, 65535, 128},  // no wider than the samples
      {"16-bit, absent", 16, -1, -1, 3, 0, 255, 128},
      {"16-bit, 12 bits used", 16, 0, 4095, 3, 0, 4095, 8},
      {"4-bit", 4, 0, 15, 3, 0, 15, 128},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::uint32_t width = 8, height = 2;
    const Bytes strip(std::size_t(width * r.bits / 8) * height, 0x40);
    TiffBuilder b = SimpleTiff(width, height, r.bits, 1, kBlackIsZero, strip);
    if (r.min >= 0) b.tag(280, r.type, {std::uint32_t(r.min)}).tag(281, r.type, {std::uint32_t(r.max)});
    TestRuntime t;
    RasterImage image;
    ASSERT_EQ(OpenBytes(t, image, b.build()), kReadDone);
    EXPECT_EQ(image.minSampleValue, r.wantMin);
    EXPECT_EQ(image.maxSampleValue, r.wantMax);
    EXPECT_EQ(ThresholdLevel(image, 50), r.level);
    releaseImage(image, t.rt);
  }
}

}  // namespace
}  // namespace vl::image
