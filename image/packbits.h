// PackBits run-length decoding (TIFF compression 32773), one row per call.
#pragma once

#include <cstdint>
#include <span>

#include "image/decode_result.h"

namespace vl::image {

// Decodes until `row` is full. A control byte n of 0..127 copies the next n + 1 bytes, -1..-127
// repeats the next byte 1 - n times, and -128 is skipped. A run that reaches past the end of the
// row is cut at the row's end and its input is consumed, so the next row starts at the byte after
// the run. `consumed` is where the next row starts in `in`.
DecodeResult DecodePackBits(std::span<const std::uint8_t> in, std::span<std::uint8_t> row);

}  // namespace vl::image
