// The black and white conversion against numpy computing the same rules on the same pixels
// (threshold and contrast, every noise filter, gray, RGB and CMYK, odd and degenerate sizes),
// the sample ranges of sub-byte and 16-bit sources, the selection, and a stop mid-pass.
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

std::string Oracle() { return std::string(VL_SOURCE_DIR) + "/tests/image/posterization/bw_oracle.py"; }

// Smooth shapes with some grain, so that thresholds cut through and edges have contrast.
Bytes Pixels(int width, int height, int spp, unsigned seed) {
  Bytes out;
  unsigned state = seed * 2654435761u + 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < spp; ++c) {
        state = state * 1103515245u + 12345u;
        const int grain = int(state >> 16) % 41 - 20;
        const bool disc = (x - width / 3) * (x - width / 3) + (y - height / 2) * (y - height / 2) <
                          (height * height) / 6;
        const int base = disc ? 40 + 30 * c : (x * 255) / std::max(1, width - 1);
        out.push_back(std::uint8_t(std::clamp(base + grain, 0, 255)));
      }
  return out;
}

Bytes BitsOf(const RasterImage& image) {
  Bytes out;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) out.push_back(pixelAt(BitRow(image, y), x));
  return out;
}

bool PaddingClear(const RasterImage& image) {
  for (int y = 0; y < image.height; ++y)
    for (int x = image.width; x < image.paddedWidth; ++x)
      if (pixelAt(BitRow(image, y), x)) return false;
  return true;
}

struct Case {
  int width, height, spp;
  BlackAndWhiteOptions o;
  std::string name() const {
    std::ostringstream s;
    s << width << "x" << height << "x" << spp << (o.contrastMode ? " contrast " : " threshold ")
      << (o.contrastMode ? o.contrastPercent : o.thresholdPercent) << " noise " << o.noiseReduction
      << (o.boost ? " boost " + std::to_string(o.boostPercent) : "") << (o.reversed ? " reversed" : "");
    return s.str();
  }
};

std::vector<Case> Cases() {
  std::vector<Case> cases;
  const int sizes[][2] = {{37, 23}, {1, 1}, {2, 1}, {1, 5}, {33, 2}};
  for (const auto& size : sizes)
    for (int spp : {1, 3, 4})
      for (int noise : {0, 1, 2}) {
        for (int pct : {0, 27, 50, 100})
          for (bool reversed : {false, true}) {
            BlackAndWhiteOptions o;
            o.thresholdPercent = pct;
            o.noiseReduction = noise;
            o.reversed = reversed;
            cases.push_back({size[0], size[1], spp, o});
          }
        for (int pct : {0, 10, 35})
          for (int boost : {-1, 0, 50, 100}) {
            BlackAndWhiteOptions o;
            o.contrastMode = true;
            o.contrastPercent = pct;
            o.boost = boost >= 0;
            o.boostPercent = std::max(boost, 0);
            o.noiseReduction = noise;
            cases.push_back({size[0], size[1], spp, o});
          }
      }
  return cases;
}

TEST(BlackAndWhite, EveryRuleMatchesNumpyOnTheSamePixels) {
  TestRuntime t;
  const std::vector<Case> cases = Cases();
  std::ostringstream script;
  std::vector<Bytes> pixels;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    pixels.push_back(Pixels(c.width, c.height, c.spp, unsigned(i % 7)));
    const std::string raw = t.scratchFolder + "px" + std::to_string(i);
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(pixels.back().data()), std::streamsize(pixels.back().size()));
    const int photometric = c.spp == 1 ? 1 : c.spp == 3 ? 2 : 5;
    script << raw << " " << c.width << " " << c.height << " " << c.spp << " " << photometric
           << " 0 256 " << c.o.contrastMode << " "
           << (c.o.contrastMode ? c.o.contrastPercent : c.o.thresholdPercent) << " "
           << c.o.noiseReduction << " " << c.o.boost << " " << c.o.boostPercent << " "
           << c.o.reversed << "\n";
  }
  const std::string cases_file = t.scratchFolder + "cases", out = t.scratchFolder + "bits";
  std::ofstream(cases_file) << script.str();
  ASSERT_EQ(std::system(("/usr/bin/python3 " + Oracle() + " " + out + " < " + cases_file).c_str()), 0);
  std::ifstream in(out, std::ios::binary);
  const Bytes expectedAll((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  std::size_t at = 0;
  int blackSeen = 0, whiteSeen = 0;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name());
    const std::size_t n = std::size_t(c.width) * c.height;
    ASSERT_LE(at + n, expectedAll.size());
    const Bytes expected(expectedAll.begin() + at, expectedAll.begin() + at + n);
    at += n;
    RasterImage image;
    LoadHeldImage(image, t, c.width, c.height, c.spp, pixels[i]);
    ASSERT_EQ(ConvertToBlackAndWhite(image, t.rt, c.o), PosterizeResult::kDone);
    const Bytes got = BitsOf(image);
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(PaddingClear(image));
    for (std::uint8_t b : got) (b ? blackSeen : whiteSeen)++;
    releaseImage(image, t.rt);
  }
  EXPECT_EQ(at, expectedAll.size());
  EXPECT_GT(blackSeen, 1000);  // the cases are not all of one colour
  EXPECT_GT(whiteSeen, 1000);
}

