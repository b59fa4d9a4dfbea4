// The purification a colour gets before its darkness moves into black: complemented RGB
// (cyan, magenta, yellow without black) is made a little purer, as paint colours are made.
// Shared by the levels' CMYK output and the colour conversion's shape colours.
#pragma once
#include <algorithm>

namespace vl::image {

// Strengthens the dominant inks of c, m, y (0..255 each) in place; yellow ends at 0 or above.
inline void PurifyCmy(int& c, int& m, int& y) {
  const int c0 = c, m0 = m, y0 = y;
  if (m < c) {
    if (y < m) y = 2 * y - m;
    else m = std::max({m - ((255 - m) >> 3), 2 * m - std::min(c, y), 0});
  } else if (y < c) {
    y = 2 * y - c;
  }
  if (y <= 0) {
    const int t = (160 - y0) >> 2;
    if (t > 0 && c0 > 250 && m0 > 250) {
      c -= t;
      m -= t;
    }
    y = 0;
  }
}

}  // namespace vl::image
