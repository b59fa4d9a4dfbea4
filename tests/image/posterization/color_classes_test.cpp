// Colour classes and the boundary map: the invariants of the classes on many-coloured RGB and
// CMYK images at every Complexity, the gray bands, the degenerate images (one colour, too few
// samples, a selection), and the map's lines, frame, reduction and noise clean-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "image/color_classes.h"
#include "image/levels.h"
#include "tests/image/raster_test_support.h"

namespace vl::image {
namespace {

using namespace testing;
using Bytes = std::vector<std::uint8_t>;
using PixelFn = std::function<void(int x, int y, std::uint8_t* px)>;

void Load(RasterImage& image, TestRuntime& t, int width, int height, int spp, const PixelFn& f) {
  Bytes px(std::size_t(width) * height * spp);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) f(x, y, px.data() + (std::size_t(y) * width + x) * spp);
  LoadHeldImage(image, t, width, height, spp, px);
}

int Distance(int a, int b) {
  return std::abs(a % 6 - b % 6) + std::abs(a / 6 % 6 - b / 6 % 6) + std::abs(a / 36 - b / 36);
}

PixelFn Landscape(int spp) {
  return [spp](int x, int y, std::uint8_t* px) {
    const int v[4] = {(x * 7 + y) % 256, (y * 5) % 256, (x * y / 3) % 256, (x + y) % 97};
    for (int c = 0; c < spp; ++c) px[c] = std::uint8_t(v[c]);
  };
}

TEST(ColorClasses, CubeCoordinatesFollowTheBands) {
  const std::pair<int, int> rows[] = {{0, 0}, {25, 0}, {26, 1}, {76, 1}, {77, 2}, {127, 2},
                                      {128, 3}, {178, 3}, {179, 4}, {229, 4}, {230, 5}, {255, 5}};
  for (const auto& [v, coordinate] : rows) EXPECT_EQ(CubeCoordinate(v), coordinate) << v;
  EXPECT_EQ(CubeCell(255, 255, 255), 215);
  const std::uint8_t noInk[4] = {0, 0, 0, 0}, allBlack[4] = {0, 0, 0, 255}, cyan[4] = {255, 0, 0, 0};
  EXPECT_EQ(PixelCell(noInk, 4), 215);
  EXPECT_EQ(PixelCell(allBlack, 4), 0);
  EXPECT_EQ(PixelCell(cyan, 4), CubeCell(0, 224, 255));  // green tempered by an eighth
}

// Every cell belongs to exactly one class, whose representative is counted, maps to itself
// and is the nearest counted cell (the lower index on a tie); no more classes than the
// Complexity allows; the dominant class is the most counted one and gives the background.
TEST(ColorClasses, ClassesKeepTheirInvariantsAtEveryComplexity) {
  TestRuntime t;
  for (int spp : {3, 4})
    for (int width : {300, 1000}) {
      RasterImage image;
      Load(image, t, width, 700, spp, Landscape(spp));
      for (int complexity = 2; complexity <= 20; ++complexity) {
        SCOPED_TRACE(std::to_string(spp) + " " + std::to_string(width) + " complexity " + std::to_string(complexity));
        ColorClasses c;
        ASSERT_EQ(BuildColorClasses(image, t.rt, LevelCount(complexity), c), ClassesResult::kDone);
        const std::vector<int> reps = Representatives(c, spp);
        ASSERT_FALSE(reps.empty());
        EXPECT_LE(int(reps.size()), LevelCount(complexity));
        long samples = 0;
        for (int cell = 0; cell < kCubeCells; ++cell) samples += c.cellCount[cell];
        EXPECT_LE(samples, 257L * 257L);  // a subsample, whatever the image's size
        for (int r : reps) {
          EXPECT_EQ(c.classMap[r], r);
          EXPECT_GE(c.cellCount[r], c.countThreshold);
        }
        for (int cell = 0; cell < kCubeCells; ++cell) {
          const int mine = c.classMap[cell];
          for (int r : reps) {
            const int d = Distance(cell, r), dm = Distance(cell, mine);
            ASSERT_TRUE(d > dm || (d == dm && r >= mine)) << cell << " -> " << mine << " not " << r;
          }
        }
        for (int r : reps) {
          EXPECT_TRUE(c.cellCount[r] < c.cellCount[c.dominantCell] ||
                      (c.cellCount[r] == c.cellCount[c.dominantCell] && r <= c.dominantCell));
        }
        const auto& sum = c.cellSum[c.dominantCell];
        const std::uint32_t n = c.cellCount[c.dominantCell];
        if (spp == 3) {
          EXPECT_EQ(c.backgroundColor & 0xFF, 255 - sum[0] / n);
          EXPECT_EQ(c.backgroundColor >> 24, 0u);
        } else {
          EXPECT_EQ(c.backgroundColor >> 24, sum[3] / n);
        }
      }
      releaseImage(image, t.rt);
    }
}

TEST(ColorClasses, GrayBandsTakeTheirMiddle) {
  ColorClasses c;
  BuildGrayClasses(LevelCount(4), false, c);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(c.classMap[i], 32 + 64 * (i / 64)) << i;
  BuildGrayClasses(LevelCount(20), false, c);
  EXPECT_EQ(Representatives(c, 1).size(), 64u);  // not 256
  BuildGrayClasses(LevelCount(2), true, c);
  EXPECT_EQ(c.classMap[255], 255);  // outside a selection reads white and stays white
  EXPECT_EQ(c.classMap[254], 192);
  EXPECT_EQ(c.backgroundColor, 0u);  // the middle of two levels is 255: no ink
}

TEST(ColorClasses, DegenerateImagesStillGiveClasses) {
  TestRuntime t;
  struct Row {
    const char* name;
    int width, height;
    PixelFn f;
  };
  const Row rows[] = {
      {"one colour", 200, 150, [](int, int, std::uint8_t* p) { p[0] = 200; p[1] = 30; p[2] = 90; }},
      {"one pixel", 1, 1, [](int, int, std::uint8_t* p) { p[0] = p[1] = p[2] = 7; }},
      {"a 32767-pixel row", 32767, 1,
       [](int x, int, std::uint8_t* p) { p[0] = p[1] = p[2] = x < 100 ? 0 : 255; }},
      // 16 colours, one sample each: no cell reaches 20, the threshold comes down to 1.
      {"too few samples", 4, 4,
       [](int x, int y, std::uint8_t* p) { p[0] = std::uint8_t(x * 60); p[1] = std::uint8_t(y * 60); p[2] = 128; }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    RasterImage image;
    Load(image, t, r.width, r.height, 3, r.f);
    ColorClasses c;
    ASSERT_EQ(BuildColorClasses(image, t.rt, LevelCount(10), c), ClassesResult::kDone);
    const std::vector<int> reps = Representatives(c, 3);
    ASSERT_FALSE(reps.empty());
    if (std::string(r.name) == "too few samples") {
      EXPECT_EQ(c.countThreshold, 1);
    }
    if (std::string(r.name).starts_with("one")) {
      EXPECT_EQ(reps.size(), 1u);
      BoundaryMap m;
      ASSERT_EQ(DrawBoundaryMap(image, t.rt, c, {0, false}, m), BoundaryResult::kDone);
      EXPECT_EQ(m.width, 2 * r.width);
      EXPECT_EQ(m.height, 2 * r.height);
      for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
          ASSERT_EQ(m.at(x, y), y == 0 || y == m.height - 1 || x == 0 || x == m.width - 1) << x << "," << y;
    }
    releaseImage(image, t.rt);
  }
}

// Two classes side by side: one vertical line at the even column of their border, from the
// top frame to the bottom one; stacked: one horizontal line on the even row. Nothing else.
TEST(BoundaryMap, ClassBordersAreOneBitLinesJoinedToTheFrame) {
  TestRuntime t;
  for (int spp : {1, 3, 4})
    for (bool vertical : {true, false}) {
      SCOPED_TRACE(std::to_string(spp) + (vertical ? " vertical" : " horizontal"));
      const int w = 33, h = 20, border = vertical ? 13 : 7;
      RasterImage image;
      Load(image, t, w, h, spp, [&](int x, int y, std::uint8_t* p) {
        const bool dark = (vertical ? x : y) < border;
        for (int c = 0; c < spp; ++c) p[c] = spp == 4 ? (dark ? 220 : 0) : (dark ? 10 : 240);
      });
      ColorClasses c;
      ASSERT_EQ(BuildColorClasses(image, t.rt, LevelCount(6), c), ClassesResult::kDone);
      BoundaryMap m;
      ASSERT_EQ(DrawBoundaryMap(image, t.rt, c, {0, false}, m), BoundaryResult::kDone);
      for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
          const bool frame = y == 0 || y == m.height - 1 || x == 0 || x == m.width - 1;
          const bool line = vertical ? x == 2 * border : y == 2 * border;
          ASSERT_EQ(m.at(x, y), frame || line) << x << "," << y;
        }
      releaseImage(image, t.rt);
    }
}

// Reducing detail turns uniform 2 x 2 blocks into their pixel: the map equals the plain map
// of the half-size image. An odd side repeats its last pixel or row.
TEST(BoundaryMap, ReducedDetailIsTheMapOfTheHalvedImage) {
  TestRuntime t;
  auto blocks = [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t((x / 3) * 40);
    p[1] = std::uint8_t(((x + y) / 4) * 30);
    p[2] = std::uint8_t((y / 2) * 50);
  };
  for (int w : {24, 25}) {
    SCOPED_TRACE(w);
    RasterImage full, half;
    Load(full, t, w, 18, 3, [&](int x, int y, std::uint8_t* p) { blocks(x / 2, y / 2, p); });
    Load(half, t, (w + 1) / 2, 9, 3, blocks);
    ColorClasses c;
    ASSERT_EQ(BuildColorClasses(full, t.rt, LevelCount(12), c), ClassesResult::kDone);
    BoundaryMap reduced, plain;
    ASSERT_EQ(DrawBoundaryMap(full, t.rt, c, {0, true}, reduced), BoundaryResult::kDone);
    ASSERT_EQ(DrawBoundaryMap(half, t.rt, c, {0, false}, plain), BoundaryResult::kDone);
    EXPECT_EQ(reduced.width, 2 * ((w + 1) / 2));
    EXPECT_EQ(reduced.bits, plain.bits);
    EXPECT_GT(std::count_if(plain.bits.begin(), plain.bits.end(), [](std::uint8_t b) { return b != 0; }), 40);
    releaseImage(full, t.rt);
    releaseImage(half, t.rt);
  }
}

// Medium: a lone pixel of another class, closed at its four corners, becomes solid boundary;
// maximum: every line two bits wide; both keep every bit of the plain map; solid
// 32 x 32 blocks get a 2 x 2 hole.
TEST(BoundaryMap, NoiseReductionFillsClosedCellsWidensLinesAndPunchesHoles) {
  TestRuntime t;
  RasterImage image;
  Load(image, t, 40, 30, 3, [](int x, int y, std::uint8_t* p) {
    const bool speck = x == 30 && y == 20;
    const bool checker = x < 20 && y < 20 && (x + y) % 2 == 0;
    p[0] = p[1] = p[2] = speck || checker ? 0 : 255;
  });
  ColorClasses c;
  ASSERT_EQ(BuildColorClasses(image, t.rt, LevelCount(4), c), ClassesResult::kDone);
  BoundaryMap plain, medium, maximum;
  ASSERT_EQ(DrawBoundaryMap(image, t.rt, c, {0, false}, plain), BoundaryResult::kDone);
  ASSERT_EQ(DrawBoundaryMap(image, t.rt, c, {1, false}, medium), BoundaryResult::kDone);
  ASSERT_EQ(DrawBoundaryMap(image, t.rt, c, {2, false}, maximum), BoundaryResult::kDone);
  // The speck's cell spans bits 60..62 of rows 40..42 (corners at the even places).
  EXPECT_FALSE(plain.at(61, 41));
  for (int y = 40; y <= 42; ++y)
    for (int x = 60; x <= 62; ++x) EXPECT_TRUE(medium.at(x, y)) << x << "," << y;
  for (int y = 0; y < plain.height; ++y)
    for (int x = 0; x < plain.width; ++x) {
      const bool hole = (x == 15 || x == 16) && (y == 15 || y == 16);
      if (plain.at(x, y) && !hole) {
        ASSERT_TRUE(medium.at(x, y)) << x << "," << y;
        ASSERT_TRUE(maximum.at(x, y)) << x << "," << y;
      }
      // A vertical line at an even column gains the column to its right (outside the solid
      // block, whose hole is checked below).
      const bool verticalLine = (x >= 32 || y >= 32) && x % 2 == 0 && y % 2 == 1 && y + 1 < plain.height &&
                                x + 1 < plain.width && plain.at(x, y - 1) && plain.at(x, y + 1);
      if (verticalLine) {
        ASSERT_TRUE(maximum.at(x + 1, y) && maximum.at(x + 1, y - 1)) << x << "," << y;
      }
    }
  // The checkerboard's map is solid in the first block, but for the hole.
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const bool hole = (x == 15 || x == 16) && (y == 15 || y == 16);
      ASSERT_EQ(medium.at(x, y), !hole) << x << "," << y;
    }
  releaseImage(image, t.rt);
}

