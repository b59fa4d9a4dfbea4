// Hole filling and the thinning half-passes over the bit layer.
#include "engine/thinning.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "base/message_table.h"
#include "base/progress.h"
#include "engine/bit_plane.h"

namespace vl::engine {

namespace {

CodeTable Marked(std::initializer_list<int> codes) {
  CodeTable table{};
  for (int c : codes) table[std::size_t(c)] = 1;
  return table;
}

// The isolated pixel and every code whose ink neighbours form one run around the pixel, except
// the four with seven ink neighbours and one diagonal missing: such a pixel is a stroke's edge
// or end, and removing it disconnects nothing.
const CodeTable kFirstDeletion = Marked(
    {0,   1,   2,   3,   4,   6,   7,   8,   12,  14,  15,  16,  24,  28,  30,  31,  32,  48,
     56,  60,  62,  63,  64,  96,  112, 120, 124, 126, 128, 129, 131, 135, 143, 159, 191, 192,
     193, 195, 199, 207, 224, 225, 227, 231, 239, 240, 241, 243, 248, 249, 251, 252, 254});
// A single diagonal neighbour, an L of three around a corner, and four five-neighbour edges:
// the staircase corners the first table leaves two pixels thick.
const CodeTable kSecondDeletion = Marked({2, 7, 8, 28, 32, 62, 112, 128, 143, 193, 227, 248});
// Mostly three or more separate runs of ink around the pixel: where strokes meet or cross.
const CodeTable kJunction = Marked(
    {21,  37,  41,  42,  43,  45,  53,  69,  73,  74,  75,  77,  81,  82,  83,  84,
     85,  86,  87,  89,  90,  91,  101, 105, 106, 107, 109, 117, 138, 146, 148, 149,
     150, 154, 162, 164, 165, 166, 168, 169, 170, 171, 172, 173, 174, 178, 180, 181,
     182, 186, 202, 210, 212, 214, 218, 234, 235, 242, 244, 246, 250});

inline int Pixel(const std::uint8_t* row, std::int32_t x, std::int32_t width) {
  return x >= 0 && x < width ? BitAt(row, x) : 0;
}

}  // namespace

const CodeTable& FirstDeletionTable() { return kFirstDeletion; }
const CodeTable& SecondDeletionTable() { return kSecondDeletion; }
const CodeTable& JunctionTable() { return kJunction; }

int NeighbourCode(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                  std::int32_t x, std::int32_t w) {
  return Pixel(below, x, w) | Pixel(below, x + 1, w) << 1 | Pixel(row, x + 1, w) << 2 |
         Pixel(above, x + 1, w) << 3 | Pixel(above, x, w) << 4 | Pixel(above, x - 1, w) << 5 |
         Pixel(row, x - 1, w) << 6 | Pixel(below, x - 1, w) << 7;
}

void FillOneHoles(image::RasterImage& image) {
  const auto rowBytes = std::size_t(image.bitRowBytes);
  std::memset(image::BitRow(image, -1), 0, rowBytes);
  std::memset(image::BitRow(image, image.height), 0, rowBytes);
  if (rowBytes == 0) return;
  // The rows as they were before filling: the one above and the current one.
  std::vector<std::uint8_t> above(rowBytes, 0), current(rowBytes);
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::uint8_t* row = image::BitRow(image, y);
    const std::uint8_t* below = image::BitRow(image, y + 1);
    std::memcpy(current.data(), row, rowBytes);
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const std::uint8_t c = current[i];
      const auto left = std::uint8_t(c >> 1 | (i > 0 ? current[i - 1] << 7 : 0));
      const auto right = std::uint8_t(c << 1 | (i + 1 < rowBytes ? current[i + 1] >> 7 : 0));
      auto fill = std::uint8_t(~c & above[i] & below[i] & left & right);
      if (i == 0) fill &= 0x7F;                 // the first pixel of the row
      if (i + 1 == rowBytes) fill &= 0xFE;      // the last bit of its last word
      row[i] = std::uint8_t(c | fill);
    }
    std::swap(above, current);
  }
}

bool ThinningHalfPass(base::Runtime& rt, image::RasterImage& image, int counter, RowBand band,
                      std::int32_t& changedLow, std::int32_t& changedHigh) {
  const CodeTable& table = counter % 2 == 0 ? kFirstDeletion : kSecondDeletion;
  const auto rowBytes = std::size_t(image.bitRowBytes);
  const std::int32_t width = image.paddedWidth;
  changedLow = kNoChangeLow;
  changedHigh = 0;
  band.first = std::max(band.first, 0);
  band.last = std::min(band.last, image.height - 1);
  if (band.first > band.last || rowBytes == 0) return PollAbort(rt) != 0;

  // Each sub-pass reads the state before it: the row above as it was (kept here before its
  // deletions), the row itself as it was, and the row below, not yet reached. Deleting in place
  // with this window needs no second plane, so the pass runs in three rows of memory.
  std::vector<std::uint8_t> above(rowBytes), current(rowBytes);
  for (int sub = 0; sub < 2; ++sub) {
    // First sub-pass: pixels with x + y odd; second: x + y even.
    const int parity = sub == 0 ? 1 : 0;
    std::memcpy(above.data(), image::BitRow(image, band.first - 1), rowBytes);
    for (std::int32_t y = band.first; y <= band.last; ++y) {
      std::uint8_t* row = image::BitRow(image, y);
      const std::uint8_t* below = image::BitRow(image, y + 1);
      std::memcpy(current.data(), row, rowBytes);
      bool deleted = false;
      for (std::size_t i = 0; i < rowBytes; ++i) {
        if (current[i] == 0) continue;
        for (int b = 0; b < 8; ++b) {
          const auto x = std::int32_t(i * 8 + std::size_t(b));
          if (((x + y) & 1) != parity || !BitAt(current.data(), x)) continue;
          if (table[std::size_t(NeighbourCode(above.data(), current.data(), below, x, width))]) {
            ClearBitAt(row, x);
            deleted = true;
          }
        }
      }
      if (deleted) {
        changedLow = std::min(changedLow, y);
        changedHigh = std::max(changedHigh, y);
      }
      std::swap(above, current);
      if (PollAbort(rt)) return true;
    }
  }
  return false;
}

bool RunThinning(base::Runtime& rt, image::RasterImage& image, ThinningState& state, bool quiet) {
  const int lastHalfPass = 2 * state.steps - 2;
  while (state.halfPass <= lastHalfPass && !state.finished) {
    const int counter = state.halfPass;
    if (!quiet && state.steps > 0) {
      const int step = counter / 2 + 1;
      ShowProgress(rt, step * 100 / state.steps, msg::Format(msg::kThinningStep, step, state.steps));
    }
    if (state.band.first > state.band.last) {
      state.finished = true;
      break;
    }
    std::int32_t low = kNoChangeLow, high = 0;
    if (ThinningHalfPass(rt, image, counter, state.band, low, high)) return true;
    if (counter % 2 == 0) {
      state.rememberedLow = low;
      state.rememberedHigh = high;
    } else {
      state.band = {std::min(state.rememberedLow, low) - 2, std::max(state.rememberedHigh, high) + 2};
    }
    ++state.halfPass;
  }
  return false;
}

}  // namespace vl::engine
