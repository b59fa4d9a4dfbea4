// The colour layer: allocation and downsampling, stored rows, and spans read back with the
// selection applied.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/message_table.h"
#include "image/raster_image.h"
#include "tests/image/raster_test_support.h"

namespace vl::image {
namespace {

using testing::setPixel;
using testing::TestRuntime;

// Sample c of source pixel (x, y); never 0 or 255, so white is recognisable.
std::uint8_t sampleValue(std::int32_t x, std::int32_t y, std::int32_t c) {
  return static_cast<std::uint8_t>(1 + (y * 37 + x * 5 + c) % 250);
}

// Sets up a colour image as its reader does and stores all its source rows.
bool loadColor(RasterImage& image, engine::Runtime& rt, std::int32_t width, std::int32_t height,
               std::int16_t samples) {
  image.bitsPerSample = 8;
  image.samplesPerPixel = samples;
  image.fileRowBytes = width * samples;
  if (!setGeometry(image, width, height) || !allocateBitLayer(image, rt.memory) ||
      !prepareColorLayer(image, rt)) {
    return false;
  }
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width * samples));
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t i = 0; i < width * samples; ++i)
      row[i] = sampleValue(i / samples, y, i % samples);
    if (!storeColorRow(image, y, row)) return false;
  }
  return true;
}

void selectRows(RasterImage& image, std::int32_t first, std::int32_t last) {
  image.selectionActive = true;
  image.selectionFirstRow = first;
  image.selectionLastRow = last;
}

TEST(ColorSpan, SelectionWhitensOutsidePixelsAndRowsAndTheLastPixelIsRepeated) {
  TestRuntime t;
  RasterImage rgb;
  ASSERT_TRUE(loadColor(rgb, t.rt, 4, 3, 3));
  std::uint8_t out[4 * 3 + 3];
  ASSERT_TRUE(readColorSpan(rgb, 3, 1, 6, out));  // pixels 1..2, then pixel 2 again
  for (int i = 0; i < 9; ++i) EXPECT_EQ(out[i], sampleValue(1 + (i < 6 ? i : i - 3) / 3, 1, i % 3));

  setPixel(bitRow(rgb, 1), 1);
  setPixel(bitRow(rgb, 1), 2);
  selectRows(rgb, 1, 1);
  ASSERT_TRUE(readColorSpan(rgb, 0, 1, 12, out));
  for (int i = 0; i < 15; ++i) {
    int pixel = i / 3;
    EXPECT_EQ(out[i], pixel == 1 || pixel == 2 ? sampleValue(pixel, 1, i % 3) : 255) << i;
  }
  for (std::int32_t y : {0, 2}) {  // outside the selected rows
    ASSERT_TRUE(readColorSpan(rgb, 0, y, 12, out));
    for (std::uint8_t b : out) EXPECT_EQ(b, 255) << "row " << y;
  }

  RasterImage cmyk;  // white is no ink
  ASSERT_TRUE(loadColor(cmyk, t.rt, 3, 2, 4));
  setPixel(bitRow(cmyk, 0), 0);
  selectRows(cmyk, 0, 0);
  std::uint8_t inks[3 * 4 + 4];
  ASSERT_TRUE(readColorSpan(cmyk, 0, 0, 12, inks));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(inks[i], i < 4 ? sampleValue(0, 0, i) : 0) << i;
  ASSERT_TRUE(readColorSpan(cmyk, 0, 1, 12, inks));
  for (std::uint8_t b : inks) EXPECT_EQ(b, 0);
}

TEST(ColorSpan, CapturedSelectionSurvivesTheMaskBeingOverwritten) {
  TestRuntime t;
  RasterImage gray;
  ASSERT_TRUE(loadColor(gray, t.rt, 40, 5, 1));
  EXPECT_FALSE(captureSelection(gray, t.memory));  // nothing selected
  setPixel(bitRow(gray, 1), 39);
  setPixel(bitRow(gray, 3), 0);
  ASSERT_TRUE(captureSelection(gray, t.memory));
  EXPECT_EQ(gray.selectionFirstRow, 1);
  EXPECT_EQ(gray.selectionLastRow, 3);
  std::memset(gray.bitLayer.data(), 0xFF, gray.bitLayer.size());  // e.g. posterization output

  std::uint8_t out[41];
  ASSERT_TRUE(readColorSpan(gray, 0, 1, 40, out));
  for (int x = 0; x < 41; ++x) EXPECT_EQ(out[x], x >= 39 ? sampleValue(39, 1, 0) : 255) << x;
  ASSERT_TRUE(readColorSpan(gray, 0, 2, 40, out));
  EXPECT_EQ(out[0], 255);
  dropSelectionCapture(gray);
  ASSERT_TRUE(readColorSpan(gray, 0, 2, 40, out));
  EXPECT_EQ(out[0], sampleValue(0, 2, 0));
  t.memory.failAfter(0);
  EXPECT_FALSE(captureSelection(gray, t.memory));  // no copy: the selection is ignored
  EXPECT_FALSE(gray.selectionActive);
}

