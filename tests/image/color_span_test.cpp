// The colour layer: downsampling, and spans read back with the selection applied (outside it
// white, as RGB 255 or CMYK 0) and the span's last pixel repeated for the filters.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/raster_image.h"
#include "tests/image/raster_test_support.h"

namespace vl::image {
namespace {

using namespace testing;

// Sample c of source pixel (x, y); never 0 or 255, so white is recognisable.
std::uint8_t Sample(std::int32_t x, std::int32_t y, std::int32_t c) {
  return static_cast<std::uint8_t>(1 + (y * 37 + x * 5 + c) % 250);
}

// Sets up a colour image as its reader does and stores all its source rows.
bool LoadColor(RasterImage& image, TestRuntime& t, std::int32_t width, std::int32_t height,
               std::int16_t samples) {
  image.bitsPerSample = 8;
  image.samplesPerPixel = samples;
  image.fileRowBytes = width * samples;
  if (!setGeometry(image, width, height) || !allocateBitLayer(image, t.memory)) return false;
  if (!prepareColorLayer(image, t.rt)) return false;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width * samples));
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t i = 0; i < width * samples; ++i) row[i] = Sample(i / samples, y, i % samples);
    if (!storeColorRow(image, y, row)) return false;
  }
  return true;
}

TEST(ColorSpan, OutsideTheSelectionIsWhiteAndTheLastPixelIsRepeated) {
  for (std::int16_t samples : {3, 4}) {
    const std::uint8_t white = samples == 3 ? 255 : 0;  // CMYK white is no ink
    TestRuntime t;
    RasterImage image;
    ASSERT_TRUE(LoadColor(image, t, 4, 3, samples));
    BitRow(image, 1)[0] = 0x30;  // select pixels 2 and 3 of row 1
    image.selectionActive = true;
    image.selectionFirstRow = image.selectionLastRow = 1;
    std::uint8_t out[4 * 4];
    for (std::int32_t y : {0, 1, 2}) {
      ASSERT_TRUE(readColorSpan(image, samples, y, 3 * samples, out));  // pixels 1-3, then 3
      for (int i = 0; i < 4 * samples; ++i) {
        const int x = std::min(1 + i / samples, 3);
        EXPECT_EQ(out[i], y == 1 && x >= 2 ? Sample(x, 1, i % samples) : white)
            << samples << " samples, row " << y << " byte " << i;
      }
    }
  }
}

TEST(ColorSpan, ACapturedSelectionSurvivesTheMaskBeingOverwritten) {
  TestRuntime t;
  RasterImage gray;
  ASSERT_TRUE(LoadColor(gray, t, 40, 5, 1));
  EXPECT_FALSE(CaptureSelection(gray, t.memory));  // nothing selected
  SetBitAt(BitRow(gray, 1), 39);  // the selection spans rows 1 to 3
  SetBitAt(BitRow(gray, 3), 0);
  ASSERT_TRUE(CaptureSelection(gray, t.memory));
  std::memset(gray.bitLayer.data(), 0xFF, gray.bitLayer.size());  // e.g. posterization output
  std::uint8_t out[41];
  ASSERT_TRUE(readColorSpan(gray, 0, 1, 40, out));
  for (int x = 0; x < 41; ++x) EXPECT_EQ(out[x], x >= 39 ? Sample(39, 1, 0) : 255) << x;
  DropSelectionCapture(gray);
  EXPECT_TRUE(readColorSpan(gray, 0, 2, 40, out) && out[0] == Sample(0, 2, 0));
  t.memory.failAfter(0);
  EXPECT_FALSE(CaptureSelection(gray, t.memory) || gray.selectionActive);  // no copy: ignored
  // Spans outside the row or the image are refused, and come out white.
  EXPECT_FALSE(readColorSpan(gray, 3, 0, 40, out) || readColorSpan(gray, 0, 5, 40, out));
  EXPECT_EQ(out[0], 255);
}

TEST(ColorLayer, DownsamplingKeepsOddRowsAndEvenPixelsAndHalvesTheResolution) {
  TestRuntime t;
  RasterImage image;
  image.xResolution = 300;
  image.yResolution = 200;
  image.downsample = true;
  ASSERT_TRUE(LoadColor(image, t, 1001, 701, 3));
  EXPECT_TRUE(image.downsample && image.width == 500 && image.height == 350);
  EXPECT_TRUE(image.xResolution == 150 && image.yResolution == 100 && image.colorRowBytes == 1500);
  EXPECT_EQ(image.bitLayer.size(), 64u * 352);  // reallocated for 512 x 350
  std::vector<std::uint8_t> row(3003);
  EXPECT_FALSE(storeColorRow(image, 701, row));                       // no such source row
  EXPECT_FALSE(storeColorRow(image, 1, std::span(row).first(2994)));  // row too short
  std::uint8_t out[1503];
  for (std::int32_t y : {0, 200, 349}) {
    ASSERT_TRUE(readColorSpan(image, 0, y, 1500, out));
    for (std::int32_t x : {0, 1, 499})
      for (int c = 0; c < 3; ++c) EXPECT_EQ(out[x * 3 + c], Sample(2 * x, 2 * y + 1, c));
  }
  TestRuntime tight;  // no room for even the halved layer: full size, rows left in the file
  RasterImage big;
  big.xResolution = 300;
  big.downsample = true;
  tight.memory.setLimit(128 * 703 + 100000);  // the bit layer and 100000 bytes
  EXPECT_FALSE(LoadColor(big, tight, 1001, 701, 3));  // its rows cannot be stored
  EXPECT_TRUE(!big.colorInMemory && !big.downsample && big.width == 1001);
  EXPECT_TRUE(big.colorRowBytes == 3003 && big.xResolution == 300);
}

}  // namespace
}  // namespace vl::image
