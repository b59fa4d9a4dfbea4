// The magic wand, Grow Selection and Select Similar against a plain breadth-first reference on
// random images (gray and RGB, every mode, several tolerances), the bilevel bookkeeping (loaded
// pixels inside the selection, Select None giving everything back), Select Inverse, and the
// failures and the stop.
#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

#include "base/message_table.h"
#include "image/pixel_selection.h"
#include "image/raster_image.h"
#include "tests/image/raster_test_support.h"

namespace vl::image {
namespace {

using namespace testing;
using Mask = std::vector<std::vector<bool>>;

Mask SelectionOf(const RasterImage& image) {
  Mask m(image.height, std::vector<bool>(image.width));
  for (std::int32_t y = 0; y < image.height; ++y)
    for (std::int32_t x = 0; x < image.width; ++x) m[y][x] = pixelAt(BitRow(image, y), x);
  return m;
}

void SetSelection(RasterImage& image, const Mask& m) {
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::memset(BitRow(image, y), 0, std::size_t(image.bitRowBytes));
    for (std::int32_t x = 0; x < image.width; ++x)
      if (m[y][x]) SetBitAt(BitRow(image, y), x);
  }
}

// A colour image of few distinct levels in blobs, so that regions are large and winding.
struct ColorPicture {
  std::int32_t width, height, samples;
  std::vector<std::uint8_t> px;
  const std::uint8_t* at(std::int32_t x, std::int32_t y) const {
    return px.data() + (std::size_t(y) * width + x) * samples;
  }
};

ColorPicture RandomPicture(std::uint32_t seed, std::int32_t w, std::int32_t h, int samples) {
  std::mt19937 rng(seed);
  ColorPicture p{w, h, samples, std::vector<std::uint8_t>(std::size_t(w) * h * samples)};
  std::uniform_int_distribution<int> noise(0, 6);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      // Blocks of 3 x 3 with a level each, plus a little noise per sample.
      const int base = (y / 3 * 7 + x / 3 * 13 + int(rng() % 5 == 0)) % 4 * 60;
      for (int c = 0; c < samples; ++c)
        p.px[(std::size_t(y) * w + x) * samples + c] = std::uint8_t(base + noise(rng));
    }
  return p;
}

bool LoadColor(RasterImage& image, TestRuntime& t, const ColorPicture& p) {
  image.bitsPerSample = 8;
  image.samplesPerPixel = std::int16_t(p.samples);
  image.fileRowBytes = p.width * p.samples;
  if (!setGeometry(image, p.width, p.height) || !allocateBitLayer(image, t.memory)) return false;
  if (!prepareColorLayer(image, t.rt)) return false;
  for (std::int32_t y = 0; y < p.height; ++y) {
    std::span<const std::uint8_t> row(p.at(0, y), std::size_t(p.width * p.samples));
    if (!storeColorRow(image, y, row)) return false;
  }
  return true;
}

