// libFuzzer target for the strip decoders. The first input byte picks the decoder, the next two
// give the row or strip size; the rest is the compressed data. Input and output live in buffers
// of exactly their size, so any stray access trips the address sanitizer, and every result is
// checked against the bounds it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "image/ccitt_huffman.h"
#include "image/lzw_decoder.h"
#include "image/packbits.h"
#include "image/predictor.h"

namespace {

using vl::image::DecodeResult;

constexpr std::size_t kMaxRows = 64;         // rows per strip tried, rows
constexpr std::size_t kMaxOutput = 1 << 16;  // strip buffer limit, bytes

void Check(const DecodeResult& r, std::size_t inSize, std::size_t outSize) {
  if (r.consumed > inSize || r.produced > outSize) std::abort();
}

// Row decoders: decode rows back to back, each starting where the previous one stopped.
template <class DecodeRow>
void DecodeRows(std::span<const std::uint8_t> in, std::size_t rowBytes, DecodeRow decodeRow) {
  std::vector<std::uint8_t> row(rowBytes);
  std::size_t at = 0;
  for (std::size_t y = 0; y < kMaxRows; ++y) {
    const auto rest = in.subspan(at);
    const DecodeResult r = decodeRow(rest, std::span<std::uint8_t>(row));
    Check(r, rest.size(), row.size());
    if (!r.ok() || r.consumed == 0) break;
    at += r.consumed;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const unsigned selector = data[0] % 4;
  const std::size_t parameter = data[1] | (static_cast<std::size_t>(data[2]) << 8);
  const std::vector<std::uint8_t> in(data + 3, data + size);

  switch (selector) {
    case 0:  // PackBits rows of 0..4095 bytes
      DecodeRows(in, parameter % 4096, [](auto rest, auto row) {
        return vl::image::DecodePackBits(rest, row);
      });
      break;
    case 1: {  // CCITT rows of 0..8191 pixels, with a row buffer of exactly their bytes
      const int width = static_cast<int>(parameter % 8192);
      DecodeRows(in, (static_cast<std::size_t>(width) + 7) / 8, [width](auto rest, auto row) {
        return vl::image::DecodeCcittRow(rest, width, row);
      });
      break;
    }
    case 2:
    case 3: {  // LZW strip, then (case 3) the predictor over rows of 1..256 bytes
      auto table = std::make_unique<vl::image::LzwTable>();
      std::vector<std::uint8_t> out((parameter * 4) % kMaxOutput);
      const DecodeResult r = vl::image::DecodeLzw(in, out, *table);
      Check(r, in.size(), out.size());
      if (selector == 3) {
        const int samples = 1 + static_cast<int>(parameter % 4);
        const int bits = (parameter & 0x10) ? 16 : 8;
        const std::size_t rowBytes = 1 + (parameter >> 8);
        vl::image::UndoHorizontalPredictorRows(std::span(out).first(r.produced), rowBytes,
                                               samples, bits, (parameter & 0x20) != 0);
      }
      break;
    }
  }
  return 0;
}
