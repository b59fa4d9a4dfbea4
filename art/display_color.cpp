// CMYK colour word to screen RGB, in integer arithmetic on bytes.
#include "art/display_color.h"

#include <algorithm>

namespace vl::art {

Rgb displayColor(std::uint32_t cmyk) {
  const int cyan = cmyk & 0xFF, magenta = (cmyk >> 8) & 0xFF;
  const int yellow = (cmyk >> 16) & 0xFF, black = (cmyk >> 24) & 0xFF;
  const int k = 255 - black;
  int r = (255 - cyan) * k / 255;
  int g = (255 - magenta) * k / 255;
  int b = (255 - yellow) * k / 255;
  if (g > r) {
    if (b > g) b = (b + g) / 2;
    else g = std::max(g - g / 8, (std::max(r, b) + g) / 2);
  } else if (b > r) {
    b = (b + r) / 2;
  }
  return Rgb{std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)};
}

}  // namespace vl::art
