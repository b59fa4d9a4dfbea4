// Hand-made TIFF files for the tag handling the real tools never produce: missing or unusual
// strip tags, polarity, resolutions, field types, undeclared extra samples, DOS EPS offsets,
// word-padded rows and odd tile widths.
#include <gtest/gtest.h>

#include "engine/byte_order.h"
#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image {
namespace {

using testing::bilevelPicture;
using testing::ColorBytes;
using testing::OnlyMessage;
using testing::OpenBytes;
using testing::SimpleTiff;
using testing::TestRuntime;
using testing::Text;
using testing::TiffBuilder;

using Bytes = std::vector<std::uint8_t>;

// Rows of '#' (ink) and '.' packed 1 bit per pixel, set bits for '#' (black is zero: 0 = ink
// is the caller's choice through photometric).
Bytes PackRows(const std::vector<std::string>& rows, bool inkIsOne, int rowBytes = 0) {
  const int width = static_cast<int>(rows[0].size());
  if (rowBytes == 0) rowBytes = (width + 7) / 8;
  Bytes out(rows.size() * rowBytes, inkIsOne ? 0x00 : 0xFF);
  for (std::size_t y = 0; y < rows.size(); ++y) {
    for (int x = 0; x < width; ++x) {
      if ((rows[y][x] == '#') == inkIsOne) out[y * rowBytes + x / 8] |= 0x80 >> (x % 8);
      else out[y * rowBytes + x / 8] &= ~(0x80 >> (x % 8));
    }
  }
  return out;
}

const std::vector<std::string> kPicture = {
    "#..........#",
    ".##......##.",
    "...######...",
    "............",
    "#.#.#.#.#.#.",
};

// Reads `bytes` and returns the bit layer as text; "" and the message when the read failed.
std::vector<std::string> ReadBilevel(const Bytes& bytes, std::string* message = nullptr) {
  TestRuntime t;
  RasterImage image;
  const bool ok = OpenBytes(t, image, bytes);
  if (message != nullptr) *message = OnlyMessage(t);
  std::vector<std::string> rows = ok ? bilevelPicture(image) : std::vector<std::string>{};
  releaseImage(image, t.rt);
  return rows;
}

TEST(TiffTags, StripsWithoutByteCountsOrRowsPerStripAndInlineShortOffsets) {
  const Bytes strip = PackRows(kPicture, true);  // 2 bytes per row
  TiffBuilder b = SimpleTiff(12, 5, 1, 1, kBlackIsZero, PackRows(kPicture, false));
  EXPECT_EQ(ReadBilevel(b.build()), kPicture);

  // No StripByteCounts: strips of 2 rows, each read for its rows.
  TiffBuilder strips;
  const std::uint32_t at = strips.addData(strip);
  strips.tag(256, 3, {12}).tag(257, 3, {5}).tag(258, 3, {1}).tag(262, 3, {kWhiteIsZero});
  strips.tag(273, 4, {at, at + 4, at + 8}).tag(278, 3, {2});
  EXPECT_EQ(ReadBilevel(strips.build()), kPicture);
  // No byte counts and no RowsPerStrip, or one beyond the image: one strip.
  b.remove(279).remove(278);
  EXPECT_EQ(ReadBilevel(b.build()), kPicture);
  b.tag(278, 4, {0xFFFFFFFF});
  EXPECT_EQ(ReadBilevel(b.build()), kPicture);

  // Two strips whose SHORT offsets and counts both sit in the entries' own value fields, the
  // second strip stored before the first.
  TiffBuilder two;
  const std::uint32_t second = two.addData(Bytes(strip.begin() + 6, strip.end()));
  const std::uint32_t first = two.addData(Bytes(strip.begin(), strip.begin() + 6));
  two.tag(256, 3, {12}).tag(257, 3, {5}).tag(258, 3, {1}).tag(262, 3, {kWhiteIsZero});
  two.tag(273, 3, {first, second}).tag(278, 3, {3}).tag(279, 3, {6, 4});
  EXPECT_EQ(ReadBilevel(two.build()), kPicture);
}

TEST(TiffTags, LzwStripsWithoutByteCountsAreReadAsFarAsTheyGo) {
  // The real file with its StripByteCounts entry renamed to a tag nobody reads.
  Bytes file = testing::ReadWholeFile(testing::TiffCorpusDir() + "noise_lzw_r32.tif");
  ASSERT_EQ(file[0], 'I');
  const std::uint32_t ifd = engine::LoadLe32(&file[4]);
  const int entries = engine::LoadLe16(&file[ifd]);
  int renamed = 0;
  for (int i = 0; i < entries; ++i) {
    std::uint8_t* entry = &file[ifd + 2 + 12 * i];
    if (engine::LoadLe16(entry) == 279) {
      engine::StoreLe16(entry, 40000);
      ++renamed;
    }
  }
  ASSERT_EQ(renamed, 1);
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(OpenBytes(t, image, file)) << OnlyMessage(t);
  const testing::Picture p = testing::ReadPicture(testing::TiffCorpusDir() + "src_noise.ppm");
  EXPECT_EQ(ColorBytes(image), Bytes(p.samples.begin(), p.samples.end()));
  releaseImage(image, t.rt);
}

TEST(TiffTags, TallSingleStripsAreOneStripWhateverTheirRowsPerStrip) {
  // 30001 rows in one strip that says so: read as one strip, not cut at 30000 rows.
  const int rows = 30001;
  Bytes strip(rows, 0x80);  // black is zero: bit 1 is white
  strip[rows - 1] = 0x00;    // the last row's pixel is ink
  TiffBuilder b = SimpleTiff(1, rows, 1, 1, kBlackIsZero, strip);
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(OpenBytes(t, image, b.build())) << OnlyMessage(t);
  EXPECT_TRUE(testing::pixelAt(bitRow(image, rows - 1), 0));
  EXPECT_FALSE(testing::pixelAt(bitRow(image, rows - 2), 0));
  EXPECT_EQ(image.paddedWidth, 32);
  releaseImage(image, t.rt);
}

TEST(TiffTags, PolarityFollowsPhotometricByteOrderAndSwappedMinMaxSampleValues) {
  // The same picture as white-is-zero and black-is-zero, in both byte orders.
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian);
    EXPECT_EQ(ReadBilevel(SimpleTiff(12, 5, 1, 1, kWhiteIsZero, PackRows(kPicture, true),
                                     bigEndian).build()),
              kPicture);
    EXPECT_EQ(ReadBilevel(SimpleTiff(12, 5, 1, 1, kBlackIsZero, PackRows(kPicture, false),
                                     bigEndian).build()),
              kPicture);
    // MinSampleValue 255 and MaxSampleValue 0 exchange white and black.
    TiffBuilder swapped =
        SimpleTiff(12, 5, 1, 1, kBlackIsZero, PackRows(kPicture, true), bigEndian);
    swapped.tag(280, 3, {255}).tag(281, 3, {0});
    EXPECT_EQ(ReadBilevel(swapped.build()), kPicture);
  }

  // Gray: after the swap a black-is-zero file reads as white-is-zero and is complemented.
  TiffBuilder gray = SimpleTiff(3, 1, 8, 1, kBlackIsZero, {0, 100, 255});
  gray.tag(280, 3, {255}).tag(281, 3, {0});
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(OpenBytes(t, image, gray.build())) << OnlyMessage(t);
  EXPECT_EQ(ColorBytes(image), (Bytes{255, 155, 0}));
  EXPECT_EQ(image.photometric, kBlackIsZero);
  releaseImage(image, t.rt);
}

