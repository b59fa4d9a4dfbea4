// Undoing horizontal differencing on 8- and 16-bit rows.
#include <gtest/gtest.h>

#include <vector>

#include "image/predictor.h"

namespace {

using vl::image::UndoHorizontalPredictor;
using vl::image::UndoHorizontalPredictorRows;
using Bytes = std::vector<std::uint8_t>;

TEST(Predictor, EightBitSamplesAddUpPerSamplePositionModulo256) {
  // Two interleaved samples: running sums 10, 10+250=4 (mod 256), 4+3 and 20, 20-1, 19+2.
  Bytes row = {10, 20, 250, 255, 3, 2, 7};
  ASSERT_TRUE(UndoHorizontalPredictor(row, 2, 8, false));
  EXPECT_EQ(row, (Bytes{10, 20, 4, 19, 7, 21, 14}));

  // Each row of a strip starts afresh; the short last row is undone as far as it goes.
  Bytes strip = {1, 1, 1, 5, 5, 5, 9, 1};
  ASSERT_TRUE(UndoHorizontalPredictorRows(strip, 3, 1, 8, false));
  EXPECT_EQ(strip, (Bytes{1, 2, 3, 5, 10, 15, 9, 10}));
}

TEST(Predictor, SixteenBitSamplesFollowTheFileByteOrder) {
  // Samples 0x01FF then +0x0102 then +0xFF00 (wraps): 0x01FF, 0x0301, 0x0201.
  Bytes big = {0x01, 0xFF, 0x01, 0x02, 0xFF, 0x00, 0xAA};
  ASSERT_TRUE(UndoHorizontalPredictor(big, 1, 16, true));
  EXPECT_EQ(big, (Bytes{0x01, 0xFF, 0x03, 0x01, 0x02, 0x01, 0xAA}));  // odd byte untouched

  Bytes little = {0xFF, 0x01, 0x02, 0x01, 0x00, 0xFF};
  ASSERT_TRUE(UndoHorizontalPredictor(little, 1, 16, false));
  EXPECT_EQ(little, (Bytes{0xFF, 0x01, 0x01, 0x03, 0x01, 0x02}));

  // Three samples per pixel: each adds to its own kind only.
  Bytes rgb(12, 0);
  for (int i = 0; i < 6; ++i) rgb[2 * i] = static_cast<std::uint8_t>(i + 1);  // big-endian highs
  ASSERT_TRUE(UndoHorizontalPredictor(rgb, 3, 16, true));
  EXPECT_EQ(rgb[6], 1 + 4);
  EXPECT_EQ(rgb[8], 2 + 5);
  EXPECT_EQ(rgb[10], 3 + 6);
}

TEST(Predictor, RefusesDepthsItCannotUndoAndLeavesTheRowAlone) {
  Bytes row = {1, 2, 3, 4};
  const Bytes before = row;
  EXPECT_FALSE(UndoHorizontalPredictor(row, 1, 4, false));
  EXPECT_FALSE(UndoHorizontalPredictor(row, 1, 1, false));
  EXPECT_FALSE(UndoHorizontalPredictor(row, 0, 8, false));
  EXPECT_FALSE(UndoHorizontalPredictorRows(row, 0, 1, 8, false));
  EXPECT_EQ(row, before);
  // An empty row is nothing to undo, not an error.
  EXPECT_TRUE(UndoHorizontalPredictor({}, 3, 8, false));
}

}  // namespace
