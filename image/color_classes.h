// The colour conversion's preparation: a gray scale or colour image reduced to a few colour
// classes (cells of a 6 x 6 x 6 colour cube, or gray values), with the statistics that paint the
// traced paths, and the boundary map: a bilevel picture at twice the image's resolution in
// which every area of one class is enclosed by one-pixel lines, for the outline tracer.
//
//   sample <= 256 x 256 pixels -> cell counts and sums -> (merge similar cells) -> threshold
//   search -> representatives -> class of every cell -> class rows -> edges, corners, frame
//   -> noise reduction on the map.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/runtime.h"
#include "image/bit_row.h"
#include "image/raster_image.h"

namespace vl::image {

constexpr int kCubeCells = 216;  // 6 x 6 x 6
constexpr int kCubeSide = 6;
constexpr int kGrayClassLimit = 64;

// The Complexity setting (2..20) as a number of classes; black and white counts as 2.
int LevelCount(int complexity);

// A component's cube coordinate: 0 for 0..25, then one more per 51 (230..255 give 5).
int CubeCoordinate(int component);
inline int CubeCell(int r, int g, int b) {
  return CubeCoordinate(r) + kCubeSide * CubeCoordinate(g) + kCubeSide * kCubeSide * CubeCoordinate(b);
}

struct Rgb8 {
  int r = 0, g = 0, b = 0;
};
// A CMYK pixel as the classes see it: inks with black taken off each colour, then tempered
// where green or blue outweighs red.
Rgb8 CmykClassColor(const std::uint8_t* cmyk);

// The cell of one pixel: the gray value itself, or the cube cell of its (RGB) colour.
int PixelCell(const std::uint8_t* pixel, int samplesPerPixel);

// The class statistics, handed on to the colour assignment of the traced paths.
struct ColorClasses {
  int levelCount = 2;
  std::array<std::uint16_t, 256> cellCount{};                 // samples per cell
  std::array<std::array<std::uint32_t, 4>, kCubeCells> cellSum{};  // R, G, B (or C, M, Y, K) sums
  std::array<std::uint8_t, 256> classMap{};  // every cell -> the cell that represents its class
  std::uint16_t countThreshold = 20;         // cells whose count reaches it represent themselves
  int dominantCell = 0;                      // the most frequent class
  std::uint32_t backgroundColor = 0;         // its colour, packed CMYK (cyan in the low byte)
};

enum class ClassesResult { kDone, kStopped };

// Builds the classes of the image's colour rows (as readColorSpan delivers them, the selection
// whitened; white then maps to itself). Polls abort after every sampled row.
[[nodiscard]] ClassesResult BuildColorClasses(const RasterImage& image, base::Runtime& rt,
                                              int levelCount, ColorClasses& classes);

// The classes of a gray scale image: min(levelCount, 64) bands of gray values, each classed
// as its middle.
void BuildGrayClasses(int levelCount, bool selection, ColorClasses& classes);

// The classes: the distinct cells that the class map sends the image's cells to, ascending.
std::vector<int> Representatives(const ColorClasses& classes, int samplesPerPixel);

// A bilevel picture, 1 = boundary, rows of rowBytes (a multiple of 4), most significant bit
// leftmost; bits from width on are 0.
struct BoundaryMap {
  std::int32_t width = 0;   // bits
  std::int32_t height = 0;  // rows
  std::int32_t rowBytes = 0;
  std::vector<std::uint8_t> bits;
  bool at(std::int32_t x, std::int32_t y) const {
    return BitAt(&bits[std::size_t(y) * rowBytes], x) != 0;
  }
};

struct BoundaryOptions {
  int noiseReduction = 1;    // 0 none, 1 medium (closed cells filled), 2 maximum (lines doubled)
  bool reduceDetail = false; // 2 x 2 blocks become one pixel first; the map at the image's size
};

enum class BoundaryResult { kDone, kStopped };

// Draws the boundary map of the classes: 2 x (working width) by 2 x (working height) bits, the
// working image being the image, or its 2 x 2 reduction with reduceDetail (odd sides rounded up
// by repeating the last pixel or row). Every class edge is a one-bit line on the map's odd
// rows or columns, joined at the even corners, inside a one-bit frame. Polls abort after every
// class row; stopped, the map is left empty. The image is never changed.
[[nodiscard]] BoundaryResult DrawBoundaryMap(const RasterImage& image, base::Runtime& rt,
                                             const ColorClasses& classes,
                                             const BoundaryOptions& options, BoundaryMap& map);

}  // namespace vl::image
