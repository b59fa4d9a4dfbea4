// What the art writers take from outside the artwork: the few values of the raster image
// the page geometry needs, the custom colour table, and who and when for the file header.
// Plain records filled by the caller, so the writers depend on neither the image nor the
// colour table modules.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace vl::art {

struct ArtImageInfo {

  double xResolution = 72.0;  // pixels per inch across
  double yResolution = 72.0;  // pixels per inch down
  int paddedWidth = 0;        // pixels: the width rounded up to a multiple of 32
  int width = 0;              // pixels: the true width; 0 takes paddedWidth
  int height = 0;             // pixels
  double artScale = 1.0;      // art units per pixel (a power of two)
  std::string outputName;     // the art's file name, written as the title
  int samplesPerPixel = 1;    // 1 bilevel or gray, 3 RGB, 4 CMYK

  int trueWidth() const { return width > 0 ? width : paddedWidth; }
};

// One entry of the custom colour table: a named CMYK colour, bytes 0 (no ink) to 255.
struct CustomColor {
  std::string name;  // 1 to 31 bytes, no NUL (the table's functions keep it so)
  std::uint8_t c = 0, m = 0, y = 0, k = 0;
  bool tagged = false;
  std::uint8_t extra = 0;  // carried through copies, deletes and imports; not interpreted
};
using CustomColorList = std::vector<CustomColor>;

// The header's "%%For:" and "%%CreationDate:" values.
struct SaveStamp {
  std::string user;
  std::string organisation;
  std::tm time{};  // local time
};

}  // namespace vl::art
