// CCITT modified Huffman rows: the code tables, run decoding, row alignment and broken rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "image/ccitt_huffman.h"

namespace {

using vl::image::CcittRunCodes;
using vl::image::DecodeCcittRow;
using vl::image::DecodeResult;
using vl::image::DecodeStatus;
using vl::image::RunCode;
using Bytes = std::vector<std::uint8_t>;

class BitWriter {
 public:
  void put(unsigned bits, int length) {
    for (int b = length - 1; b >= 0; --b) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((bits >> b) & 1u) bytes_.back() |= static_cast<std::uint8_t>(0x80u >> (used_ % 8));
      ++used_;
    }
  }
  void alignToByte() { used_ = bytes_.size() * 8; }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::size_t used_ = 0;
};

const RunCode& CodeFor(bool black, int run) {
  const auto codes = CcittRunCodes(black);
  return *std::find_if(codes.begin(), codes.end(),
                       [run](const RunCode& c) { return c.run == run; });
}

// One run as make-up codes (2560 at most each) and a terminating code.
void PutRun(BitWriter& w, bool black, int run) {
  while (run >= 64) {
    const int makeUp = std::min(run / 64 * 64, 2560);
    w.put(CodeFor(black, makeUp).bits, CodeFor(black, makeUp).length);
    run -= makeUp;
  }
  w.put(CodeFor(black, run).bits, CodeFor(black, run).length);
}

// A row of runs alternating white, black, ... starting with white, padded to a byte.
void PutRow(BitWriter& w, const std::vector<int>& runs) {
  for (std::size_t i = 0; i < runs.size(); ++i) PutRun(w, i % 2 == 1, runs[i]);
  w.alignToByte();
}

bool Bit(const Bytes& row, int x) { return (row[x / 8] >> (7 - x % 8)) & 1; }

TEST(Ccitt, TablesHoldEveryRunOnceAndArePrefixFree) {
  for (bool black : {false, true}) {
    SCOPED_TRACE(black ? "black" : "white");
    const auto codes = CcittRunCodes(black);
    std::set<int> runs;
    for (const RunCode& c : codes) {
      EXPECT_GE(c.length, 2);
      EXPECT_LE(c.length, 13);
      EXPECT_LT(c.bits, 1u << c.length);
      runs.insert(c.run);
    }
    std::set<int> wanted;
    for (int run = 0; run < 64; ++run) wanted.insert(run);
    for (int run = 64; run <= 2560; run += 64) wanted.insert(run);
    EXPECT_EQ(runs, wanted);
    EXPECT_EQ(codes.size(), wanted.size());
    // No code may be the beginning of another, or decoding would be ambiguous.
    for (const RunCode& a : codes) {
      for (const RunCode& b : codes) {
        if (&a == &b || a.length > b.length) continue;
        EXPECT_NE(b.bits >> (b.length - a.length), a.bits) << a.run << " prefixes " << b.run;
      }
    }
  }
  // Only the extended make-up codes are shared between the colours.
  for (int run : {0, 1, 63, 64, 1728}) {
    EXPECT_NE(CodeFor(false, run).bits, CodeFor(true, run).bits);
  }
  EXPECT_EQ(CodeFor(false, 2560).bits, CodeFor(true, 2560).bits);
}

