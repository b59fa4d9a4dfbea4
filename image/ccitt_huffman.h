// CCITT modified Huffman decoding (TIFF compression 2): one-dimensional run-length rows with
// the ITU-T T.4 code tables, no end-of-line codes, every row starting on a byte boundary.
#pragma once

#include <cstdint>
#include <span>

#include "image/decode_result.h"

namespace vl::image {

// One code word of the T.4 run-length tables.
struct RunCode {
  std::uint16_t bits;    // the code word, right-aligned, sent most significant bit first
  std::uint8_t length;   // code length, bits (2 to 13)
  std::uint16_t run;     // run length, pixels; 64 and up are make-up codes
};

// The white or black table: terminating codes 0-63, make-up codes 64-1728, then the extended
// make-up codes 1792-2560 that both colours share.
std::span<const RunCode> CcittRunCodes(bool black);

// The run code that the next 13 input bits (first bit sent in bit 12) begin with, as
// (code length << 12) | run length; 0 when no code of that colour matches. Shared with the
// two-dimensional decoder, whose horizontal mode sends runs in these codes.
constexpr int kRunLookupBits = 13;
std::uint16_t LookupRunCode(bool black, std::uint32_t next13Bits);

// Sets pixels [from, to) of a row of 1-bit pixels, most significant bit first.
void SetBitRun(std::uint8_t* row, std::size_t from, std::size_t to);

// Decodes one row of `widthPixels` pixels into `row`, 1 bit per pixel, most significant bit
// first, black = 1; the row's (widthPixels + 7) / 8 bytes are cleared first. Runs alternate
// white, black, ... starting with white; a make-up code continues the same colour, a
// terminating code ends the run. The row ends once the runs reach the width on a terminating
// code. `consumed` is rounded up to whole bytes: where the next row starts in `in`.
// kBadCode: a code in no table; kBadRunLength: runs past the width; kTruncated: the input
// ended inside the row; kBadArgument: widthPixels < 0 or `row` too short.
DecodeResult DecodeCcittRow(std::span<const std::uint8_t> in, int widthPixels,
                            std::span<std::uint8_t> row);

}  // namespace vl::image
