// libFuzzer target for the CCITT Group 3 and 4 fax decoder and the Deflate decoder. The first
// input byte picks the decoder and its options, the next two give the row width or the output
// size; the rest is the compressed data. Input and output live in buffers of exactly their
// size, and every result is checked against the bounds it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "image/ccitt_fax.h"
#include "image/deflate_decoder.h"

namespace {

using vl::image::DecodeResult;

constexpr std::size_t kMaxRows = 256;        // rows per strip tried
constexpr std::size_t kMaxOutput = 1 << 18;  // Deflate output limit, bytes

void Check(const DecodeResult& r, std::size_t inSize, std::size_t outSize) {
  if (r.consumed > inSize || r.produced > outSize) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const unsigned selector = data[0];
  const std::size_t parameter = data[1] | (static_cast<std::size_t>(data[2]) << 8);
  const std::vector<std::uint8_t> in(data + 3, data + size);

  if ((selector & 3) == 3) {  // Deflate into 0..256 KB
    std::vector<std::uint8_t> out((parameter * 4) % kMaxOutput);
    Check(vl::image::DecodeDeflate(in, out), in.size(), out.size());
    return 0;
  }
  // Fax rows of 0..8191 pixels: bits 0-1 Group 4, Group 3 1-D, Group 3 2-D; bit 2 low bit first.
  vl::image::CcittFaxOptions options;
  options.group4 = (selector & 3) == 0;
  options.twoDimensional = (selector & 3) == 2;
  options.leastSignificantFirst = (selector & 4) != 0;
  const int width = static_cast<int>(parameter % 8192);
  vl::image::CcittFaxDecoder decoder;
  if (!decoder.start(width, options)) std::abort();
  std::vector<std::uint8_t> row((static_cast<std::size_t>(width) + 7) / 8);
  std::size_t at = 0;
  for (std::size_t y = 0; y < kMaxRows; ++y) {
    const auto rest = std::span<const std::uint8_t>(in).subspan(at);
    const DecodeResult r = decoder.decodeRow(rest, row);
    Check(r, rest.size(), row.size());
    if (!r.ok()) break;
    at += r.consumed;
    if ((selector & 8) != 0 && y == 4) decoder.startStrip();
  }
  return 0;
}