TEST(ColorSpan, UnreadableSpansComeOutWhiteUntilTheFileReaderProvidesRows) {
  TestRuntime t;
  RasterImage paged;
  paged.bitsPerSample = 8;
  paged.samplesPerPixel = 3;
  paged.fileRowBytes = 12;
  paged.colorRowBytes = 12;
  ASSERT_TRUE(setGeometry(paged, 4, 2));
  ASSERT_TRUE(allocateBitLayer(paged, t.memory));
  // Room for the processing buffer but not the 24-byte colour layer.
  t.memory.setLimit(t.memory.used() +
                    processingLayout(paged, kDefaultScreenWidthPixels).totalBytes);
  ASSERT_TRUE(prepareColorLayer(paged, t.rt));
  EXPECT_FALSE(paged.colorInMemory);
  std::uint8_t out[15];
  EXPECT_FALSE(storeColorRow(paged, 0, out));
  EXPECT_FALSE(readColorSpan(paged, 0, 0, 12, out));
  for (std::uint8_t b : out) EXPECT_EQ(b, 255);

  paged.fileSpanReader = [](const RasterImage&, std::int32_t x, std::int32_t y, std::int32_t n,
                            std::uint8_t* dst) {
    for (std::int32_t i = 0; i < n; ++i) dst[i] = static_cast<std::uint8_t>(x + i);
    return y == 0;
  };
  ASSERT_TRUE(readColorSpan(paged, 3, 0, 6, out));
  const std::uint8_t expected[9] = {3, 4, 5, 6, 7, 8, 6, 7, 8};
  EXPECT_EQ(std::memcmp(out, expected, 9), 0);
  EXPECT_FALSE(readColorSpan(paged, 0, 1, 12, out));  // the file read failed
  EXPECT_EQ(out[0], 255);
  EXPECT_FALSE(readColorSpan(paged, 3, 0, 12, out));  // past the row's end
  EXPECT_FALSE(readColorSpan(paged, 0, 2, 12, out));  // below the last row
}

TEST(ColorLayer, DownsamplingKeepsOddRowsAndEvenPixelsAndHalvesTheResolution) {
  TestRuntime t;
  RasterImage image;
  image.xResolution = 300;
  image.yResolution = 200;
  image.downsample = true;
  ASSERT_TRUE(loadColor(image, t.rt, 1001, 701, 3));
  EXPECT_TRUE(image.downsample);
  EXPECT_EQ(image.width, 500);
  EXPECT_EQ(image.height, 350);
  EXPECT_EQ(image.colorRowBytes, 1500);
  EXPECT_EQ(image.xResolution, 150);
  EXPECT_EQ(image.yResolution, 100);
  EXPECT_EQ(image.bitLayer.size(), 64u * 352);  // reallocated for 512 x 350
  std::vector<std::uint8_t> row(3003);
  EXPECT_FALSE(storeColorRow(image, 701, row));                       // no such source row
  EXPECT_FALSE(storeColorRow(image, 1, std::span(row).first(2994)));  // row too short

  std::uint8_t out[1503];
  for (std::int32_t y : {0, 200, 349}) {
    ASSERT_TRUE(readColorSpan(image, 0, y, 1500, out));
    for (std::int32_t x : {0, 1, 499}) {
      for (int c = 0; c < 3; ++c) EXPECT_EQ(out[x * 3 + c], sampleValue(2 * x, 2 * y + 1, c));
    }
  }

  // No room for even the halved layer: full size, rows from the file.
  TestRuntime tight;
  RasterImage big;
  big.bitsPerSample = 8;
  big.samplesPerPixel = 3;
  big.xResolution = 300;
  big.downsample = true;
  ASSERT_TRUE(setGeometry(big, 1001, 701));
  ASSERT_TRUE(allocateBitLayer(big, tight.memory));
  tight.memory.setLimit(tight.memory.used() + 100000);
  ASSERT_TRUE(prepareColorLayer(big, tight.rt));
  EXPECT_FALSE(big.colorInMemory);
  EXPECT_FALSE(big.downsample);
  EXPECT_EQ(big.width, 1001);
  EXPECT_EQ(big.colorRowBytes, 3003);
  EXPECT_EQ(big.xResolution, 300);

  RasterImage bilevel;  // never downsampled: it has no colour layer at all
  bilevel.downsample = true;
  ASSERT_TRUE(setGeometry(bilevel, 10, 10));
  EXPECT_FALSE(prepareColorLayer(bilevel, t.rt));
  EXPECT_EQ(bilevel.width, 10);
}

TEST(ColorLayer, MissingProcessingBufferOrBitLayerAbandonsTheLoadWithMessage11) {
  for (long successes : {0L, 2L}) {  // processing buffer; or the halved bit layer after two
    TestRuntime t;
    RasterImage image;
    image.bitsPerSample = 8;
    image.downsample = true;
    ASSERT_TRUE(setGeometry(image, 64, 64));
    ASSERT_TRUE(allocateBitLayer(image, t.memory));
    t.memory.failAfter(successes);
    EXPECT_FALSE(prepareColorLayer(image, t.rt));
    EXPECT_EQ(t.ui.messages(),
              std::vector<std::string>{std::string(msg::Text(msg::kInsufficientMemory))});
  }
}

}  // namespace
}  // namespace vl::image
