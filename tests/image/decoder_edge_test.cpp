// The strip decoders on what neither the real-tool corpus nor the TIFF reader's refusals hold:
// LZW with a full table and no clear code, CCITT make-up codes past the row, PackBits runs
// across row ends and cut input.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "tests/image/decoder_corpus.h"

namespace vl::image {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Codes packed most significant bit first, as LZW and CCITT strips store them.
struct BitWriter {
  std::vector<std::uint8_t> bytes;
  std::size_t bitsUsed = 0;
  void put(unsigned code, int bits) {
    for (int b = bits - 1; b >= 0; --b, ++bitsUsed) {
      if (bitsUsed % 8 == 0) bytes.push_back(0);
      if ((code >> b) & 1u) bytes.back() |= static_cast<std::uint8_t>(0x80u >> (bitsUsed % 8));
    }
  }
};

Bytes Lzw(const BitWriter& in, std::size_t outSize, DecodeResult& r) {
  Bytes out(outSize);
  r = DecodeLzw(in.bytes, out, *std::make_unique<LzwTable>());
  out.resize(r.produced);
  return out;
}

BitWriter NineBitCodes(std::initializer_list<unsigned> codes) {
  BitWriter w;
  for (unsigned code : codes) w.put(code, 9);
  return w;
}

TEST(Lzw, EveryCodeWidthAFullTableWithoutClearCodesAndBrokenCodes) {
  // Single-byte codes only, as from an encoder that never finds a match: each defines the next
  // entry, so the width grows one code early (at 511, 1023, 2047), and past 4095 the table
  // stays full and 12 bits wide. Real tools always send clear codes; the format does not ask.
  DecodeResult r;
  for (bool leadingClear : {true, false}) {
    BitWriter w = leadingClear ? NineBitCodes({256}) : BitWriter();
    Bytes data;
    unsigned next = 258, bits = 9;
    for (int i = 0; i < 5000; ++i) {
      data.push_back(static_cast<std::uint8_t>(i * 7 % 251));
      w.put(data.back(), bits);
      if (next < 4096 && ++next == (1u << bits) && bits < 12) ++bits;
    }
    w.put(257, bits);
    EXPECT_EQ(Lzw(w, data.size() + 100, r), data);  // the end code, not the buffer, ends it
    EXPECT_TRUE(r.ok() && r.consumed == w.bytes.size());
  }
  // 258 used by the code that defines it: "A" + "AA".
  EXPECT_EQ(Lzw(NineBitCodes({256, 'A', 258, 257}), 10, r), (Bytes{'A', 'A', 'A'}));
  EXPECT_TRUE(r.ok());
  // 300 is beyond the next free code, 259: what came before it is kept.
  EXPECT_EQ(Lzw(NineBitCodes({256, 'A', 'B', 300}), 10, r), (Bytes{'A', 'B'}));
  EXPECT_EQ(r.status, DecodeStatus::kBadCode);
}

void PutCode(BitWriter& w, bool black, int run) {
  const auto codes = CcittRunCodes(black);
  const auto code =
      std::find_if(codes.begin(), codes.end(), [run](auto c) { return c.run == run; });
  w.put(code->bits, code->length);
}

TEST(Ccitt, MakeUpCodesNeedATerminatingCodeWithinTheWidthAndRowsMustFitTheCaller) {
  Bytes row(16);
  BitWriter tooLong;  // white 128 + 0, black 0 in a row of 100: caught at the make-up code
  PutCode(tooLong, false, 128);
  PutCode(tooLong, false, 0);
  PutCode(tooLong, true, 0);
  EXPECT_EQ(DecodeCcittRow(tooLong.bytes, 100, row).status, DecodeStatus::kBadRunLength);
  BitWriter makeUpOnly;  // a make-up code landing on the width still needs its terminating code
  PutCode(makeUpOnly, false, 64);
  EXPECT_EQ(DecodeCcittRow(makeUpOnly.bytes, 64, row).status, DecodeStatus::kTruncated);
  EXPECT_EQ(DecodeCcittRow(tooLong.bytes, 129, row).status, DecodeStatus::kBadArgument);
  EXPECT_EQ(DecodeCcittRow(tooLong.bytes, -1, row).status, DecodeStatus::kBadArgument);
  EXPECT_TRUE(DecodeCcittRow({}, 0, std::span<std::uint8_t>()).ok());  // needs no input
}

TEST(PackBits, EachRowStartsAfterTheRunThatFilledThePreviousOneAndCutInputIsReported) {
  // -128 (a no-op), a literal of 4 into a row of 2, a repeat of 6 into a row of 3, a -128 that
  // belongs to the next row and a literal of 1: nothing spills, nothing is read twice.
  const Bytes in = {0x80, 0x03, 1, 2, 3, 4, 0xFB, 0x55, 0x80, 0x00, 0x42};
  Bytes out(2 + 3 + 1 + 4, 0xEE);
  std::size_t at = 0, written = 0;
  for (auto [size, consumed] : {std::pair{2u, 6u}, {3u, 2u}, {1u, 3u}}) {
    const DecodeResult r =
        DecodePackBits(std::span(in).subspan(at), std::span(out).subspan(written, size));
    EXPECT_TRUE(r.ok() && r.consumed == consumed && r.produced == size) << at;
    at += r.consumed;
    written += size;
  }
  EXPECT_EQ(out, (Bytes{1, 2, 0x55, 0x55, 0x55, 0x42, 0xEE, 0xEE, 0xEE, 0xEE}));
  // Cut input: a literal of 6 with 2 bytes, a repeat without its byte, only no-ops; a literal
  // whose missing bytes lie past the row's end still fills it.
  const struct { Bytes in; DecodeStatus status; std::size_t consumed, produced; } cut[] = {
      {{0x05, 7, 8}, DecodeStatus::kTruncated, 3, 2}, {{0xFE}, DecodeStatus::kTruncated, 1, 0},
      {{0x80, 0x80}, DecodeStatus::kTruncated, 2, 0},
      {{0x09, 7, 8, 9, 10}, DecodeStatus::kOk, 5, 4}};
  for (const auto& c : cut) {
    Bytes row(4, 0xEE);
    const DecodeResult r = DecodePackBits(c.in, row);
    EXPECT_TRUE(r.status == c.status && r.consumed == c.consumed && r.produced == c.produced &&
                std::equal(row.begin(), row.begin() + r.produced, Bytes{7, 8, 9, 10}.begin()))
        << c.in.size() << " bytes: " << r.consumed << " " << r.produced;
  }
  EXPECT_TRUE(DecodePackBits(in, std::span<std::uint8_t>()).consumed == 0);  // an empty row
}

}  // namespace
}  // namespace vl::image
