// The picture the test oracles compare: 8-bit gray pixels, row by row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vl::test_support {

// 8-bit gray, 0 black to 255 white, rows top to bottom.
struct GrayImage {
  int width = 0;   // pixels
  int height = 0;  // pixels
  std::vector<std::uint8_t> pixels;

  GrayImage() = default;
  GrayImage(int w, int h, std::uint8_t fill) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
  std::uint8_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
  std::uint8_t& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
};

}  // namespace vl::test_support
