// Bit operations on 1-bit planes (rows of bytes, most significant bit leftmost, 1 = ink) that
// edge extraction needs: the 16-bit word scan, the span inversion that removes a shape, the
// 5 x 5 block that draws the shape mask, and the byte range of the words covering a box.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/bit_row.h"

namespace vl::engine {

// A plane seen as rows of rowBytes bytes, one after another. Only rows 0..heightRows-1 and
// pixels 0..widthPixels-1 are touched by the operations below.
struct BitPlaneView {
  std::uint8_t* firstRow = nullptr;
  std::int32_t rowBytes = 0;
  std::int32_t widthPixels = 0;  // paddedWidth: bits per row
  std::int32_t heightRows = 0;

  std::uint8_t* row(std::int32_t y) const {
    return firstRow + static_cast<std::ptrdiff_t>(y) * rowBytes;
  }
};

// The pixel helpers live with the images; the engine's planes use them unqualified.
using image::BitAt;
using image::ClearBitAt;
using image::SetBitAt;

// Index of the first 16-bit word at or after fromWord with any bit set; wordCount when none.
std::int32_t FindInkWord(const std::uint8_t* row, std::int32_t fromWord, std::int32_t wordCount);

// First pixel set in 16-bit word `word` (which must hold one), in pixels.
std::int32_t FirstInkInWord(const std::uint8_t* row, std::int32_t word);

// Complements the pixels from x through the last pixel of the byte that holds lastX (x <= lastX).
// Whole bytes are inverted at once; a shape's fill never needs finer right edges because
// inversions beyond its boundary come in pairs and cancel.
void InvertToByteEnd(std::uint8_t* row, std::int32_t x, std::int32_t lastX);

enum class BlockOp { kSet, kClear };

// Sets or clears the pixels x - 2..x + 2 of the rows y - 2..y + 2. Rows outside the plane are
// replaced by the nearest row inside; pixels left of 0 or right of the row's end fall off.
void ApplyBlock5x5(const BitPlaneView& plane, std::int32_t x, std::int32_t y, BlockOp op);

// The bytes of the 16-bit words that cover pixels left..left + widthPixels - 1 of a row: from
// word left / 16 through word (left + widthPixels - 1) / 16.
struct ByteSpan {
  std::int32_t firstByte = 0;
  std::int32_t byteCount = 0;
};
ByteSpan CoveringWordBytes(std::int32_t left, std::int32_t widthPixels);

}  // namespace vl::engine
