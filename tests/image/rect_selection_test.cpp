// The rectangular selection's four modes on a colour mask and on a bilevel image (backup in
// memory and in "memtemp"), clipped to the image, Select None, and the failures.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "base/message_table.h"
#include "image/raster_image.h"
#include "tests/image/raster_test_support.h"

namespace vl::image {
namespace {

using namespace testing;
using Row = std::array<std::uint8_t, 8>;
using Picture = std::vector<std::string>;

Row MaskRow(const RasterImage& image, std::int32_t y) {
  Row r;
  std::memcpy(r.data(), BitRow(image, y), 8);
  return r;
}

TEST(RectSelection, ColorMaskModesCombineEdgeBytesWithTheirMasks) {
  // Pixels 3..20 of rows 1..2 of a 40-pixel gray mask: 0xFF >> 3 on byte 0, 0xFF << 3 on byte 2.
  const Row kept = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0, 0, 0};
  const struct { int mode; Row inside, outside; } cases[] = {
      {kSelectNew, {0x1F, 0xFF, 0xF8, 0, 0, 0, 0, 0}, {}},
      {kSelectAdd, {0xBF, 0xFF, 0xFA, 0xAA, 0xAA, 0, 0, 0}, kept},
      {kSelectSubtract, {0xA0, 0x00, 0x02, 0xAA, 0xAA, 0, 0, 0}, kept},
      {kSelectIntersect, {0x0A, 0xAA, 0xA8, 0, 0, 0, 0, 0}, {}},
  };
  for (const auto& c : cases) {
    TestRuntime t;
    RasterImage image;
    image.bitsPerSample = 8;
    ASSERT_TRUE(setGeometry(image, 40, 4) && allocateBitLayer(image, t.memory));
    for (std::int32_t y = 0; y < 4; ++y) std::memset(BitRow(image, y), 0xAA, 5);
    ASSERT_TRUE(applyRectSelection(image, t.rt, 3, 1, 20, 2, c.mode));
    const std::array<Row, 4> expected = {c.outside, c.inside, c.inside, c.outside};
    for (std::int32_t y = 0; y < 4; ++y) EXPECT_EQ(MaskRow(image, y), expected[y]) << c.mode;
    EXPECT_FALSE(applyRectSelection(image, t.rt, 0, 0, 5, 5, 4));  // an unknown mode
    EXPECT_EQ(MaskRow(image, 1), c.inside);
    ASSERT_TRUE(SelectNone(image, t.rt));
    for (std::int32_t y = 0; y < 4; ++y) EXPECT_EQ(MaskRow(image, y), Row{});
    EXPECT_TRUE(t.ui.messages().empty());
  }
}

// A fixed pseudo-random series of rectangles in all modes on a bilevel image: after each, the
// bit layer must be the loaded picture AND the selection, tracked here as plain booleans.
TEST(RectSelection, BilevelSeriesWithTheBackupInMemoryAndInMemtempEndsWithSelectNone) {
  const std::int32_t w = 45, h = 7;
  Picture loaded(h, std::string(w, '.'));
  for (int i = 0; i < w * h; ++i) loaded[i / w][i % w] = (i * 7 + i * i / w) % 3 ? '#' : '.';
  for (bool onDisk : {false, true}) {
    TestRuntime t;
    RasterImage image;
    ASSERT_TRUE(drawBilevel(image, t.rt, loaded));
    if (onDisk) t.memory.setLimit(t.memory.used());
    ASSERT_EQ(CompleteLoad(image, t.rt), kReadDone);
    ASSERT_EQ(image.backupOnDisk, onDisk);
    t.memory.setLimit(platform::MemoryBudget::kUnlimited);
    std::vector<std::vector<bool>> selected(h, std::vector<bool>(w, true));
    std::mt19937 rng(12345);
    const auto next = [&rng](std::int32_t n) { return static_cast<std::int32_t>(rng() % n); };
    for (int step = 0; step < 60; ++step) {
      const int mode = next(4);
      const std::int32_t l = next(w + 6) - 3, r = next(w + 6) - 3;
      const std::int32_t top = next(h + 4) - 2, bottom = next(h + 4) - 2;
      ASSERT_TRUE(applyRectSelection(image, t.rt, l, top, r, bottom, mode)) << step;
      const bool onImage = std::max(l, r) >= 0 && std::min(l, r) < w &&
                           std::max(top, bottom) >= 0 && std::min(top, bottom) < h;
      Picture expected = loaded;
      for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
          const bool in = x >= std::min(l, r) && x <= std::max(l, r) &&
                          y >= std::min(top, bottom) && y <= std::max(top, bottom);
          std::vector<bool>::reference s = selected[y][x];  // updated in place
          if (onImage) s = mode == kSelectNew ? in : mode == kSelectAdd ? s || in
                         : mode == kSelectSubtract ? s && !in : s && in;
          if (!s) expected[y][x] = '.';
        }
      }
      ASSERT_EQ(bilevelPicture(image), expected) << "step " << step << " mode " << mode;
    }
    ASSERT_TRUE(SelectNone(image, t.rt));
    EXPECT_EQ(bilevelPicture(image), loaded);
    EXPECT_TRUE(t.ui.messages().empty());
    EXPECT_EQ(t.memory.used(), image.bitLayer.size() + image.backupLayer.size());  // no leaks
  }
}

TEST(RectSelection, BilevelFailuresShowTheirMessageAndLeaveTheSelectionAlone) {
  const Picture picture = {"#.#.#", ".#.#.", "#.#.#"};
  TestRuntime t;  // no backup anywhere: the loaded image could not be brought back
  RasterImage bare;
  ASSERT_TRUE(drawBilevel(bare, t.rt, picture));
  EXPECT_FALSE(applyRectSelection(bare, t.rt, 0, 0, 1, 1, kSelectNew));
  EXPECT_EQ(t.ui.messages(), Picture{std::string(msg::Text(msg::kNotEnoughMemoryRestart))});
  EXPECT_EQ(bilevelPicture(bare), picture);
  t.ui.clearMessages();
  RasterImage image;  // backup on disk, and no memory for add mode's row buffer
  ASSERT_TRUE(drawBilevel(image, t.rt, picture));
  t.memory.setLimit(t.memory.used());
  ASSERT_EQ(CompleteLoad(image, t.rt), kReadDone);
  ASSERT_TRUE(applyRectSelection(image, t.rt, 0, 0, 1, 2, kSelectNew));
  EXPECT_FALSE(applyRectSelection(image, t.rt, 2, 0, 4, 2, kSelectAdd));
  EXPECT_EQ(t.ui.messages(), Picture{std::string(msg::Text(msg::kInsufficientMemory))});
  EXPECT_EQ(bilevelPicture(image), (Picture{"#....", ".#...", "#...."}));
  platform::CloseFile(image.fileHandle);  // "memtemp" no longer holds the rows
  image.fileHandle = platform::CreateFile(t.scratchFolder + "empty");
  t.ui.clearMessages();
  EXPECT_FALSE(SelectNone(image, t.rt));
  EXPECT_EQ(t.ui.messages(), Picture{std::string(msg::Text(msg::kScratchDiskFull))});
}

}  // namespace
}  // namespace vl::image