TEST(Ccitt, RowsDecodeRunByRunAndEachStartsOnAByte) {
  BitWriter w;
  PutRow(w, {3, 5, 5});                 // width 13: two bytes, pad bits must stay clear
  PutRow(w, {0, 2, 11});                // starts black behind a zero-length white run
  PutRow(w, {0, 13});                   // all black
  const std::size_t afterThree = w.bytes().size();
  PutRow(w, {64});                      // width 64: a make-up reaching the width, then W0
  PutRow(w, {1, 128 + 64 + 8, 2601});   // width 2802: black make-ups, then 2560 + 41 white

  Bytes row(2, 0xFF);
  std::size_t at = 0;
  const auto next = [&](int width) {
    row.assign((width + 7) / 8 + 1, 0xFF);  // one byte more: must be left untouched
    const DecodeResult r = DecodeCcittRow(std::span(w.bytes()).subspan(at), width, row);
    at += r.consumed;
    EXPECT_EQ(r.produced, static_cast<std::size_t>((width + 7) / 8));
    EXPECT_EQ(row.back(), 0xFF);
    return r.status;
  };

  ASSERT_EQ(next(13), DecodeStatus::kOk);
  EXPECT_EQ(row[0], 0b00011111);
  EXPECT_EQ(row[1], 0b00000000);
  ASSERT_EQ(next(13), DecodeStatus::kOk);
  EXPECT_EQ(row[0], 0b11000000);
  EXPECT_EQ(row[1], 0b00000000);
  ASSERT_EQ(next(13), DecodeStatus::kOk);
  EXPECT_EQ(row[0], 0xFF);
  EXPECT_EQ(row[1], 0b11111000);
  EXPECT_EQ(at, afterThree);
  ASSERT_EQ(next(64), DecodeStatus::kOk);
  EXPECT_TRUE(std::all_of(row.begin(), row.end() - 1, [](auto b) { return b == 0; }));
  ASSERT_EQ(next(2802), DecodeStatus::kOk);
  for (int x : {0, 201, 202, 2801}) EXPECT_FALSE(Bit(row, x)) << x;
  for (int x : {1, 100, 200}) EXPECT_TRUE(Bit(row, x)) << x;
  EXPECT_EQ(at, w.bytes().size());
}

TEST(Ccitt, BrokenRowsReportWhy) {
  Bytes row(16);
  // Runs adding up to one pixel more than the width.
  BitWriter tooLong;
  PutRow(tooLong, {10, 11});
  EXPECT_EQ(DecodeCcittRow(tooLong.bytes(), 20, row).status, DecodeStatus::kBadRunLength);
  // A make-up code past the width is caught before the rest of the run.
  BitWriter makeUpPast;
  PutRow(makeUpPast, {128, 0});
  EXPECT_EQ(DecodeCcittRow(makeUpPast.bytes(), 100, row).status, DecodeStatus::kBadRunLength);

  // An end-of-line code (eleven 0s and a 1) is in neither table.
  BitWriter eol;
  eol.put(0b000000000001, 12);
  eol.put(0xFFFF, 16);
  EXPECT_EQ(DecodeCcittRow(eol.bytes(), 20, row).status, DecodeStatus::kBadCode);

  // Input that ends before the runs reach the width.
  BitWriter shortRow;
  PutRow(shortRow, {5, 5});
  EXPECT_EQ(DecodeCcittRow(shortRow.bytes(), 20, row).status, DecodeStatus::kTruncated);
  EXPECT_EQ(DecodeCcittRow({}, 20, row).status, DecodeStatus::kTruncated);
  // A make-up code landing on the width still needs its terminating code.
  BitWriter noTerminator;
  noTerminator.put(CodeFor(false, 64).bits, CodeFor(false, 64).length);
  EXPECT_EQ(DecodeCcittRow(noTerminator.bytes(), 64, row).status, DecodeStatus::kTruncated);
  // Endless zero-length runs end with the input instead of looping.
  BitWriter zeros;
  for (int i = 0; i < 50; ++i) PutRun(zeros, i % 2 == 1, 0);
  EXPECT_EQ(DecodeCcittRow(zeros.bytes(), 20, row).status, DecodeStatus::kTruncated);

  // Rows the caller cannot hold.
  EXPECT_EQ(DecodeCcittRow(shortRow.bytes(), 129, row).status, DecodeStatus::kBadArgument);
  EXPECT_EQ(DecodeCcittRow(shortRow.bytes(), -1, row).status, DecodeStatus::kBadArgument);
  // A zero-width row needs no input.
  const DecodeResult empty = DecodeCcittRow({}, 0, std::span<std::uint8_t>());
  EXPECT_EQ(empty.status, DecodeStatus::kOk);
  EXPECT_EQ(empty.consumed, 0u);
}

}  // namespace