// A stop during either pass: nothing is handed on, the image is as it was.
TEST(ColorClasses, StopDuringEitherPassLeavesTheImage) {
  for (int stopAt : {1, 2, 5}) {
    TestRuntime t;
    RasterImage image;
    Load(image, t, 120, 90, 3, Landscape(3));
    const Bytes before(image.colorLayer.data(), image.colorLayer.data() + image.colorLayer.size());
    ColorClasses c;
    ASSERT_EQ(BuildColorClasses(image, t.rt, LevelCount(8), c), ClassesResult::kDone);
    t.ui.stopAtDrain = t.ui.drains() + stopAt;
    ColorClasses stopped;
    EXPECT_EQ(BuildColorClasses(image, t.rt, LevelCount(8), stopped), ClassesResult::kStopped);
    EXPECT_EQ(Representatives(stopped, 3).size(), 1u);  // untouched: the empty record
    t.state.abortRequested = 0;
    t.ui.stopAtDrain = t.ui.drains() + stopAt;
    BoundaryMap m;
    EXPECT_EQ(DrawBoundaryMap(image, t.rt, c, {1, false}, m), BoundaryResult::kStopped);
    EXPECT_TRUE(m.bits.empty());
    EXPECT_EQ(Bytes(image.colorLayer.data(), image.colorLayer.data() + image.colorLayer.size()), before);
    releaseImage(image, t.rt);
  }
}

}  // namespace
}  // namespace vl::image
