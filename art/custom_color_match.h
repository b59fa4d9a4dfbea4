// The best custom colour (or tint of one) for a traced shape: every pixel of the shape votes
// for the nearest candidate colour, and the most voted wins. The shape's owner walks its
// pixels (with progress and abort) and hands each colour sample to VoteForPixel.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "art/art_writer_inputs.h"
#include "art/artwork.h"

namespace vl::art {

constexpr int kTintSteps = 10;  // tints at 10 %, 20 %, ..., 100 %

struct ColorMatchOptions {
  bool taggedOnly = false;  // only tagged colours are candidates
  bool tints = false;       // each colour at ten strengths
  int samplesPerPixel = 3;  // 3 RGB (candidates as screen colours), 4 CMYK (as inks)
};

struct ColorCandidates {
  int components = 3;
  bool tints = false;
  std::vector<std::array<std::uint8_t, 4>> values;  // per candidate, `components` used
  std::vector<std::uint16_t> tableIndex;            // the colour each candidate comes from
};

// The candidates in table order (with tints: colour by colour, 10 % first). An RGB candidate
// is the colour's screen colour taken towards white, 255 - percent x (255 - value) / 100; a
// CMYK candidate is the inks x percent / 100.
ColorCandidates MakeColorCandidates(const CustomColorList& colors,
                                    const ColorMatchOptions& options);

struct ColorVotes {
  std::vector<std::uint32_t> counts;  // per candidate
  std::array<std::uint8_t, 4> previous{};
  int previousChoice = -1;  // -1 until the first pixel
};

// One pixel's vote (its `components` samples): the nearest candidate by the sum of absolute
// differences, the first on equal distance; a pixel equal to the previous one repeats its vote.
void VoteForPixel(const ColorCandidates& candidates, ColorVotes& votes,
                  const std::uint8_t* sample);

struct CustomColorChoice {
  std::uint16_t customIndex = 0;  // position in the table
  std::uint8_t tint = 255;        // strength, 255 = 100 %
  std::uint32_t fillColor = 0;    // packed CMYK: the colour's inks at that strength
};

// The most voted candidate (the first on equal counts). Nothing with fewer than two candidates
// or no vote at all: the shape keeps the colour it has.
std::optional<CustomColorChoice> PickCustomColor(const ColorCandidates& candidates,
                                                 const ColorVotes& votes,
                                                 const CustomColorList& colors);

// The whole choice over pixels already gathered (samplesPerPixel bytes each).
std::optional<CustomColorChoice> bestCustomColor(const CustomColorList& colors,
                                                 const ColorMatchOptions& options,
                                                 std::span<const std::uint8_t> pixels);

// Makes the choice the current paint of the shape's paths: colour, custom index and strength.
void UseCustomColorChoice(Pen& pen, const CustomColorChoice& choice);

// The progress label while the shape's pixels vote (messages 1019 and 1020).
int CustomColorProgressMessage(bool tints);

}  // namespace vl::art