// The reference: per-channel range of the sample, candidates within the tolerance, then a
// breadth-first 4-connected fill.
struct Reference {
  const ColorPicture& p;
  int tolerance;
  std::vector<int> low = std::vector<int>(4, 255), high = std::vector<int>(4, 0);
  void add(std::int32_t x, std::int32_t y) {
    for (int c = 0; c < p.samples; ++c) {
      low[c] = std::min<int>(low[c], p.at(x, y)[c]);
      high[c] = std::max<int>(high[c], p.at(x, y)[c]);
    }
  }
  bool candidate(std::int32_t x, std::int32_t y) const {
    int d = 0;
    for (int c = 0; c < p.samples; ++c) {
      const int v = p.at(x, y)[c];
      d += v < low[c] ? low[c] - v : v > high[c] ? v - high[c] : 0;
    }
    return d <= tolerance;
  }
  Mask fill(Mask region) const {
    std::deque<std::pair<int, int>> queue;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        if (region[y][x]) queue.push_back({x, y});
    while (!queue.empty()) {
      auto [x, y] = queue.front();
      queue.pop_front();
      for (auto [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
        if (nx < 0 || ny < 0 || nx >= p.width || ny >= p.height || region[ny][nx]) continue;
        if (!candidate(nx, ny)) continue;
        region[ny][nx] = true;
        queue.push_back({nx, ny});
      }
    }
    return region;
  }
};

Mask Combined(const Mask& old, const Mask& grown, int mode) {
  Mask out = old;
  for (std::size_t y = 0; y < old.size(); ++y)
    for (std::size_t x = 0; x < old[y].size(); ++x) {
      const bool a = old[y][x], b = grown[y][x];
      out[y][x] = mode == kSelectNew ? b : mode == kSelectAdd ? a || b
                  : mode == kSelectSubtract ? a && !b : a && b;
    }
  return out;
}

Mask RandomMask(std::uint32_t seed, int w, int h) {
  std::mt19937 rng(seed);
  Mask m(h, std::vector<bool>(w));
  const int x0 = int(rng() % w), y0 = int(rng() % h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m[y][x] = std::abs(x - x0) < 6 && std::abs(y - y0) < 4;
  return m;
}

TEST(MagicWand, ColorImagesMatchTheReferenceInEveryModeAndTolerance) {
  for (int samples : {1, 3}) {
    for (int tolerance : {0, 10, 40, 255}) {
      for (int mode : {kSelectNew, kSelectAdd, kSelectSubtract, kSelectIntersect}) {
        for (bool spread : {false, true}) {
          SCOPED_TRACE(::testing::Message() << samples << " samples, tolerance " << tolerance
                                            << ", mode " << mode << ", spread " << spread);
          TestRuntime t;
          RasterImage image;
          const ColorPicture p = RandomPicture(7u + samples + tolerance, 70, 23, samples);
          ASSERT_TRUE(LoadColor(image, t, p));
          const Mask old = RandomMask(mode * 31u + tolerance, 70, 23);
          SetSelection(image, old);
          const int x = 35, y = 11;
          const SelectionResult r = MagicWand(image, t.rt, x, y, mode, {tolerance, spread});
          if (mode == kSelectNew && old[y][x]) {
            EXPECT_EQ(r, SelectionResult::kUnchanged);
            EXPECT_EQ(SelectionOf(image), old);
            continue;
          }
          ASSERT_EQ(r, SelectionResult::kChanged);
          Reference ref{p, tolerance};
          for (int sy = y - spread; sy <= y + int(spread); ++sy)
            for (int sx = x - spread; sx <= x + int(spread); ++sx) ref.add(sx, sy);
          Mask seed(23, std::vector<bool>(70));
          seed[y][x] = true;
          EXPECT_EQ(SelectionOf(image), Combined(old, ref.fill(seed), mode));
          EXPECT_TRUE(image.pixelSelection);
        }
      }
    }
  }
}

TEST(MagicWand, ToleranceZeroSelectsExactlyTheConnectedPixelsOfTheSameColour) {
  TestRuntime t;
  RasterImage image;
  ColorPicture p{6, 3, 1, {9, 9, 8, 9, 9, 9,  //
                           9, 8, 9, 8, 8, 9,  //
                           9, 9, 9, 9, 8, 9}};
  ASSERT_TRUE(LoadColor(image, t, p));
  ASSERT_EQ(MagicWand(image, t.rt, 0, 0, kSelectNew, {0, false}), SelectionResult::kChanged);
  const Mask expected = {{1, 1, 0, 0, 0, 0}, {1, 0, 1, 0, 0, 0}, {1, 1, 1, 1, 0, 0}};
  Mask e(3, std::vector<bool>(6));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) e[y][x] = expected[y][x];
  EXPECT_EQ(SelectionOf(image), e);
  // Outside the image: nothing happens.
  EXPECT_EQ(MagicWand(image, t.rt, 6, 0, kSelectNew, {0, false}), SelectionResult::kUnchanged);
  EXPECT_EQ(MagicWand(image, t.rt, 0, -1, kSelectAdd, {0, false}), SelectionResult::kUnchanged);
}

TEST(GrowAndSimilar, MatchTheReferenceAndDoNothingWithoutASelection) {
  for (int samples : {1, 3}) {
    for (int tolerance : {0, 25, 90}) {
      SCOPED_TRACE(::testing::Message() << samples << " samples, tolerance " << tolerance);
      TestRuntime t;
      RasterImage image;
      const ColorPicture p = RandomPicture(99u + tolerance, 64, 20, samples);
      ASSERT_TRUE(LoadColor(image, t, p));
      EXPECT_EQ(GrowSelection(image, t.rt, {tolerance, false}), SelectionResult::kUnchanged);
      EXPECT_EQ(SelectSimilar(image, t.rt, {tolerance, false}), SelectionResult::kUnchanged);
      EXPECT_FALSE(image.pixelSelection);

      // A selection touching the left border: its border pixels there count as border.
      Mask old(20, std::vector<bool>(64));
      for (int y = 4; y < 12; ++y)
        for (int x = 0; x < 9; ++x) old[y][x] = true;
      Reference ref{p, tolerance};
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 64; ++x) {
          bool border = false;
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
              const int nx = x + dx, ny = y + dy;
              border = border || nx < 0 || ny < 0 || nx >= 64 || ny >= 20 || !old[ny][nx];
            }
          if (old[y][x] && border) ref.add(x, y);
        }
      SetSelection(image, old);
      ASSERT_EQ(GrowSelection(image, t.rt, {tolerance, false}), SelectionResult::kChanged);
      EXPECT_EQ(SelectionOf(image), ref.fill(old));

      SetSelection(image, old);
      ASSERT_EQ(SelectSimilar(image, t.rt, {tolerance, false}), SelectionResult::kChanged);
      Mask similar(20, std::vector<bool>(64));
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 64; ++x) similar[y][x] = ref.candidate(x, y);
      EXPECT_EQ(SelectionOf(image), similar);
    }
  }
}

