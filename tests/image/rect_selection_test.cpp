// The rectangular selection's four modes on a colour mask and on a bilevel image (backup in
// memory and in "memtemp"), and Select None.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "app/message_table.h"
#include "image/raster_image.h"
#include "tests/image/raster_test_support.h"

namespace vl::image {
namespace {

using testing::bilevelPicture;
using testing::drawBilevel;
using testing::TestRuntime;

using Row = std::array<std::uint8_t, 8>;

// A gray image 40 pixels wide (8-byte mask rows) whose mask bytes over the pixels are `fill`.
void makeMask(RasterImage& image, TestRuntime& t, std::uint8_t fill) {
  image.bitsPerSample = 8;
  ASSERT_TRUE(setGeometry(image, 40, 4));
  ASSERT_TRUE(allocateBitLayer(image, t.memory));
  for (std::int32_t y = 0; y < 4; ++y) std::memset(bitRow(image, y), fill, 5);
}

Row maskRow(const RasterImage& image, std::int32_t y) {
  Row r;
  std::memcpy(r.data(), bitRow(image, y), 8);
  return r;
}

TEST(RectSelection, ColorMaskModesCombineEdgeBytesWithTheirMasks) {
  // Pixels 3..20 of rows 1..2: m1 = 0xFF >> 3 on byte 0, m2 = 0xFF << (7 - 4) on byte 2.
  const Row kept = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0, 0, 0};
  struct Case {
    int mode;
    Row inside, outside;
  };
  const Case cases[] = {
      {kSelectNew, {0x1F, 0xFF, 0xF8, 0, 0, 0, 0, 0}, {}},
      {kSelectAdd, {0xBF, 0xFF, 0xFA, 0xAA, 0xAA, 0, 0, 0}, kept},
      {kSelectSubtract, {0xA0, 0x00, 0x02, 0xAA, 0xAA, 0, 0, 0}, kept},
      {kSelectIntersect, {0x0A, 0xAA, 0xA8, 0, 0, 0, 0, 0}, {}},
  };
  for (const Case& c : cases) {
    TestRuntime t;
    RasterImage image;
    makeMask(image, t, 0xAA);
    ASSERT_TRUE(applyRectSelection(image, t.rt, 3, 1, 20, 2, c.mode));
    EXPECT_EQ(maskRow(image, 0), c.outside) << "mode " << c.mode;
    EXPECT_EQ(maskRow(image, 1), c.inside) << "mode " << c.mode;
    EXPECT_EQ(maskRow(image, 2), c.inside) << "mode " << c.mode;
    EXPECT_EQ(maskRow(image, 3), c.outside) << "mode " << c.mode;
    EXPECT_TRUE(t.ui.messages().empty());
  }
}

TEST(RectSelection, ColorMaskEdgesInOneByteClippingAndEmptyRectangles) {
  TestRuntime t;
  RasterImage image;
  makeMask(image, t, 0x00);
  // Both edges in byte 0: pixels 2..5 are 0x3C, not the second edge's mask alone.
  ASSERT_TRUE(applyRectSelection(image, t.rt, 2, 0, 5, 0, kSelectNew));
  EXPECT_EQ(maskRow(image, 0), (Row{0x3C, 0, 0, 0, 0, 0, 0, 0}));

  // Far beyond the image, dragged right to left: clipped to pixels 30..39, padding stays clear.
  const Row clipped = {0, 0, 0, 0x03, 0xFF, 0, 0, 0};
  ASSERT_TRUE(applyRectSelection(image, t.rt, 500, 200, 30, 2, kSelectNew));
  EXPECT_EQ(maskRow(image, 1), Row{});
  EXPECT_EQ(maskRow(image, 3), clipped);
  // Rectangles wholly off the image change nothing; an unknown mode is refused.
  ASSERT_TRUE(applyRectSelection(image, t.rt, 40, 0, 60, 3, kSelectIntersect));
  ASSERT_TRUE(applyRectSelection(image, t.rt, 0, -5, 39, -1, kSelectNew));
  EXPECT_FALSE(applyRectSelection(image, t.rt, 0, 0, 5, 5, 4));
  EXPECT_EQ(maskRow(image, 3), clipped);

  ASSERT_TRUE(selectNone(image, t.rt));
  EXPECT_EQ(maskRow(image, 3), Row{});
}

// Runs a fixed pseudo-random series of rectangle selections on a bilevel image and checks
// after each that the bit layer is loaded AND selected, the selection tracked as plain booleans.
void checkBilevelSeries(TestRuntime& t, RasterImage& image) {
  const std::int32_t w = image.width, h = image.height;
  std::vector<std::string> loaded = bilevelPicture(image);
  std::vector<std::vector<bool>> selected(h, std::vector<bool>(w, true));
  std::uint32_t seed = 12345;
  auto next = [&seed](std::int32_t n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<std::int32_t>((seed >> 16) % static_cast<std::uint32_t>(n));
  };
  for (int step = 0; step < 60; ++step) {
    const int mode = next(4);
    const std::int32_t l = next(w + 6) - 3, r = next(w + 6) - 3;
    const std::int32_t tp = next(h + 4) - 2, b = next(h + 4) - 2;
    ASSERT_TRUE(applyRectSelection(image, t.rt, l, tp, r, b, mode)) << "step " << step;
    const std::int32_t left = std::max(std::min(l, r), 0), right = std::min(std::max(l, r), w - 1);
    const std::int32_t top = std::max(std::min(tp, b), 0),
                       bottom = std::min(std::max(tp, b), h - 1);
    const bool onImage = left <= right && top <= bottom;  // else nothing changes
    for (std::int32_t y = 0; y < h && onImage; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        bool in = x >= left && x <= right && y >= top && y <= bottom;
        std::vector<bool>::reference s = selected[y][x];
        switch (mode) {
          case kSelectNew: s = in; break;
          case kSelectAdd: s = s || in; break;
          case kSelectSubtract: s = s && !in; break;
          case kSelectIntersect: s = s && in; break;
        }
      }
    }
    std::vector<std::string> expected = loaded;
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        if (!selected[y][x]) expected[y][x] = '.';
      }
    }
    ASSERT_EQ(bilevelPicture(image), expected) << "step " << step << " mode " << mode;
  }
  ASSERT_TRUE(selectNone(image, t.rt));
  EXPECT_EQ(bilevelPicture(image), loaded);
  EXPECT_TRUE(t.ui.messages().empty());
}

