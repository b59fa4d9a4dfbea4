// PackBits encoding of one bilevel TIFF row, grouped the way the program's TIFF writer always
// grouped it, so that its files stay byte for byte the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vl::image {

// Worst case of the encoding, bytes, for a row of rowBytes bytes.
constexpr std::size_t PackBitsBound(std::size_t rowBytes) { return 3 * rowBytes; }

// Encodes `row` into `out` (at least PackBitsBound(row.size()) bytes) and returns the bytes
// used. Runs of three or more equal bytes become repeat groups of at most 128 (control byte
// 1 - n, then the byte); shorter runs gather in a literal group (control byte count - 1), which
// is closed at 120 bytes or more, before a repeat group and at the end of the row.
std::size_t EncodePackBitsRow(std::span<const std::uint8_t> row, std::span<std::uint8_t> out);

}  // namespace vl::image