// The threshold level on 8-bit samples, from the source's stated range: a sub-byte or 16-bit
// range is brought to 8 bits as the samples are; one a 16-bit file does not state is 8-bit.
TEST(BlackAndWhite, SampleRangesOfEveryDepthComeToEightBits) {
  struct Row {
    int bits, min, max;
    std::int16_t photometric;
    int percent;
    int lo, hi, level;
  };
  const Row rows[] = {
      {8, 0, 255, kBlackIsZero, 50, 0, 256, 128},     // values up to 128 are black
      {8, 0, 255, kWhiteIsZero, 50, 0, 256, 128},
      {8, 16, 235, kBlackIsZero, 50, 16, 236, 126},   // 236 - 220 * 50 / 100
      {8, 16, 235, kWhiteIsZero, 25, 16, 236, 71},    // 16 + 220 * 25 / 100
      {4, 0, 15, kBlackIsZero, 50, 0, 256, 128},
      {2, 0, 3, kBlackIsZero, 100, 0, 256, 0},
      {4, 0, 255, kBlackIsZero, 0, 0, 256, 255},  // 256, clamped
      {16, 0, 65535, kBlackIsZero, 50, 0, 256, 128},
      {16, 0, 4095, kBlackIsZero, 50, 0, 16, 8},      // 12-bit data in 16-bit samples
      {16, 0, 255, kBlackIsZero, 50, 0, 256, 128},    // no range stated
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.bits) + " bits " + std::to_string(r.min) + ".." + std::to_string(r.max));
    RasterImage image;
    image.bitsPerSample = std::int16_t(r.bits);
    image.minSampleValue = r.min;
    image.maxSampleValue = r.max;
    image.photometric = r.photometric;
    const SampleRange range = SourceSampleRange(image);
    EXPECT_EQ(range.lo, r.lo);
    EXPECT_EQ(range.hi, r.hi);
    EXPECT_EQ(ThresholdLevel(image, r.percent), r.level);
  }
}

// The boost curve: continuous, rising, from 0 to 255, steep (3/2) over 128 inputs that start
// at the knee 128 - b (b = boost x 128 / 100) for black-is-zero and colour sources, at b for
// white-is-zero ones.
TEST(BlackAndWhite, BoostCurveIsSteepAroundItsKnee) {
  for (std::int16_t photometric : {kWhiteIsZero, kBlackIsZero, kPhotometricRgb})
    for (int boost : {0, 1, 50, 99, 100}) {
      SCOPED_TRACE(std::to_string(photometric) + " boost " + std::to_string(boost));
      RasterImage image;
      image.photometric = photometric;
      const auto curve = BoostCurve(image, boost);
      const int b = boost * 128 / 100;
      const int knee = photometric == kWhiteIsZero ? b : 128 - b;
      EXPECT_EQ(curve[0], 0);
      EXPECT_GE(curve[255], 254);
      for (int i = 1; i < 256; ++i) {
        EXPECT_GE(curve[i], curve[i - 1]);
        EXPECT_LE(curve[i] - curve[i - 1], 2);
      }
      if (knee + 128 < 256) {
        EXPECT_EQ(curve[knee + 128] - curve[knee], 192);  // 128 inputs at 3/2
      }
      if (knee > 0) {
        EXPECT_EQ(curve[knee], knee / 2);
      }
    }
}

