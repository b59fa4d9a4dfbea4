// Screen colours of CMYK colour words.
#include <gtest/gtest.h>

#include "art/display_color.h"

namespace vl::art {
namespace {

void ExpectRgb(std::uint32_t cmyk, int r, int g, int b) {
  const Rgb rgb = displayColor(cmyk);
  EXPECT_EQ(rgb.r, r) << std::hex << cmyk;
  EXPECT_EQ(rgb.g, g) << std::hex << cmyk;
  EXPECT_EQ(rgb.b, b) << std::hex << cmyk;
}

TEST(DisplayColor, InksInvertDarkenAndTemperGreenAndBlue) {
  ExpectRgb(0x000000FF, 0, 255, 255);    // cyan: g = max(255 - 31, (255 + 255) / 2)
  ExpectRgb(kBlackColor, 0, 0, 0);
  ExpectRgb(kWhiteColor, 255, 255, 255);
  ExpectRgb(0x0000FF00, 255, 0, 255);    // magenta: nothing outweighs red
  ExpectRgb(0x00FF0000, 255, 255, 0);    // yellow
  ExpectRgb(0x80000000, 127, 127, 127);  // half black
  ExpectRgb(0x00FF00FF, 0, 224, 0);      // cyan + yellow: g - g / 8 wins
  ExpectRgb(0x0000FFFF, 0, 0, 127);      // cyan + magenta: blue halved towards red
  ExpectRgb(0x40000040, 143, 191, 191);  // light cyan under a quarter black
  ExpectRgb(0x003264C8, 55, 155, 180);   // blue above green: their mean
  ExpectRgb(0x00FF0080, 127, 224, 0);    // green over red: (127 + 255) / 2 < 255 - 31
  ExpectRgb(0x00FF0010, 239, 247, 0);    // green just over red: (239 + 255) / 2 wins
}

}  // namespace
}  // namespace vl::art