std::vector<std::string> speckledPicture(std::int32_t width, std::int32_t height) {
  std::vector<std::string> rows;
  for (std::int32_t y = 0; y < height; ++y) {
    std::string row;
    for (std::int32_t x = 0; x < width; ++x) row += (x * 7 + y * 13 + x * y) % 3 != 0 ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

TEST(RectSelection, BilevelSeriesWithTheBackupInMemoryAndInMemtemp) {
  for (bool onDisk : {false, true}) {
    TestRuntime t;
    RasterImage image;
    ASSERT_TRUE(drawBilevel(image, t.rt, speckledPicture(45, 7)));
    if (onDisk) t.memory.setLimit(t.memory.used());
    ASSERT_TRUE(completeLoad(image, t.rt));
    ASSERT_EQ(image.backupOnDisk, onDisk);
    t.memory.setLimit(platform::MemoryBudget::kUnlimited);
    checkBilevelSeries(t, image);
    EXPECT_EQ(t.memory.used(), image.bitLayer.size() + image.backupLayer.size());  // no leaks
  }
}

TEST(RectSelection, BilevelFailuresShowTheirMessageAndLeaveTheSelectionAlone) {
  const std::vector<std::string> picture = {"#.#.#", ".#.#.", "#.#.#"};
  TestRuntime t;  // no backup anywhere: the loaded image could not be brought back
  RasterImage bare;
  ASSERT_TRUE(drawBilevel(bare, t.rt, picture));
  EXPECT_FALSE(applyRectSelection(bare, t.rt, 0, 0, 1, 1, kSelectNew));
  EXPECT_EQ(t.ui.messages(),
            std::vector<std::string>{std::string(msg::Text(msg::kNotEnoughMemoryRestart))});
  EXPECT_EQ(bilevelPicture(bare), picture);

  TestRuntime u;  // backup on disk, and no memory for add mode's row buffer
  RasterImage image;
  ASSERT_TRUE(drawBilevel(image, u.rt, picture));
  u.memory.setLimit(u.memory.used());
  ASSERT_TRUE(completeLoad(image, u.rt));
  ASSERT_TRUE(applyRectSelection(image, u.rt, 0, 0, 1, 2, kSelectNew));
  const std::vector<std::string> selected = {"#....", ".#...", "#...."};
  EXPECT_FALSE(applyRectSelection(image, u.rt, 2, 0, 4, 2, kSelectAdd));
  EXPECT_EQ(u.ui.messages(),
            std::vector<std::string>{std::string(msg::Text(msg::kInsufficientMemory))});
  EXPECT_EQ(bilevelPicture(image), selected);

  // "memtemp" that no longer holds the rows: the failed read is reported.
  platform::CloseFile(image.fileHandle);
  image.fileHandle = platform::CreateFile(u.scratchFolder + "empty");
  u.ui.clearMessages();
  EXPECT_FALSE(selectNone(image, u.rt));
  EXPECT_EQ(u.ui.messages(),
            std::vector<std::string>{std::string(msg::Text(msg::kScratchDiskFull))});
}

}  // namespace
}  // namespace vl::image
