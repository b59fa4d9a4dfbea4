// Hand-made TIFF files for what the real tools never write (unusual strip tags, polarity, padded
// rows, odd tiles, mistyped fields, extra samples, 1-bit planes), each read with its pixels,
// resolution and messages, or failed or refused with its exact messages, leaving nothing behind.
#include <gtest/gtest.h>

#include "platform/byte_order.h"
#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image::testing {
namespace {

const std::vector<std::string> kPicture = {
    "#..........#", ".##......##.", "...######...", "............", "#.#.#.#.#.#."};

// Rows of '#' (ink) and '.' at 1 bit a pixel, rows of `rowBytes` bytes; padding bits clear.
Bytes PackRows(const std::vector<std::string>& rows, bool inkIsOne, std::size_t rowBytes = 2) {
  Bytes out(rows.size() * rowBytes, 0);
  for (std::size_t y = 0; y < rows.size(); ++y) {
    for (std::size_t x = 0; x < rows[y].size(); ++x) {
      if ((rows[y][x] == '#') == inkIsOne) out[y * rowBytes + x / 8] |= 0x80 >> (x % 8);
    }
  }
  return out;
}

// kPicture, white is zero, in one strip at offset 8; 12 x 2 gray and palette images.
TiffBuilder Picture12x5(bool bigEndian = false, std::size_t rowBytes = 2) {
  return SimpleTiff(12, 5, 1, 1, kWhiteIsZero, PackRows(kPicture, true, rowBytes), bigEndian);
}
TiffBuilder Gray() { return SimpleTiff(12, 2, 8, 1, kBlackIsZero, Bytes(24, 0x40)); }
TiffBuilder Palette() { return SimpleTiff(12, 2, 8, 1, kPhotometricPalette, Bytes(24, 1)); }

// A strip of `compression` from MSB-first bits: one 12-pixel bilevel row or two of 8-bit gray.
Bytes Coded(std::uint32_t compression, const std::string& bits, std::uint32_t depth = 1) {
  Bytes strip((bits.size() + 7) / 8, 0);
  for (std::size_t i = 0; i < bits.size(); ++i) strip[i / 8] |= (bits[i] == '1') << (7 - i % 8);
  return SimpleTiff(12, depth == 1 ? 1 : 2, depth, 1, 0, strip).tag(259, 3, {compression}).build();
}

// The same with one more tag (a SHORT).
Bytes CodedWith(std::uint32_t compression, const std::string& bits, std::uint16_t tag,
                std::uint32_t value) {
  Bytes strip((bits.size() + 7) / 8, 0);
  for (std::size_t i = 0; i < bits.size(); ++i) strip[i / 8] |= (bits[i] == '1') << (7 - i % 8);
  return SimpleTiff(12, 1, 1, 1, 0, strip).tag(259, 3, {compression}).tag(tag, 3, {value}).build();
}

TEST(TiffHandMade, EveryFileIsReadOrRefusedAsRecorded) {
  const Bytes ink = PackRows(kPicture, true), gray = Gray().build();
  const auto With = [](Bytes b, std::size_t at, std::uint8_t value) { b.at(at) = value; return b; };
  Bytes secondFirst(ink.begin() + 6, ink.end());
  secondFirst.insert(secondFirst.end(), ink.begin(), ink.begin() + 6);
  TiffBuilder tiled;  // 3 x 3 tiles of 5 pixels by 2 rows, which start inside bytes
  std::vector<std::uint32_t> offsets;
  for (int tile = 0; tile < 9; ++tile) {
    Bytes rows(2, 0);
    for (int i = 0; i < 10; ++i) {  // beyond the image: ink, to be cut
      const int x = tile % 3 * 5 + i % 5, y = tile / 3 * 2 + i / 5;
      if (x >= 12 || y >= 5 || kPicture[y][x] == '#') rows[i / 5] |= 0x80 >> (i % 5);
    }
    for (std::uint8_t& row : rows) row |= 0x07;  // past the tile: ink the next tile overwrites
    offsets.push_back(tiled.addData(rows));
  }
  tiled.tag(256, 3, {12}).tag(257, 3, {5}).tag(258, 3, {1}).tag(262, 3, {0}).tag(322, 3, {5});
  tiled.tag(323, 3, {2}).tag(324, 4, offsets).tag(325, 4, std::vector<std::uint32_t>(9, 2));
  std::vector<std::uint32_t> map;  // 2-bit palette: 4 reds, 4 greens, 4 blues of 16 bits
  for (std::uint32_t i = 0; i < 12; ++i) map.push_back((i / 4 * 10 + 10 + i % 4) << 8 | 0x77);
  TiffBuilder planes = SimpleTiff(3, 1, 1, 4, kPhotometricSeparated, {0x80, 0x40, 0x20, 0xE0});
  planes.tag(258, 3, {1, 1, 1, 1}).tag(273, 4, {8, 9, 10, 11}).tag(279, 4, {1, 1, 1, 1});
  Bytes lzw = ReadWholeFile(CorpusPath("noise_lzw_r32.tif"));  // StripByteCounts renamed
  int renamed = 0;
  for (std::uint32_t ifd = platform::LoadLe32(&lzw[4]), i = 0; i < platform::LoadLe16(&lzw[ifd]); ++i) {
    if (platform::LoadLe16(&lzw[ifd + 2 + 12 * i]) == 279 && ++renamed) lzw[ifd + 3 + 12 * i] = 0x99;
  }
  ASSERT_EQ(renamed, 1);
  const Bytes eps = ReadWholeFile(CorpusPath("bilevel_preview.eps"));
  const std::size_t tiffInEps = eps.at(20) | eps.at(21) << 8 | eps.at(22) << 16;
  std::string endless;  // white 0, black 0, ... until the strip runs out
  for (int i = 0; i < 2000; ++i) endless += "001101010000110111";
  const int incomplete = msg::kTiffIncompleteData, unimplemented = msg::kTiffUnimplementedEncoding,
            getLong = msg::kTiffGetLongError;
  struct Case {
    std::string what;
    Bytes file;
    std::vector<int> messages = {};               // the last one ends a read that is not done
    std::vector<std::string> picture = kPicture;  // the bit layer; with no colour: not read
    Bytes color = {};                             // the colour layer
    double dpi = 300;                             // horizontal
  };
  std::vector<Case> cases = {
      {"little-endian", Picture12x5().build()},
      {"big-endian", Picture12x5(true).build()},
      {"black is zero", SimpleTiff(12, 5, 1, 1, kBlackIsZero, PackRows(kPicture, false)).build()},
      {"sample limits swapped", SimpleTiff(12, 5, 1, 1, kBlackIsZero, ink, true)
                                    .tag(280, 3, {255}).tag(281, 3, {0}).build()},
      {"no counts, no rows per strip", Picture12x5().remove(279).remove(278).build()},
      {"rows per strip beyond the image", Picture12x5().tag(278, 4, {0xFFFFFFFF}).build()},
      {"strips of 2 rows, no counts", Picture12x5().remove(279).tag(278, 3, {2})
                                          .tag(273, 4, {8, 12, 16}).build()},
      {"SHORT offsets and counts in their entries, second strip first",
       SimpleTiff(12, 5, 1, 1, kWhiteIsZero, secondFirst).tag(273, 3, {12, 8})
           .tag(278, 3, {3}).tag(279, 3, {6, 4}).build()},
      {"word-padded rows", Picture12x5(false, 4).tag(259, 3, {32771}).build()},
      {"tiles of odd width", tiled.build()},
      {"150 dpi", Picture12x5().tag(282, 5, {150, 1}).build(), {}, kPicture, {}, 150},
      {"24 dpi", Picture12x5().tag(282, 5, {24, 1}).build(), {}, kPicture, {}, 24},
      {"4000 dpi as 8000/2", Picture12x5().tag(282, 5, {8000, 2}).build(), {}, kPicture, {}, 4000},
      {"20 dpi", Picture12x5().tag(282, 5, {20, 1}).build()},
      {"5000 dpi", Picture12x5().tag(282, 5, {5000, 1}).build()},
      {"no denominator", Picture12x5().tag(282, 5, {72, 0}).build()},
      // A resolution that is no RATIONAL and numbers that are SSHORT: one message of each
      // kind, the tags read as 0, and the image still loads.
      {"mistyped", Picture12x5().raw(282, 3, 1, 200).raw(317, 8, 1, 2).raw(284, 8, 1, 1)
                       .raw(280, 9, 1, 0).build(), {getLong, msg::kTiffGetRationalError}},
      {"LZW without counts", lzw, {}, {}, ReadWholeFile(CorpusPath("expected_noise.raw"))},
      {"RGBA without ExtraSamples is not CMYK",
       SimpleTiff(2, 1, 8, 4, kPhotometricRgb, {1, 2, 3, 9, 4, 5, 6, 9}).build(), {}, {},
       {1, 2, 3, 4, 5, 6}},
      {"16-bit gray and alpha", SimpleTiff(2, 1, 16, 2, 1, {0x34, 0x12, 0xFF, 0xFF, 0, 0xAB, 0, 0})
                                    .tag(338, 3, {1}).build(), {}, {}, {0x12, 0xAB}},
      {"1-bit gray, extra sample", SimpleTiff(2, 1, 1, 2, 1, {0x90}).tag(338, 3, {2}).build(), {},
       {}, {255, 0}},  // once decoded into the bit layer, two bits a pixel
      {"gray with swapped limits", SimpleTiff(3, 1, 8, 1, 1, {0, 100, 255}).tag(280, 3, {255})
                                       .tag(281, 3, {0}).build(), {}, {}, {255, 155, 0}},
      {"2-bit palette", SimpleTiff(4, 1, 2, 1, 3, {0x1B}).tag(320, 3, map).build(), {}, {},
       {10, 20, 30, 11, 21, 31, 12, 22, 32, 13, 23, 33}},
      {"1-bit CMYK planes", planes.tag(284, 3, {2}).build(), {}, {},
       {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255}},
      {"width 0", Gray().tag(256, 4, {0}).build(), {incomplete}, {}},
      {"height 0", Gray().tag(257, 4, {0}).build(), {incomplete}, {}},
      {"no strip offsets", Gray().remove(273).build(), {incomplete}, {}},
      {"strip past the end", Gray().tag(273, 4, {5000}).build(), {incomplete}, {}},
      {"count past the end", Gray().tag(279, 4, {5000}).build(), {incomplete}, {}},
      {"strip short of its rows", Gray().tag(279, 4, {20}).build(), {incomplete}, {}},
      {"2 strips, 1 offset", Gray().tag(278, 3, {1}).build(), {incomplete}, {}},
      {"2 strips, 1 count", Gray().tag(273, 4, {8, 8}).tag(278, 3, {1}).build(), {incomplete}, {}},
      {"no rows per strip", Gray().tag(278, 3, {0}).build(), {incomplete}, {}},
      {"offsets past the end", Gray().raw(273, 4, 2, 0x7FFFFFF0).tag(278, 3, {1}).build(),
       {incomplete}, {}},
      {"tile width, no length", Gray().tag(322, 3, {16}).build(), {incomplete}, {}},
      {"directory cut short", Bytes(gray.begin(), gray.end() - 20), {incomplete}, {}},
      {"directory past the end", With(gray, 4, 0xF0), {incomplete}, {}},
      {"EPS with its TIFF past the end", With(eps, 22, 0x10), {incomplete}, {}},
      {"EPS, TIFF of no byte order", With(eps, tiffInEps, 'X'), {msg::kTiffByteOrderError}, {}},
      {"palette without map", Palette().build(), {incomplete}, {}},
      {"map of 6 entries", Palette().tag(320, 3, {1, 2, 3, 4, 5, 6}).build(), {incomplete}, {}},
      {"map past the end", Palette().raw(320, 3, 768, 0xFFFFF0).build(), {incomplete}, {}},
      {"map of LONGs", Palette().raw(320, 4, 768, 8).build(), {getLong, incomplete}, {}},
      {"width 32768", Gray().tag(256, 4, {32768}).build(), {unimplemented}, {}},
      {"height 100000", Gray().tag(257, 4, {100000}).build(), {unimplemented}, {}},
      {"wide tile", Gray().tag(322, 4, {70000}).tag(323, 3, {16}).build(), {unimplemented}, {}},
      {"CCITT on gray", Gray().tag(259, 3, {2}).build(), {unimplemented}, {}},
      {"word-padded gray", Gray().tag(259, 3, {32771}).build(), {unimplemented}, {}},
      {"compression as SSHORT", Gray().raw(259, 8, 1, 1).build(), {getLong, unimplemented}, {}},
      {"3 bits", Gray().tag(258, 3, {3}).build(), {unimplemented}, {}},
      {"YCbCr", Gray().tag(262, 3, {6}).build(), {unimplemented}, {}},
      {"RGB of 1 sample", Gray().tag(262, 3, {2}).build(), {unimplemented}, {}},
      {"0 samples", Gray().tag(277, 3, {0}).build(), {unimplemented}, {}},
      {"40 samples", Gray().tag(277, 3, {40}).build(), {unimplemented}, {}},
      {"only an extra sample", Gray().tag(338, 3, {1}).build(), {unimplemented}, {}},
      {"predictor 3", Gray().tag(259, 3, {5}).tag(317, 3, {3}).build(), {unimplemented}, {}},
      {"predictor on 4 bits", SimpleTiff(12, 2, 4, 1, 1, Bytes(12)).tag(259, 3, {5})
                                  .tag(317, 3, {2}).build(), {unimplemented}, {}},
      {"CCITT run one pixel too long", Coded(2, "000011"), {msg::kTiffBadStrokeLength}, {}},
      {"CCITT code in no table", Coded(2, "000000000000000"), {msg::kTiffBadCode}, {}},
      {"CCITT row never ending", Coded(2, endless), {incomplete}, {}},
      {"LZW code beyond the table", Coded(5, "100000000100101100", 8), {msg::kTiffBadCode}, {}},
      {"LZW ending early", Coded(5, "100000000001000000100000001", 8), {incomplete}, {}},
      {"PackBits ending early", Coded(32773, "1111010100010001", 8), {incomplete}, {}},
      // Group 4: horizontal mode (4 white, 3 black), then V0 onto the all-white row above's end.
      {"Group 4 row", Coded(4, "001" "1011" "10" "1"), {}, {"....###....."}},
      {"Group 3 2-D row after its end of line", CodedWith(3, "000000000001" "0" "001" "1011" "10"
                                                              "1", 292, 1), {}, {"....###....."}},
      {"Group 4, FillOrder 2", CodedWith(4, "11101100" "00000010", 266, 2), {}, {"....###....."}},
      {"Group 4 mode code in no table", Coded(4, "0000000000000000"), {msg::kTiffBadCode}, {}},
      {"Group 4 uncompressed mode", Coded(4, "0000001111"), {msg::kTiffBadCode}, {}},
      {"Group 4 change past the row", Coded(4, "0000011"), {msg::kTiffBadStrokeLength}, {}},
      {"Group 4 row never ending", Coded(4, "001" "1011"), {incomplete}, {}},
      {"Group 3 uncompressed mode allowed", CodedWith(3, "1", 292, 2), {unimplemented}, {}},
      {"Group 4 uncompressed mode allowed", CodedWith(4, "1", 293, 2), {unimplemented}, {}},
      {"Group 4 FillOrder 3", CodedWith(4, "1", 266, 3), {unimplemented}, {}},
      {"Group 4 on gray", Gray().tag(259, 3, {4}).build(), {unimplemented}, {}},
      {"Deflate of no zlib stream", Coded(8, "0101010101010101", 8), {msg::kTiffBadCode}, {}},
      {"Deflate ending early", Coded(8, "0111100010011100", 8), {incomplete}, {}},
      {"Deflate with predictor 3", Gray().tag(259, 3, {8}).tag(317, 3, {3}).build(),
       {unimplemented}, {}}};
  for (const char* name : {"refused_jpeg.tif", "refused_float.tif"}) {
    cases.push_back({name, ReadWholeFile(CorpusPath(name)), {unimplemented}, {}});  // real files
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestRuntime t;
    RasterImage image;
    image.xResolution = 7.0;  // reset by the dispatch
    const ReadOutcome outcome = OpenBytes(t, image, c.file);
    const bool ok = outcome.read();
    std::vector<std::string> texts;
    for (int number : c.messages) texts.push_back(Text(number));
    EXPECT_EQ(t.ui.messages(), texts);
    ASSERT_EQ(ok, !c.picture.empty() || !c.color.empty()) << ::testing::PrintToString(outcome);
    // What this reader does not decode is refused; what is missing or damaged fails.
    if (!ok) {
      ASSERT_FALSE(c.messages.empty());
      const int last = c.messages.back();
      EXPECT_EQ(outcome, last == unimplemented ? ReadRefused(last) : ReadFailed(last));
    }
    if (ok && c.color.empty()) { EXPECT_EQ(bilevelPicture(image), c.picture); }
    EXPECT_EQ(ColorBytes(image), c.color);
    EXPECT_DOUBLE_EQ(image.xResolution, c.dpi);
    EXPECT_FALSE(t.ui.progressOpen());
    // A refusal leaves nothing allocated and the file closed.
    EXPECT_EQ(t.memory.used() == 0 && image.fileHandle == platform::kNoFile, !ok);
    releaseImage(image, t.rt);
  }
}

}  // namespace
}  // namespace vl::image::testing
