// Levels: an input black point, white point and gamma that correct the tones of a gray scale or
// colour image before conversion, with the histogram that guides the choice. The dialog comes
// with the window; these are the functions under it.
#pragma once

#include <array>
#include <cstdint>

#include "image/raster_image.h"

namespace vl::image {

constexpr int kLevelsBlackMax = 253;   // levelsBlack: 0..253
constexpr int kLevelsWhiteMin = 2;     // levelsWhite: 2..255, at least levelsBlack + 2
constexpr double kLevelsGammaMin = 0.10;
constexpr double kLevelsGammaMax = 9.99;

struct LevelsValues {
  int black = 0;       // input sample mapped to 0
  double gamma = 1.0;  // 0.10..9.99
  int white = 255;     // input sample mapped to 255
};

// Black 0, white 255, gamma 1: the table is the identity and nothing needs doing.
bool IsIdentityLevels(const LevelsValues& v);

// The middle slider's position: the input that gamma maps to the middle of the output.
int LevelsMid(const LevelsValues& v);

using ToneTable = std::array<std::uint8_t, 256>;

// 0 below black, 255 from white up, 255 x t^(1/gamma) between, t running 0..1 from black on.
void buildToneTable(const LevelsValues& v, ToneTable& table);
ToneTable IdentityToneTable();
bool IsIdentityTable(const ToneTable& table);

// Maps `pixels` pixels of samplesPerPixel interleaved samples through the table: gray and RGB
// samples directly; a CMYK pixel through its screen RGB and back to inks.
void MapPixelsThroughTone(const ToneTable& table, int samplesPerPixel, std::uint8_t* samples,
                          std::int32_t pixels);

struct Histogram {
  std::array<std::uint32_t, 256> counts{};
  std::uint32_t scale = 0;  // counts per pixel of bar height (histogramScale)
};

// Over every row (selected pixels only when a selection is captured): the gray sample's bin,
// the three RGB samples' bins, or for CMYK the bins of 255 minus each ink. The scale makes the
// tallest bar below a 48th of the total 48 pixels high (1 when too few samples give 0).
Histogram BuildHistogram(const RasterImage& image);

enum class LevelsResult { kApplied, kNothingToDo, kNotInMemory };

// Maps the colour layer through the table that `values` give (selected pixels only when a
// selection is captured) and resets the image's tone table to the identity. Bilevel images and
// identity values: nothing to do. A colour layer left in the file cannot be rewritten: the
// caller shows "Insufficient memory for Levels" or keeps the table in effect for reading.
[[nodiscard]] LevelsResult applyLevels(RasterImage& image, const LevelsValues& values);

// The same for a table already built: maps the colour layer through `table` and resets the
// image's tone table to the identity. A colour layer left in the file keeps `table` in effect.
[[nodiscard]] LevelsResult ApplyToneTable(RasterImage& image, const ToneTable& table);

}  // namespace vl::image
