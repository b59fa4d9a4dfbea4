// Whole passes over an image: every boundary found in raster order, each a closed walk over
// ink, the mask left clean after every RestoreShapeArea, and nothing left at the end, for
// random pictures and for every 4 x 4 picture.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/engine/edges/edge_fixture.h"

namespace vl::engine {
namespace {

using test::EdgeFixture;

std::vector<std::uint8_t> Snapshot(const image::RasterImage& img) {
  const std::uint8_t* first = image::bitRow(img, 0);
  return std::vector<std::uint8_t>(first, first + img.bitLayerBytes);
}

bool InkIn(const std::vector<std::uint8_t>& plane, const image::RasterImage& img, int x, int y) {
  if (x < 0 || y < 0 || x >= img.paddedWidth || y >= img.height) return false;
  return BitAt(plane.data() + std::size_t(y) * std::size_t(img.bitRowBytes), x) != 0;
}

// Extracts every boundary of the picture in f, checking each against the plane it came from.
// Returns the number of boundaries; fails the test on a runaway pass.
int CheckWholePass(EdgeFixture& f) {
  const image::RasterImage& img = f.image;
  const int limit = 2 * img.paddedWidth * img.height + 1;
  InitBoundaryScan(f.t());
  int boundaries = 0;
  for (;; ++boundaries) {
    if (boundaries > limit) {
      ADD_FAILURE() << "the pass does not end";
      return boundaries;
    }
    const std::vector<std::uint8_t> before = Snapshot(img);
    const int n = ExtractNextBoundary(f.t());
    if (n == 0) break;
    const test::ChainRecord r = f.record();

    // The start is the first ink pixel in raster order: nothing ever appears behind the scan.
    int firstX = -1, firstY = -1;
    for (int y = 0; y < img.height && firstY < 0; ++y)
      for (int x = 0; x < img.paddedWidth; ++x)
        if (InkIn(before, img, x, y)) {
          firstX = x;
          firstY = y;
          break;
        }
    EXPECT_EQ(r.x, firstX);
    EXPECT_EQ(r.y, firstY);
    EXPECT_EQ(n, int(4 + std::max<std::size_t>(r.codes.size(), 1) + 1));

    // A closed walk over ink pixels inside the box.
    int x = r.x, y = r.y;
    for (std::uint8_t c : r.codes) {
      EXPECT_LT(c, 8);
      x += kChainDx[c];
      y += kChainDy[c];
      EXPECT_TRUE(InkIn(before, img, x, y)) << x << "," << y;
      EXPECT_TRUE(x >= f.t().box.minX && x <= f.t().box.maxX && y >= f.t().box.minY &&
                  y <= f.t().box.maxY);
    }
    EXPECT_EQ(x, r.x);
    EXPECT_EQ(y, r.y);

    RestoreShapeArea(f.t());
    if (!f.spareEmpty()) {
      ADD_FAILURE() << "mask bits outside the widened box";
      return boundaries;
    }
    if (::testing::Test::HasFailure()) return boundaries;
  }
  return boundaries;
}

TEST(EdgeExtraction, RandomPicturesAreConsumedCompletely) {
  std::mt19937 rng(2024);
  struct Size {
    int w, h;
  };
  for (Size s : {Size{37, 23}, Size{64, 40}, Size{95, 61}}) {
    for (int percent : {15, 50, 85}) {
      SCOPED_TRACE(::testing::Message() << s.w << "x" << s.h << " at " << percent << "%");
      EdgeFixture f;
      f.build(s.w, s.h);
      for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x)
          if (int(rng() % 100) < percent) SetBitAt(image::bitRow(f.image, y), x);
      EXPECT_GT(CheckWholePass(f), 0);
      EXPECT_TRUE(f.sourceEmpty());
      ASSERT_FALSE(::testing::Test::HasFailure());
    }
  }
}

TEST(EdgeExtraction, EveryFourByFourPictureIsConsumedCompletely) {
  EdgeFixture f;
  f.build(4, 4);
  for (unsigned pattern = 0; pattern < (1u << 16); ++pattern) {
    std::memset(image::bitRow(f.image, 0), 0, std::size_t(f.image.bitLayerBytes));
    for (int bit = 0; bit < 16; ++bit)
      if (pattern & (1u << bit)) SetBitAt(image::bitRow(f.image, bit / 4), bit % 4);
    CheckWholePass(f);
    ASSERT_TRUE(f.sourceEmpty()) << "pattern " << pattern;
    ASSERT_FALSE(::testing::Test::HasFailure()) << "pattern " << pattern;
  }
}

}  // namespace
}  // namespace vl::engine