// Bilevel: the selection is the loaded black pixels inside it; the backup keeps the image.
TEST(BilevelSelection, WandRegionsInverseAndSelectNoneKeepTheLoadedImage) {
  const std::vector<std::string> picture = {
      "##....###.",  //
      "##....#.#.",  //
      "..##..###.",  //
      "..##......",  //
  };
  for (bool onDisk : {false, true}) {
    SCOPED_TRACE(onDisk ? "memtemp" : "memory");
    TestRuntime t;
    RasterImage image;
    ASSERT_TRUE(drawBilevel(image, t.rt, picture));
    if (onDisk) t.memory.setLimit(t.memory.used());
    ASSERT_TRUE(CompleteLoad(image, t.rt).read());
    t.memory.setLimit(platform::MemoryBudget::kUnlimited);
    ASSERT_EQ(image.backupOnDisk, onDisk);

    // Shapes touching only at a corner are separate regions.
    ASSERT_EQ(MagicWand(image, t.rt, 0, 0, kSelectNew, {}), SelectionResult::kChanged);
    EXPECT_EQ(bilevelPicture(image), (std::vector<std::string>{
                                         "##........", "##........", "..........", ".........."}));
    // A click inside the selection in new mode does nothing; a click on white in subtract mode
    // leaves the selection; add joins the ring.
    EXPECT_EQ(MagicWand(image, t.rt, 1, 1, kSelectNew, {}), SelectionResult::kUnchanged);
    ASSERT_EQ(MagicWand(image, t.rt, 4, 0, kSelectSubtract, {}), SelectionResult::kChanged);
    EXPECT_EQ(bilevelPicture(image)[0], "##........");
    ASSERT_EQ(MagicWand(image, t.rt, 8, 2, kSelectAdd, {}), SelectionResult::kChanged);
    EXPECT_EQ(bilevelPicture(image), (std::vector<std::string>{
                                         "##....###.", "##....#.#.", "......###.", ".........."}));
    // Inverse: the other black pixels; twice: back.
    ASSERT_EQ(SelectInverse(image, t.rt), SelectionResult::kChanged);
    EXPECT_EQ(bilevelPicture(image), (std::vector<std::string>{
                                         "..........", "..........", "..##......", "..##......"}));
    ASSERT_EQ(SelectInverse(image, t.rt), SelectionResult::kChanged);
    EXPECT_EQ(bilevelPicture(image)[1], "##....#.#.");
    // Grow reaches nothing new (the regions are whole); Similar selects every black pixel.
    ASSERT_EQ(GrowSelection(image, t.rt, {}), SelectionResult::kChanged);
    EXPECT_EQ(bilevelPicture(image)[2], "......###.");
    ASSERT_EQ(SelectSimilar(image, t.rt, {}), SelectionResult::kChanged);
    EXPECT_EQ(bilevelPicture(image), picture);
    // A click on white in new mode empties the selection; Select None gives everything back.
    ASSERT_EQ(MagicWand(image, t.rt, 5, 0, kSelectNew, {}), SelectionResult::kChanged);
    EXPECT_TRUE(SelectionIsEmpty(image));
    EXPECT_TRUE(image.pixelSelection);
    ASSERT_TRUE(SelectNone(image, t.rt));
    EXPECT_EQ(bilevelPicture(image), picture);
    EXPECT_FALSE(image.pixelSelection);
    ASSERT_EQ(SelectAll(image, t.rt), SelectionResult::kChanged);
    EXPECT_EQ(bilevelPicture(image), picture);
    EXPECT_TRUE(t.ui.messages().empty());
  }
}

