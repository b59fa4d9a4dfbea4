// Bit operations on 1-bit planes for edge extraction.
#include "engine/bit_plane.h"

#include <algorithm>

namespace vl::engine {

std::int32_t FindInkWord(const std::uint8_t* row, std::int32_t fromWord, std::int32_t wordCount) {
  for (std::int32_t w = std::max(fromWord, 0); w < wordCount; ++w) {
    if ((row[2 * w] | row[2 * w + 1]) != 0) return w;
  }
  return wordCount;
}

std::int32_t FirstInkInWord(const std::uint8_t* row, std::int32_t word) {
  std::int32_t x = 16 * word;
  while (x < 16 * word + 15 && !BitAt(row, x)) ++x;
  return x;
}

void InvertToByteEnd(std::uint8_t* row, std::int32_t x, std::int32_t lastX) {
  std::int32_t byte = x >> 3;
  const std::int32_t lastByte = lastX >> 3;
  row[byte] = static_cast<std::uint8_t>(row[byte] ^ (0xFF >> (x & 7)));
  for (++byte; byte <= lastByte; ++byte) row[byte] = static_cast<std::uint8_t>(~row[byte]);
}

void ApplyBlock5x5(const BitPlaneView& plane, std::int32_t x, std::int32_t y, BlockOp op) {
  if (plane.heightRows <= 0 || plane.widthPixels <= 0) return;
  const std::int32_t from = std::max(x - 2, 0);
  const std::int32_t to = std::min(x + 2, plane.widthPixels - 1);
  if (from > to) return;
  // Five pixels touch at most two bytes; a mask per byte covers the clipped span.
  const std::int32_t firstByte = from >> 3, lastByte = to >> 3;
  std::uint8_t masks[2] = {0, 0};
  for (std::int32_t b = firstByte; b <= lastByte; ++b) {
    const std::int32_t lo = std::max(from, 8 * b) - 8 * b;
    const std::int32_t hi = std::min(to, 8 * b + 7) - 8 * b;
    masks[b - firstByte] = static_cast<std::uint8_t>((0xFF >> lo) & (0xFF << (7 - hi)));
  }
  for (std::int32_t dy = -2; dy <= 2; ++dy) {
    const std::int32_t r = std::clamp(y + dy, 0, plane.heightRows - 1);
    std::uint8_t* row = plane.row(r);
    for (std::int32_t b = firstByte; b <= lastByte; ++b) {
      const std::uint8_t m = masks[b - firstByte];
      row[b] = static_cast<std::uint8_t>(op == BlockOp::kSet ? (row[b] | m) : (row[b] & ~m));
    }
  }
}

ByteSpan CoveringWordBytes(std::int32_t left, std::int32_t widthPixels) {
  const std::int32_t firstWord = left / 16;
  const std::int32_t lastWord = (left + widthPixels - 1) / 16;
  return {2 * firstWord, 2 * (lastWord - firstWord + 1)};
}

}  // namespace vl::engine
