// Thinning: one-pixel holes filled, then strokes worn down from both sides, one pixel a step,
// by a table of neighbour codes that never deletes a pixel its stroke needs to stay connected.
// A step is two half-passes (the first table then the second); a run of N steps performs the
// half-passes 0 .. 2N - 2 and so ends with the first table. Open stroke ends are shortened too.
//
// Neighbour code of an ink pixel: S = 1, SE = 2, E = 4, NE = 8, N = 16, NW = 32, W = 64,
// SW = 128 (N is the row above). Pixels left of 0, right of the row's end and in the guard
// rows count as background.
#pragma once

#include <array>
#include <cstdint>

#include "image/raster_image.h"

namespace vl::base {
struct Runtime;
}

namespace vl::engine {

using CodeTable = std::array<std::uint8_t, 256>;  // 1 = the code is marked

// Codes the first and the second half-pass of a step delete, and the codes of junction points.
const CodeTable& FirstDeletionTable();
const CodeTable& SecondDeletionTable();
const CodeTable& JunctionTable();

// The neighbour code of pixel x of `row` (above / below: the rows around it).
int NeighbourCode(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                  std::int32_t x, std::int32_t widthPixels);

// Every white pixel whose four edge neighbours are ink becomes ink (tested on the unfilled
// rows), except the first pixel of a row and the last of its last word. Clears the guard rows.
void FillOneHoles(image::RasterImage& image);

// Rows a half-pass covers (inclusive), and what it changed.
struct RowBand {
  std::int32_t first = 0, last = 0;  // rows
};
constexpr std::int32_t kNoChangeLow = 9999;

// The thinning state that survives between runs (an interactive pause continues it).
struct ThinningState {
  int steps = 0;          // N: steps done or under way
  int halfPass = 0;       // the next half-pass counter
  RowBand band;           // the next half-pass's rows
  std::int32_t rememberedLow = kNoChangeLow, rememberedHigh = 0;
  bool finished = false;  // a band came out empty: nothing more will change
};

// One half-pass over the band with the table its counter chooses: two checkerboard sub-passes,
// each reading the state before it. Sets `changedLow` / `changedHigh` to the first and last
// row with a deletion (kNoChangeLow and 0 when none). True when the user aborted.
bool ThinningHalfPass(base::Runtime& rt, image::RasterImage& image, int counter, RowBand band,
                      std::int32_t& changedLow, std::int32_t& changedHigh);

// Runs half-passes until the counter reaches 2 x steps - 1 (or the band empties), showing
// "Step %d of %d" unless `quiet`. True when the user aborted.
bool RunThinning(base::Runtime& rt, image::RasterImage& image, ThinningState& state, bool quiet);

// Line Thinning (hundredths of a pixel) rounded to whole steps.
inline int ThinningSteps(std::int32_t lineThinningHundredths) {
  return (lineThinningHundredths + 50) / 100;
}

}  // namespace vl::engine
