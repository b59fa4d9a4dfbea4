// Number formats, the page scale and the output buffer of the art writers.
#include <gtest/gtest.h>

#include "art/gq_numbers.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

TEST(WriterNumbers, FractionsUseWholePercentsWithAtMostTwoDecimals) {
  WriterEnv env;
  auto fraction = [&](std::uint8_t ink) {
    return env.capture(kFormatGq5, kPreviewNone, [&](GqWriter& w) { writeFraction(w.out, ink); });
  };
  EXPECT_EQ(fraction(0), "0 ");
  EXPECT_EQ(fraction(1), "0 ");      // 0.39 % rounds to nothing
  EXPECT_EQ(fraction(3), "0.01 ");
  EXPECT_EQ(fraction(13), "0.05 ");
  EXPECT_EQ(fraction(26), "0.1 ");   // a multiple of ten loses its trailing zero
  EXPECT_EQ(fraction(128), "0.5 ");
  EXPECT_EQ(fraction(253), "0.99 ");
  EXPECT_EQ(fraction(254), "1 ");
  EXPECT_EQ(fraction(255), "1 ");
}

TEST(WriterNumbers, CoordinatesAreRoundedTenthsOfAPointWithYFlipped) {
  WriterEnv env;  // 72 pixels per inch, artScale 256: one point per 256 art units
  auto coordinate = [&](std::int64_t value, bool isY) {
    return env.capture(kFormatGq5, kPreviewNone,
                       [&](GqWriter& w) { writeCoordinate(w.out, w.page, value, isY); });
  };
  EXPECT_EQ(coordinate(0, false), "0 ");
  EXPECT_EQ(coordinate(256, false), "1 ");
  EXPECT_EQ(coordinate(128, false), ".5 ");
  EXPECT_EQ(coordinate(1, false), "0 ");  // 0.04 tenths
  // 31590 art units are 1234.4 tenths of a point; 31488 exactly 1230.
  EXPECT_EQ(coordinate(31590, false), "123.4 ");
  EXPECT_EQ(coordinate(31488, false), "123 ");
  // y is measured from the image top in art units and from the page bottom on the page.
  EXPECT_EQ(coordinate(0, true), "48 ");
  EXPECT_EQ(coordinate(48 * 256, true), "0 ");
  EXPECT_EQ(coordinate(47 * 256 + 128, true), ".5 ");
  EXPECT_EQ(coordinate(49 * 256, true), "-1 ");  // below the image
  EXPECT_EQ(coordinate(48 * 256 + 128, true), "-.5 ");

  // A page wider than 3276.7 points (possible in format 3) is written exactly.
  env.image.paddedWidth = 32000;
  env.image.artScale = 1.0;
  EXPECT_EQ(coordinate(32000, false), "32000 ");
}

TEST(WriterNumbers, PageScaleFitsOldFormatsIn18InchesKeepingProportions) {
  ArtImageInfo image = SmallImage();
  PageScale page = computePageScale(image, kFormatGq5);
  EXPECT_EQ(page.pageWidth, 64);
  EXPECT_EQ(page.pageHeight, 48);
  EXPECT_EQ(page.xScale, 2560);  // 655360 / 256: a tenth of a point is 25.6 art units
  EXPECT_EQ(page.yScale, 2560);
  EXPECT_EQ(page.artHeight, 48 * 256);

  image.xResolution = image.yResolution = 300.0;  // 0.24 points per pixel
  page = computePageScale(image, kFormatGq5);
  EXPECT_EQ(page.pageWidth, 16);   // 64 x 0.24 + 0.9 = 16.26
  EXPECT_EQ(page.pageHeight, 12);  // 48 x 0.24 + 0.9 = 12.42

  // 10000 x 5000 pixels at 72 per inch: 10000 points wide, too wide for formats 0 to 2.
  image = SmallImage();
  image.paddedWidth = 10000;
  image.height = 5000;
  image.artScale = 2.0;
  for (int format : {kFormatGq11, kFormatGq88, kFormatGq3}) {
    page = computePageScale(image, format);
    EXPECT_EQ(page.pageWidth, 1296) << format;
    EXPECT_EQ(page.pageHeight, 648) << format;
    EXPECT_EQ(page.xScale, page.yScale) << format;
  }
  page = computePageScale(image, kFormatGq5);
  EXPECT_EQ(page.pageWidth, 10000);
  EXPECT_EQ(page.pageHeight, 5000);

  // A tall image is limited by its height, and an unequal resolution keeps its ratio.
  image.paddedWidth = 320;
  image.height = 4000;
  image.xResolution = 36.0;  // 2 points per pixel across
  page = computePageScale(image, kFormatGq3);
  EXPECT_EQ(page.pageHeight, 1296);
  EXPECT_EQ(page.pageWidth, int(320 * 2.0 * 1296.0 / 4000.0 + 0.9));

  // No resolution in the file: one point per pixel rather than a division by zero.
  image = SmallImage();
  image.xResolution = 0.0;
  EXPECT_EQ(computePageScale(image, kFormatGq5).pageWidth, 64);
}

TEST(WriterNumbers, BufferCarriesLongTextAcrossItsBlockIntactWithCrLineEnds) {
  WriterEnv env;
  std::string expected;
  std::string text = env.capture(kFormatGq5, kPreviewNone, [&](GqWriter& w) {
    for (int i = 0; i < 700; ++i) {  // about 4.5 blocks of 2048 bytes
      std::string line = "line " + std::to_string(i);
      w.out.line(line);
      expected += line + "\r";
    }
    w.out.putInt(-1234567);
    expected += "-1234567";
  });
  EXPECT_EQ(text, expected);
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace vl::art::test
