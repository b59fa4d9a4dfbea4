// Levels: the tone table against numpy, the middle slider, the histogram of every image mode,
// and the colour layer mapped with and without a selection.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/levels.h"
#include "image/posterization.h"
#include "tests/image/raster_test_support.h"

namespace vl::image {
namespace {

using namespace testing;
using Bytes = std::vector<std::uint8_t>;

Bytes Layer(const RasterImage& image) {
  return Bytes(image.colorLayer.data(),
               image.colorLayer.data() + std::size_t(image.colorRowBytes) * image.height);
}

// Every sample value once per channel, in a 16 x 16 image.
Bytes AllValues(int spp) {
  Bytes px;
  for (int v = 0; v < 256; ++v)
    for (int c = 0; c < spp; ++c) px.push_back(std::uint8_t((v + 85 * c) & 0xFF));
  return px;
}

TEST(Levels, ToneTableMatchesNumpy) {
  const LevelsValues values[] = {{0, 1.0, 255}, {100, 1.0, 102}, {0, 2.0, 255}, {30, 0.45, 200},
                                 {253, 9.99, 255}, {0, 0.10, 2}, {12, 1.37, 243}};
  std::ostringstream program;
  program << "import numpy as np\n"
          << "for b, g, w in [";
  for (const LevelsValues& v : values) program << "(" << v.black << "," << v.gamma << "," << v.white << "),";
  program << "]:\n"
          << "    i = np.arange(256)\n"
          << "    t = np.clip((i - b) / (w - b), 0, 1)\n"
          << "    out = np.where(i < b, 0, np.where(i >= w, 255, np.trunc(255 * t ** (1 / g))))\n"
          << "    print(' '.join(str(int(x)) for x in out))\n";
  char dir[] = "/tmp/vl-levels-XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  const std::string script = std::string(dir) + "/tone.py", out = std::string(dir) + "/tone.txt";
  std::ofstream(script) << program.str();
  ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " > " + out).c_str()), 0);
  std::ifstream in(out);
  for (const LevelsValues& v : values) {
    SCOPED_TRACE(std::to_string(v.black) + "," + std::to_string(v.gamma) + "," + std::to_string(v.white));
    ToneTable table{};
    buildToneTable(v, table);
    for (int i = 0; i < 256; ++i) {
      int expected = -1;
      in >> expected;
      // pow() may differ in the last place where 255 t^(1/g) is a whole number.
      EXPECT_NEAR(table[i], expected, i == v.black || i == v.white ? 0 : 1) << i;
    }
    EXPECT_EQ(IsIdentityTable(table), IsIdentityLevels(v));
  }
  std::remove(script.c_str());
  std::remove(out.c_str());
  std::remove(dir);
  // The Part's own examples: two entries from 0 to 255, and the middle raised by gamma 2.
  ToneTable t{};
  buildToneTable({100, 1.0, 102}, t);
  EXPECT_EQ(t[99], 0);
  EXPECT_EQ(t[100], 0);
  EXPECT_EQ(t[101], 127);
  EXPECT_EQ(t[102], 255);
  buildToneTable({0, 2.0, 255}, t);
  EXPECT_NEAR(t[128], 180, 1);
}

TEST(Levels, MiddleSliderFollowsGammaWithinTheEnds) {
  struct Row {
    LevelsValues v;
    int mid;
  };
  const Row rows[] = {
      {{0, 1.0, 255}, 128},  {{100, 1.0, 102}, 101}, {{0, 9.99, 255}, 1},
      {{0, 0.10, 255}, 254}, {{20, 1.0, 220}, 120},  {{0, 3.16, 255}, 64},
  };
  for (const Row& r : rows) EXPECT_EQ(LevelsMid(r.v), r.mid) << r.v.black << " " << r.v.gamma << " " << r.v.white;
}

// Gray counts its samples, RGB all three, CMYK the darkness 255 - ink of all four; with a
// selection only the selected pixels count.
TEST(Levels, HistogramCountsEveryModeAndOnlyTheSelection) {
  TestRuntime t;
  for (int spp : {1, 3, 4}) {
    SCOPED_TRACE(spp);
    RasterImage image;
    LoadHeldImage(image, t, 16, 16, spp, AllValues(spp));
    const Histogram h = BuildHistogram(image);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(h.counts[v], spp == 1 ? 1u : std::uint32_t(spp == 3 ? 3 : 4)) << v;
    EXPECT_GE(h.scale, 1u);
    ASSERT_TRUE(applyRectSelection(image, t.rt, 0, 0, 15, 1, kSelectNew));  // values 0..31
    ASSERT_TRUE(CaptureSelection(image, t.memory));
    const Histogram selected = BuildHistogram(image);
    std::uint64_t total = 0;
    for (std::uint32_t c : selected.counts) total += c;
    EXPECT_EQ(total, 32u * (spp == 1 ? 1 : spp));
    if (spp == 1) {
      EXPECT_EQ(selected.counts[31], 1u);
      EXPECT_EQ(selected.counts[32], 0u);
    }
    releaseImage(image, t.rt);
  }
}

TEST(Levels, ApplyingMapsTheColourLayerAndResetsTheTable) {
  TestRuntime t;
  const LevelsValues darken{40, 0.6, 230};
  ToneTable table{};
  buildToneTable(darken, table);
  for (int spp : {1, 3, 4}) {
    for (bool selection : {false, true}) {
      SCOPED_TRACE(std::to_string(spp) + (selection ? " selection" : ""));
      RasterImage image;
      const Bytes before = AllValues(spp);
      LoadHeldImage(image, t, 16, 16, spp, before);
      if (selection) {
        ASSERT_TRUE(applyRectSelection(image, t.rt, 4, 4, 11, 11, kSelectNew));
        ASSERT_TRUE(CaptureSelection(image, t.memory));
      }
      EXPECT_EQ(applyLevels(image, {0, 1.0, 255}), LevelsResult::kNothingToDo);
      EXPECT_EQ(Layer(image), before);
      ASSERT_EQ(applyLevels(image, darken), LevelsResult::kApplied);
      EXPECT_TRUE(IsIdentityTable(image.toneTable));
      const Bytes after = Layer(image);
      for (int p = 0; p < 256; ++p) {
        const int x = p % 16, y = p / 16;
        const bool inside = !selection || (x >= 4 && x <= 11 && y >= 4 && y <= 11);
        for (int c = 0; c < spp; ++c) {
          const std::size_t i = std::size_t(p) * spp + c;
          if (!inside) {
            ASSERT_EQ(after[i], before[i]) << p;
          } else if (spp != 4) {
            ASSERT_EQ(after[i], table[before[i]]) << p;
          }
        }
        if (spp == 4 && inside) {
          // Gamma below 1 darkens: no ink comes out lighter as a whole.
          const std::size_t i = std::size_t(p) * 4;
          int inkBefore = 0, inkAfter = 0;
          for (int c = 0; c < 3; ++c) {
            inkBefore += std::min(255, before[i + c] + before[i + 3]);
            inkAfter += std::min(255, after[i + c] + after[i + 3]);
          }
          EXPECT_GE(inkAfter + 24, inkBefore) << p;
        }
      }
      releaseImage(image, t.rt);
    }
  }
  RasterImage bilevel;
  EXPECT_EQ(applyLevels(bilevel, darken), LevelsResult::kNothingToDo);
}

}  // namespace
}  // namespace vl::image