TEST(TiffTags, ResolutionsOutside24To4000AndBadFieldTypesLeaveTheDefaults) {
  struct Case {
    std::uint32_t numerator, denominator;
    double expected;
  };
  for (const Case& c : {Case{150, 1, 150.0}, Case{20, 1, 300.0}, Case{5000, 1, 300.0},
                        Case{24, 1, 24.0}, Case{8000, 2, 4000.0}, Case{72, 0, 300.0}}) {
    SCOPED_TRACE(c.numerator);
    TiffBuilder b = SimpleTiff(12, 5, 1, 1, kWhiteIsZero, PackRows(kPicture, true));
    b.rational(282, c.numerator, c.denominator).rational(283, 600, 1);
    TestRuntime t;
    RasterImage image;
    image.xResolution = image.yResolution = 7.0;  // reset by the dispatch
    ASSERT_TRUE(OpenBytes(t, image, b.build()));
    EXPECT_DOUBLE_EQ(image.xResolution, c.expected);
    EXPECT_DOUBLE_EQ(image.yResolution, 600.0);
    releaseImage(image, t.rt);
  }

  // A resolution that is not a RATIONAL, and numbers that are SSHORT: one message of each
  // kind, the tags read as 0, and the image still loads.
  TiffBuilder b = SimpleTiff(12, 5, 1, 1, kWhiteIsZero, PackRows(kPicture, true));
  b.raw(282, 3, 1, 200).raw(317, 8, 1, 2).raw(284, 8, 1, 1).raw(280, 9, 1, 0);
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(OpenBytes(t, image, b.build()));
  EXPECT_EQ(t.ui.messages(), (std::vector<std::string>{Text(msg::kTiffGetLongError),
                                                       Text(msg::kTiffGetRationalError)}));
  EXPECT_DOUBLE_EQ(image.xResolution, 300.0);
  EXPECT_EQ(bilevelPicture(image), kPicture);
  releaseImage(image, t.rt);

  // Compression as SSHORT reads as 0, an encoding this reader does not know.
  TiffBuilder c = SimpleTiff(12, 5, 1, 1, kWhiteIsZero, PackRows(kPicture, true));
  c.raw(259, 8, 1, 1);
  TestRuntime t2;
  RasterImage image2;
  EXPECT_FALSE(OpenBytes(t2, image2, c.build()));
  EXPECT_EQ(t2.ui.messages(), (std::vector<std::string>{Text(msg::kTiffGetLongError),
                                                        Text(msg::kTiffUnimplementedEncoding)}));
}

