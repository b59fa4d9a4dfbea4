// Pixel access in 1-bit rows (bytes, most significant bit leftmost, 1 = ink): the one place
// that knows which byte and mask hold pixel x, for the readers, the masks, the engine's planes
// and the window alike.
#pragma once

#include <cstdint>

namespace vl::image {

// 0 or 1.
inline int BitAt(const std::uint8_t* row, std::int32_t x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
inline void SetBitAt(std::uint8_t* row, std::int32_t x) {
  row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
}
inline void ClearBitAt(std::uint8_t* row, std::int32_t x) {
  row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] & ~(0x80 >> (x & 7)));
}

}  // namespace vl::image
