// Deflate decoding through zlib.
#include "image/deflate_decoder.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace vl::image {

DecodeResult DecodeDeflate(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return {0, 0, DecodeStatus::kBadArgument};
  // zlib counts in 32 bits: larger spans are fed a piece at a time.
  constexpr std::size_t kPiece = std::numeric_limits<uInt>::max();
  std::size_t inUsed = 0, outUsed = 0;
  int code = Z_OK;
  while (code == Z_OK && outUsed < out.size()) {
    const std::size_t inPiece = std::min(kPiece, in.size() - inUsed);
    const std::size_t outPiece = std::min(kPiece, out.size() - outUsed);
    z.next_in = const_cast<Bytef*>(in.data() + inUsed);
    z.avail_in = static_cast<uInt>(inPiece);
    z.next_out = out.data() + outUsed;
    z.avail_out = static_cast<uInt>(outPiece);
    code = inflate(&z, Z_NO_FLUSH);
    inUsed += inPiece - z.avail_in;
    outUsed += outPiece - z.avail_out;
    // No progress with input left over cannot happen; without input it is the end of it.
    if (code == Z_BUF_ERROR || (code == Z_OK && inUsed == in.size() && z.avail_out != 0)) break;
  }
  inflateEnd(&z);
  DecodeStatus status = DecodeStatus::kOk;
  if (code == Z_DATA_ERROR || code == Z_NEED_DICT || code == Z_STREAM_ERROR) {
    status = DecodeStatus::kBadCode;
  } else if (code == Z_MEM_ERROR) {
    status = DecodeStatus::kBadArgument;
  } else if (code != Z_STREAM_END && outUsed < out.size()) {
    status = DecodeStatus::kTruncated;
  }
  return {inUsed, outUsed, status};
}

}  // namespace vl::image