TEST(TiffTags, SamplesBeyondTheColourModelAreDroppedAndSubByteSamplesWidened) {
  struct Case {
    std::uint32_t bits, samples, photometric;
    Bytes strip;
    std::vector<std::uint32_t> extraSamples;  // the ExtraSamples tag, when given
    Bytes expected;                           // colour layer after the load
    int samplesPerPixel;
  };
  const Case cases[] = {
      // RGBA with ExtraSamples, and without it (alpha still dropped, never taken for CMYK).
      {8, 4, kPhotometricRgb, {1, 2, 3, 99, 4, 5, 6, 99}, {2}, {1, 2, 3, 4, 5, 6}, 3},
      {8, 4, kPhotometricRgb, {1, 2, 3, 99, 4, 5, 6, 99}, {}, {1, 2, 3, 4, 5, 6}, 3},
      // Gray and alpha, 16 bits little-endian: the high bytes.
      {16, 2, kBlackIsZero, {0x34, 0x12, 0xFF, 0xFF, 0x00, 0xAB, 0x00, 0x00}, {1}, {0x12, 0xAB}, 1},
      // 4-bit gray: 15 becomes 0xF0, 1 becomes 0x10.
      {4, 1, kBlackIsZero, {0xF1}, {}, {0xF0, 0x10}, 1},
      // 2-bit gray.
      {2, 1, kBlackIsZero, {0b11100100}, {}, {0xC0, 0x80}, 1},
      // 1-bit RGB, one byte for both pixels: set bits give 255.
      {1, 3, kPhotometricRgb, {0b10101100}, {}, {255, 0, 255, 0, 255, 255}, 3},
      // 1-bit gray with a 1-bit extra sample: gray samples of 0 or 255 (black is zero).
      {1, 2, kBlackIsZero, {0b10010000}, {2}, {255, 0}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits x " + std::to_string(c.samples));
    TiffBuilder b = SimpleTiff(2, 1, c.bits, c.samples, c.photometric, c.strip);
    if (!c.extraSamples.empty()) b.tag(338, 3, c.extraSamples);
    TestRuntime t;
    RasterImage image;
    ASSERT_TRUE(OpenBytes(t, image, b.build())) << OnlyMessage(t);
    EXPECT_EQ(image.samplesPerPixel, c.samplesPerPixel);
    EXPECT_EQ(ColorBytes(image), c.expected);
    releaseImage(image, t.rt);
  }
}

TEST(TiffTags, PalettesOfTwoBitIndicesSelectTheirColours) {
  // 2-bit indices 0..3 with a 12-entry map (reds, then greens, then blues, 16-bit values).
  TiffBuilder b = SimpleTiff(4, 1, 2, 1, kPhotometricPalette, {0b00011011});
  std::vector<std::uint32_t> map;
  for (std::uint32_t channel = 0; channel < 3; ++channel)
    for (std::uint32_t i = 0; i < 4; ++i) map.push_back(((channel + 1) * 10 + i) << 8 | 0x77);
  b.tag(320, 3, map);
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(OpenBytes(t, image, b.build())) << OnlyMessage(t);
  EXPECT_EQ(imageMode(image), ImageMode::Rgb);
  EXPECT_EQ(image.photometric, kPhotometricPalette);
  EXPECT_EQ(ColorBytes(image), (Bytes{10, 20, 30, 11, 21, 31, 12, 22, 32, 13, 23, 33}));
  releaseImage(image, t.rt);
}

TEST(TiffTags, DosEpsOffsetsCountFromTheTiffStart) {
  const Bytes tiff = SimpleTiff(12, 5, 1, 1, kWhiteIsZero, PackRows(kPicture, true)).build();
  Bytes eps = {0xC5, 0xD0, 0xD3, 0xC6};
  eps.resize(100, 0);
  eps[20] = 100;  // TIFF start, little-endian
  eps[24] = static_cast<std::uint8_t>(tiff.size());
  eps.insert(eps.end(), tiff.begin(), tiff.end());
  EXPECT_EQ(ReadBilevel(eps), kPicture);

  // A TIFF start beyond the end of the file, and a TIFF part with neither byte order.
  std::string message;
  eps[21] = 0x10;
  EXPECT_TRUE(ReadBilevel(eps, &message).empty());
  EXPECT_EQ(message, Text(msg::kTiffIncompleteData));
  eps[21] = 0;
  eps[100] = 'X';
  EXPECT_TRUE(ReadBilevel(eps, &message).empty());
  EXPECT_EQ(message, Text(msg::kTiffByteOrderError));
}

TEST(TiffTags, WordPaddedRowsAndTilesOfOddWidths) {
  // Compression 32771: uncompressed rows padded to 32 bits.
  TiffBuilder padded = SimpleTiff(12, 5, 1, 1, kWhiteIsZero, PackRows(kPicture, true, 4));
  padded.tag(259, 3, {32771});
  EXPECT_EQ(ReadBilevel(padded.build()), kPicture);

  // Bilevel tiles 5 pixels wide and 2 rows long: tiles start inside bytes.
  TiffBuilder tiled;
  std::vector<std::uint32_t> offsets;
  std::vector<std::uint32_t> counts;
  for (int ty = 0; ty < 3; ++ty) {
    for (int tx = 0; tx < 3; ++tx) {
      std::vector<std::string> tile;
      for (int y = ty * 2; y < ty * 2 + 2; ++y) {
        std::string row;
        for (int x = tx * 5; x < tx * 5 + 5; ++x) {
          row += y < 5 && x < 12 ? kPicture[y][x] : '#';  // beyond the image: ink, to be cut
        }
        tile.push_back(row);
      }
      const Bytes data = PackRows(tile, true);
      offsets.push_back(tiled.addData(data));
      counts.push_back(static_cast<std::uint32_t>(data.size()));
    }
  }
  tiled.tag(256, 3, {12}).tag(257, 3, {5}).tag(258, 3, {1}).tag(262, 3, {kWhiteIsZero});
  tiled.tag(322, 3, {5}).tag(323, 3, {2}).tag(324, 4, offsets).tag(325, 4, counts);
  EXPECT_EQ(ReadBilevel(tiled.build()), kPicture);
}

TEST(TiffTags, OneBitPlanesOfCmykGiveFullInk) {
  // Four 1-bit planes of 3 pixels, one strip each.
  TiffBuilder b;
  const Bytes planes[4] = {{0b10000000}, {0b01000000}, {0b00100000}, {0b11100000}};
  std::vector<std::uint32_t> offsets;
  for (const Bytes& p : planes) offsets.push_back(b.addData(p));
  b.tag(256, 3, {3}).tag(257, 3, {1}).tag(258, 3, {1, 1, 1, 1});
  b.tag(262, 3, {kPhotometricSeparated});
  b.tag(273, 4, offsets).tag(277, 3, {4}).tag(279, 4, {1, 1, 1, 1}).tag(284, 3, {2});
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(OpenBytes(t, image, b.build())) << OnlyMessage(t);
  EXPECT_EQ(imageMode(image), ImageMode::Cmyk);
  EXPECT_EQ(image.bitsPerSample, 8);
  EXPECT_EQ(ColorBytes(image), (Bytes{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255}));
  releaseImage(image, t.rt);
}

}  // namespace
}  // namespace vl::image
