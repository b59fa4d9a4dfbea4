// PackBits rows: run kinds, row boundaries and cut-short input.
#include <gtest/gtest.h>

#include <vector>

#include "image/packbits.h"

namespace {

using vl::image::DecodePackBits;
using vl::image::DecodeResult;
using vl::image::DecodeStatus;
using Bytes = std::vector<std::uint8_t>;

TEST(PackBits, RowsOfLiteralsRepeatsAndNoOpsEachStartAfterThePreviousRow) {
  // Row 1: -128 (skipped), literal of 3, repeat 0x77 twice (-1 → 2 bytes).
  // Row 2: repeat 0x10 four times (-3), then a -128 that belongs to the next row.
  const Bytes in = {0x80, 0x02, 1, 2, 3, 0xFF, 0x77, 0xFD, 0x10, 0x80, 0x00, 9};
  Bytes row(5, 0xEE);
  DecodeResult r = DecodePackBits(in, row);
  EXPECT_EQ(r.status, DecodeStatus::kOk);
  EXPECT_EQ(r.consumed, 7u);
  EXPECT_EQ(r.produced, 5u);
  EXPECT_EQ(row, (Bytes{1, 2, 3, 0x77, 0x77}));

  Bytes row2(4);
  r = DecodePackBits(std::span(in).subspan(7), row2);
  EXPECT_EQ(r.status, DecodeStatus::kOk);
  EXPECT_EQ(r.consumed, 2u);  // stops as soon as the row is full, before the -128
  EXPECT_EQ(row2, (Bytes{0x10, 0x10, 0x10, 0x10}));

  Bytes row3(1);
  r = DecodePackBits(std::span(in).subspan(9), row3);
  EXPECT_EQ(r.status, DecodeStatus::kOk);
  EXPECT_EQ(r.consumed, 3u);
  EXPECT_EQ(row3, Bytes{9});
}

TEST(PackBits, RunsPastTheRowEndAreCutAndTheirBytesSkipped) {
  // A literal of 4 into a row of 2, then a repeat of 6 into a row of 3: neither may spill, and
  // each next row starts after the whole run.
  const Bytes in = {0x03, 1, 2, 3, 4, 0xFB, 0x55, 0x00, 0x42};
  Bytes guarded(2 + 4, 0xEE);
  DecodeResult r = DecodePackBits(in, std::span(guarded).first(2));
  EXPECT_EQ(r.status, DecodeStatus::kOk);
  EXPECT_EQ(r.consumed, 5u);
  EXPECT_EQ(guarded, (Bytes{1, 2, 0xEE, 0xEE, 0xEE, 0xEE}));

  Bytes row(3 + 4, 0xEE);
  r = DecodePackBits(std::span(in).subspan(5), std::span(row).first(3));
  EXPECT_EQ(r.consumed, 2u);
  EXPECT_EQ(row, (Bytes{0x55, 0x55, 0x55, 0xEE, 0xEE, 0xEE, 0xEE}));

  Bytes last(1);
  r = DecodePackBits(std::span(in).subspan(7), last);
  EXPECT_EQ(last, Bytes{0x42});
}

TEST(PackBits, InputEndingInsideARowIsTruncatedWithWhatWasThere) {
  Bytes row(4, 0xEE);
  DecodeResult r = DecodePackBits({}, row);
  EXPECT_EQ(r.status, DecodeStatus::kTruncated);
  EXPECT_EQ(r.consumed, 0u);
  EXPECT_EQ(r.produced, 0u);

  const Bytes literalCut = {0x05, 7, 8};  // claims 6 bytes, has 2
  r = DecodePackBits(literalCut, row);
  EXPECT_EQ(r.status, DecodeStatus::kTruncated);
  EXPECT_EQ(r.consumed, 3u);
  EXPECT_EQ(r.produced, 2u);
  EXPECT_EQ(row[0], 7);
  EXPECT_EQ(row[1], 8);

  const Bytes repeatWithoutByte = {0xFE};
  r = DecodePackBits(repeatWithoutByte, row);
  EXPECT_EQ(r.status, DecodeStatus::kTruncated);
  EXPECT_EQ(r.produced, 0u);

  const Bytes onlyNoOps = {0x80, 0x80};
  r = DecodePackBits(onlyNoOps, row);
  EXPECT_EQ(r.status, DecodeStatus::kTruncated);
  EXPECT_EQ(r.consumed, 2u);

  // A literal whose missing bytes lie past the row's end still completes the row.
  const Bytes longLiteralCut = {0x09, 1, 2, 3, 4};
  r = DecodePackBits(longLiteralCut, row);
  EXPECT_EQ(r.status, DecodeStatus::kOk);
  EXPECT_EQ(r.produced, 4u);

  // An empty row needs no input at all.
  r = DecodePackBits(literalCut, std::span<std::uint8_t>());
  EXPECT_EQ(r.status, DecodeStatus::kOk);
  EXPECT_EQ(r.consumed, 0u);
}

}  // namespace
