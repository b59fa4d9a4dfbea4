// The two-dimensional fax modes, hand-coded from the T.4/T.6 code tables, row after row against
// the row above: pass, horizontal and every vertical offset; Group 3's end-of-line codes and
// tag bits; reversed fill order; a row cut short and retried; damaged rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/ccitt_fax.h"
#include "image/deflate_decoder.h"

namespace vl::image {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::string>;

// '0'/'1' characters (blanks ignored) packed most significant bit first, or least when
// `reversed`.
Bytes Pack(const std::string& bits, bool reversed = false) {
  Bytes out;
  std::size_t n = 0;
  for (char c : bits) {
    if (c == ' ') continue;
    if (n % 8 == 0) out.push_back(0);
    const int shift = reversed ? int(n % 8) : 7 - int(n % 8);
    if (c == '1') out.back() |= static_cast<std::uint8_t>(1u << shift);
    ++n;
  }
  return out;
}

// Rows of `width` pixels as '#' (black) and '.'; stops at the first failure, whose status goes
// to `status`.
Rows DecodeAll(CcittFaxDecoder& decoder, const Bytes& in, int width, int rows,
               DecodeStatus& status) {
  Rows out;
  Bytes row((std::size_t(width) + 7) / 8);
  std::size_t at = 0;
  status = DecodeStatus::kOk;
  for (int y = 0; y < rows && status == DecodeStatus::kOk; ++y) {
    const DecodeResult r = decoder.decodeRow(std::span(in).subspan(at), row);
    status = r.status;
    if (!r.ok()) break;
    at += r.consumed;
    std::string text;
    for (int x = 0; x < width; ++x) text += (row[x / 8] >> (7 - x % 8)) & 1 ? '#' : '.';
    out.push_back(text);
  }
  return out;
}

// Row 1 is always horizontal mode: 4 white, 4 black ("001 1011 011"), then V0 to the end.
constexpr const char* kFirstRow = "001 1011 011 1";
const std::string kFirstPicture = "....####....";

struct Case {
  const char* what;
  std::string bits;  // after kFirstRow (Group 4), or the whole stream (Group 3)
  Rows rows;         // rows after the first, or every row (Group 3)
  DecodeStatus status = DecodeStatus::kOk;
  CcittFaxOptions options = {true, false, false};
};

TEST(CcittFax, TwoDimensionalModesFollowTheRowAbove) {
  const Case cases[] = {
      {"V0 on both changes", "1 1 1", {"....####...."}},
      {"VL1 then VR1", "010 011 1", {"...######..."}},
      {"VR2 twice", "000011 000011 1", {"......####.."}},
      {"VR3 then VL3: a1 = 5 left of a0 = 7", "0000011 0000010 1", {},
       DecodeStatus::kBadRunLength},
      {"VL3 then VR3", "0000010 0000011 1", {".##########."}},
      {"pass over the black run", "0001 1", {"............"}},
      {"horizontal from the start: 0 white, 2 black", "001 00110101 11 1 1 1",
       {"##..####...."}},
      {"horizontal up to the end", "001 1011 000101", {"....########"}},
      {"run past the end", "001 1100 0000100", {}, DecodeStatus::kBadRunLength},
      {"extension code (uncompressed mode)", "0000001 111", {}, DecodeStatus::kBadCode},
      {"seven zeros mid-stream", "000000000001", {}, DecodeStatus::kBadCode},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CcittFaxDecoder decoder;
    ASSERT_TRUE(decoder.start(12, c.options));
    DecodeStatus status;
    const int attempts = 1 + (c.status == DecodeStatus::kOk ? int(c.rows.size()) : 1);
    const Rows rows =
        DecodeAll(decoder, Pack(std::string(kFirstRow) + " " + c.bits), 12, attempts, status);
    Rows expected = {kFirstPicture};
    if (c.status == DecodeStatus::kOk) expected.insert(expected.end(), c.rows.begin(), c.rows.end());
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(rows, expected);
  }
}

TEST(CcittFax, GroupThreeTagsEachRowAfterItsEndOfLine) {
  const std::string eol = "000000000001";
  struct G3 {
    const char* what;
    std::string bits;
    CcittFaxOptions options;
    Rows rows;
  } const cases[] = {
      {"one-dimensional rows, with and without an end of line",
       eol + "1011 011 1011" + "1011 011 1011", {false, false, false},
       {"....####....", "....####...."}},
      {"fill zeros before the end of line", "0000 " + eol + "1011 011 1011",
       {false, false, false}, {"....####...."}},
      {"a 1-D row, then a 2-D row under it", eol + "1 1011 011 1011 " + eol + "0 010 011 1",
       {false, true, false}, {"....####....", "...######..."}},
      {"the same sent low bit first", eol + "1 1011 011 1011 " + eol + "0 010 011 1",
       {false, true, true}, {"....####....", "...######..."}},
  };
  for (const G3& c : cases) {
    SCOPED_TRACE(c.what);
    CcittFaxDecoder decoder;
    ASSERT_TRUE(decoder.start(12, c.options));
    DecodeStatus status;
    EXPECT_EQ(DecodeAll(decoder, Pack(c.bits, c.options.leastSignificantFirst), 12,
                        int(c.rows.size()), status),
              c.rows);
    EXPECT_EQ(status, DecodeStatus::kOk);
  }
}

// A row cut short reports kTruncated and changes nothing: given the whole input it decodes as
// if the short attempt never happened; a new strip starts from a white row again.
TEST(CcittFax, ATruncatedRowCanBeRetriedAndStripsStartAfresh) {
  CcittFaxDecoder decoder;
  ASSERT_TRUE(decoder.start(12, {true, false, false}));
  const Bytes whole = Pack(std::string(kFirstRow) + " 010 011 1");  // two rows, 20 bits
  Bytes row(2);
  DecodeResult first = decoder.decodeRow(whole, row);
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(first.consumed, 1u);  // 13 bits: one whole byte, 5 bits into the next
  const std::span<const std::uint8_t> rest = std::span(whole).subspan(first.consumed);
  EXPECT_EQ(decoder.decodeRow(rest.first(1), row).status, DecodeStatus::kTruncated);
  ASSERT_TRUE(decoder.decodeRow(rest, row).ok());
  EXPECT_EQ(row, (Bytes{0x1F, 0x80}));  // ...######...
  decoder.startStrip();
  ASSERT_TRUE(decoder.decodeRow(whole, row).ok());
  EXPECT_EQ(row, (Bytes{0x0F, 0x00}));
  CcittFaxDecoder unstarted;
  EXPECT_EQ(unstarted.decodeRow(whole, row).status, DecodeStatus::kBadArgument);
  EXPECT_FALSE(unstarted.start(32768, {}));
  ASSERT_TRUE(unstarted.start(12, {}));
  EXPECT_EQ(unstarted.decodeRow(whole, std::span(row).first(1)).status,
            DecodeStatus::kBadArgument);
}

TEST(DeflateDecoder, StopsWhenFullAndTellsDamageFromTruncation) {
  // zlib's stream of "abcabcabc": header 78 9C, fixed-Huffman block, Adler-32.
  const Bytes stream = {0x78, 0x9C, 0x4B, 0x4C, 0x4A, 0x4E, 0x04, 0x23, 0x00,
                        0x11, 0x3D, 0x03, 0x73};
  Bytes out(9);
  DecodeResult r = DecodeDeflate(stream, out);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(std::string(out.begin(), out.end()), "abcabcabc");
  Bytes four(4);
  r = DecodeDeflate(stream, four);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.produced, 4u);
  EXPECT_EQ(DecodeDeflate(std::span(stream).first(6), out).status, DecodeStatus::kTruncated);
  Bytes damaged = stream;
  damaged[0] = 0x79;  // header check fails
  EXPECT_EQ(DecodeDeflate(damaged, out).status, DecodeStatus::kBadCode);
  damaged = stream;
  damaged.back() ^= 1;  // checksum
  EXPECT_EQ(DecodeDeflate(damaged, out).status, DecodeStatus::kBadCode);
}

}  // namespace
}  // namespace vl::image