// One colour, two colours, a 32767-pixel row: the whole row one way or the other.
TEST(BlackAndWhite, FlatAndTwoColourImagesGiveWholeAreas) {
  TestRuntime t;
  for (int spp : {1, 3, 4}) {
    SCOPED_TRACE(spp);
    const int width = 32767;
    Bytes px;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < spp; ++c) {
        const bool dark = x < width / 2;
        px.push_back(spp == 4 ? (dark ? 200 : 0) : (dark ? 20 : 230));
      }
    RasterImage image;
    LoadHeldImage(image, t, width, 1, spp, px);
    BlackAndWhiteOptions o;
    o.noiseReduction = kNoiseNone;
    ASSERT_EQ(ConvertToBlackAndWhite(image, t.rt, o), PosterizeResult::kDone);
    const Bytes bits = BitsOf(image);
    for (int x : {0, width / 2 - 1}) EXPECT_EQ(bits[x], 1) << x;
    for (int x : {width / 2, width - 1}) EXPECT_EQ(bits[x], 0) << x;
    EXPECT_TRUE(PaddingClear(image));
    // Contrast mode finds the one edge and nothing in the flat parts.
    o.contrastMode = true;
    ASSERT_EQ(ConvertToBlackAndWhite(image, t.rt, o), PosterizeResult::kDone);
    const Bytes edges = BitsOf(image);
    EXPECT_EQ(edges[width / 2 - 1] + edges[width / 2], 2);
    EXPECT_EQ(std::count(edges.begin(), edges.end(), 1), 2);
    releaseImage(image, t.rt);
  }
}

// The selection: rows outside its band stay empty, inside only selected pixels can be black
// (a reversed threshold would otherwise blacken the white read outside it), and afterwards
// the bit layer is the mask again.
TEST(BlackAndWhite, SelectionMasksTheResultAndComesBack) {
  TestRuntime t;
  const int width = 40, height = 20;
  for (int spp : {1, 3}) {
    RasterImage image;
    LoadHeldImage(image, t, width, height, spp, Pixels(width, height, spp, 3));
    ASSERT_TRUE(applyRectSelection(image, t.rt, 5, 4, 30, 12, kSelectNew));
    const Bytes mask = BitsOf(image);
    ASSERT_TRUE(CaptureSelection(image, t.memory));
    BlackAndWhiteOptions o;
    o.reversed = true;
    ASSERT_EQ(ConvertToBlackAndWhite(image, t.rt, o), PosterizeResult::kDone);
    const Bytes bits = BitsOf(image);
    int inside = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
      EXPECT_LE(bits[i], mask[i]) << i;
      inside += bits[i];
    }
    EXPECT_GT(inside, 0);
    RestoreSelectionMask(image);
    EXPECT_EQ(BitsOf(image), mask);
    EXPECT_FALSE(image.selectionActive);
    releaseImage(image, t.rt);
  }
}

// A stop in the middle of the pass (the poll after every row) puts the mask back.
TEST(BlackAndWhite, StopMidPassRestoresTheMask) {
  for (bool selection : {false, true})
    for (int stopAt : {1, 3, 9}) {
      SCOPED_TRACE(std::to_string(selection) + " stop at " + std::to_string(stopAt));
      TestRuntime t;
      RasterImage image;
      LoadHeldImage(image, t, 50, 30, 3, Pixels(50, 30, 3, 1));
      if (selection) {
        ASSERT_TRUE(applyRectSelection(image, t.rt, 0, 0, 20, 25, kSelectNew));
        ASSERT_TRUE(CaptureSelection(image, t.memory));
      }
      const Bytes mask = BitsOf(image);
      t.ui.stopAtDrain = stopAt;
      BlackAndWhiteOptions o;
      o.contrastMode = stopAt > 3;
      EXPECT_EQ(ConvertToBlackAndWhite(image, t.rt, o), PosterizeResult::kStopped);
      EXPECT_EQ(BitsOf(image), mask);
      EXPECT_EQ(t.state.abortRequested, 1);
      releaseImage(image, t.rt);
    }
}

}  // namespace
}  // namespace vl::image
