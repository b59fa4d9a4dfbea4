// Deflate decoding of one TIFF strip or tile (compression 8, and 32946 its earlier number):
// a zlib stream, inflated by zlib.
#pragma once

#include <cstdint>
#include <span>

#include "image/decode_result.h"

namespace vl::image {

// Inflates the zlib stream `in` into `out`, stopping at the stream's end or when `out` is full
// (both kOk, `produced` saying how much). kBadCode: the stream is damaged (a bad header, code
// or checksum); kTruncated: the input ended before either; kBadArgument: memory for the
// inflater could not be had.
DecodeResult DecodeDeflate(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

}  // namespace vl::image
