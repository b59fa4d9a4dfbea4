// LZW decoding of one TIFF strip (compression 5, the TIFF 6.0 scheme with codes most
// significant bit first).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "image/decode_result.h"

namespace vl::image {

constexpr std::uint32_t kLzwClearCode = 256;
constexpr std::uint32_t kLzwEndCode = 257;
constexpr std::uint32_t kLzwFirstFreeCode = 258;
constexpr std::uint32_t kLzwMaxCodes = 4096;  // 12-bit codes

// The string table. Every string a code stands for has already been written to the output once,
// as the previous string plus one byte, so an entry is only where that copy lies. The table needs
// no initialisation; callers allocate it like any other program data (it is about 24 KB).
struct LzwTable {
  std::array<std::uint32_t, kLzwMaxCodes> offset;  // start of the string in the output, bytes
  std::array<std::uint16_t, kLzwMaxCodes> length;  // length of the string, bytes
};

// Decodes one strip into `out`, stopping at the end code or when `out` is full (both kOk).
// Codes start at 9 bits; 256 clears the table; the width grows to 10, 11 and 12 bits when the
// next free code reaches 511, 1023 and 2047. A full table (4096 codes) stops growing until the
// next clear. A code beyond the next free code, or a table code with no string before it, is
// kBadCode; input that ends before the end code with `out` not yet full is kTruncated.
DecodeResult DecodeLzw(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                       LzwTable& table);

}  // namespace vl::image
