// The bit helpers against a pixel-by-pixel model: the 5 x 5 block everywhere on a small plane
// (corners and word boundaries included) and the byte-end inversion. The word scan is covered
// by the whole-image passes.
#include "engine/bit_plane.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vl::engine {
namespace {

// A 64 x 7 plane with guard bytes before and after, which no operation may touch.
struct GuardedPlane {
  static constexpr std::int32_t kWidth = 64, kHeight = 7, kRowBytes = 8, kGuard = 16;
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kRowBytes * kHeight + 2 * kGuard, 0);
  BitPlaneView view{bytes.data() + kGuard, kRowBytes, kWidth, kHeight};

  bool guardsUntouched(std::uint8_t value) const {
    for (std::int32_t i = 0; i < kGuard; ++i)
      if (bytes[i] != value || bytes[bytes.size() - 1 - i] != value) return false;
    return true;
  }
};

TEST(BitPlane, Block5x5ClipsAtEveryEdgeAndMatchesThePixelModel) {
  constexpr std::int32_t W = GuardedPlane::kWidth, H = GuardedPlane::kHeight;
  for (std::int32_t y = 0; y < H; ++y) {
    for (std::int32_t x = 0; x < W; ++x) {
      GuardedPlane p;
      ApplyBlock5x5(p.view, x, y, BlockOp::kSet);
      for (std::int32_t py = 0; py < H; ++py) {
        for (std::int32_t px = 0; px < W; ++px) {
          // Rows beyond the plane fold onto its first or last row, which the block covers
          // anyway; pixels beyond the row fall off.
          const bool expected = std::abs(py - y) <= 2 && std::abs(px - x) <= 2;
          ASSERT_EQ(BitAt(p.view.row(py), px), expected ? 1 : 0)
              << "block at " << x << "," << y << " pixel " << px << "," << py;
        }
      }
      ASSERT_TRUE(p.guardsUntouched(0));

      // Clearing the same block on a full plane clears exactly those pixels.
      GuardedPlane full;
      std::fill(full.bytes.begin(), full.bytes.end(), 0xFF);
      ApplyBlock5x5(full.view, x, y, BlockOp::kClear);
      for (std::int32_t py = 0; py < H; ++py)
        for (std::int32_t px = 0; px < W; ++px)
          ASSERT_EQ(BitAt(full.view.row(py), px), 1 - BitAt(p.view.row(py), px));
      ASSERT_TRUE(full.guardsUntouched(0xFF));
    }
  }
}

TEST(BitPlane, InversionRunsToTheByteHoldingTheLastPixel) {
  std::uint8_t row[4] = {0x00, 0xF0, 0x00, 0xAA};
  InvertToByteEnd(row, 3, 12);  // pixels 3..15
  EXPECT_EQ(row[0], 0x1F);
  EXPECT_EQ(row[1], 0x0F);
  EXPECT_EQ(row[2], 0x00);
  EXPECT_EQ(row[3], 0xAA);
  InvertToByteEnd(row, 3, 12);  // a second crossing undoes it
  EXPECT_EQ(row[0], 0x00);
  EXPECT_EQ(row[1], 0xF0);
  InvertToByteEnd(row, 31, 31);
  EXPECT_EQ(row[3], 0xAB);
  InvertToByteEnd(row, 8, 8);  // a span starting on a byte boundary inverts the whole byte
  EXPECT_EQ(row[1], 0x0F);
  EXPECT_EQ(row[2], 0x00);
}

}  // namespace
}  // namespace vl::engine