TEST(ColorSelection, InverseTwiceRestoresTheMaskAndKeepsThePaddingClear) {
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(LoadColor(image, t, RandomPicture(3, 37, 5, 3)));
  const Mask old = RandomMask(5, 37, 5);
  SetSelection(image, old);
  ASSERT_EQ(SelectInverse(image, t.rt), SelectionResult::kChanged);
  for (std::int32_t y = 0; y < 5; ++y) {
    for (std::int32_t x = 0; x < 37; ++x) EXPECT_NE(pixelAt(BitRow(image, y), x), old[y][x]);
    for (std::int32_t x = 37; x < image.paddedWidth; ++x) EXPECT_FALSE(pixelAt(BitRow(image, y), x));
  }
  ASSERT_EQ(SelectInverse(image, t.rt), SelectionResult::kChanged);
  EXPECT_EQ(SelectionOf(image), old);
}

TEST(SelectionFailures, NoMemoryLeavesTheSelectionAndAStopKeepsWhatWasGrown) {
  TestRuntime t;
  RasterImage image;
  // One colour everywhere: the wand's region is the whole image.
  ColorPicture p{300, 1000, 1, std::vector<std::uint8_t>(300 * 1000, 100)};
  ASSERT_TRUE(LoadColor(image, t, p));
  const Mask old = RandomMask(11, 300, 1000);
  SetSelection(image, old);
  t.memory.setLimit(t.memory.used() + 1000);
  EXPECT_EQ(MagicWand(image, t.rt, 1, 1, kSelectAdd, {}), SelectionResult::kFailed);
  EXPECT_EQ(GrowSelection(image, t.rt, {}), SelectionResult::kFailed);
  EXPECT_EQ(SelectionOf(image), old);
  EXPECT_EQ(t.ui.messages(),
            std::vector<std::string>(2, std::string(msg::Text(msg::kNotEnoughMemoryRestart))));
  t.memory.setLimit(platform::MemoryBudget::kUnlimited);

  // The user stops at the first look: the region is partial, combined as usual.
  t.ui.stopAtDrain = 1;
  EXPECT_EQ(MagicWand(image, t.rt, 150, 500, kSelectNew, {}), SelectionResult::kStopped);
  const Mask partial = SelectionOf(image);
  long selected = 0;
  for (const auto& row : partial) selected += std::count(row.begin(), row.end(), true);
  EXPECT_GT(selected, 0);
  EXPECT_LT(selected, 300 * 1000);
}

}  // namespace
}  // namespace vl::image
