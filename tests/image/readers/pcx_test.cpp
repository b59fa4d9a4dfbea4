// PCX files made by hand: the plane layouts no tool here writes, the resolution rule, and bad
// headers or data each getting their message.
#include <gtest/gtest.h>

#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

// A 128-byte header and the encoded lines (bytes below 0xC0 stand for themselves).
Bytes PcxFile(int version, int bitsPerPixel, int width, int height, int planes, int lineBytes,
              const Bytes& data) {
  FileBuilder b;
  b.u8(10).u8(version).u8(1).u8(bitsPerPixel).le16(0).le16(0).le16(width - 1).le16(height - 1);
  b.zeros(4).zeros(48).u8(0).u8(planes).le16(lineBytes).zeros(60);
  return b.raw(data).bytes;
}

TEST(PcxReader, BilevelLinesAreComplementedOneMeansWhite) {
  // 10 pixels in 2-byte lines; a run of two 0xFF crosses into the second line.
  ReadRun run;
  ASSERT_EQ(run.readBytes(ReadPcxAtDefaultScreen,
                          PcxFile(5, 1, 10, 3, 1, 2, {0x0F, 0xC2, 0xFF, 0x3F, 0x80, 0x00})),
            kReadOk);
  EXPECT_EQ(bilevelPicture(run.image),
            (std::vector<std::string>{"####......", "........##", ".#########"}));
}

TEST(PcxReader, GrayWithoutPaletteKeepsItsValuesBlackIsZero) {
  // Version 3 (no palette), one plane of 8 bits: gray, 0 = black.
  ReadRun run;
  ASSERT_EQ(run.readBytes(ReadPcxAtDefaultScreen,
                          PcxFile(3, 8, 3, 2, 1, 4, {0, 0x7F, 0xC1, 0xC8, 9, 0xC2, 0xFF, 1, 2})),
            kReadOk);
  EXPECT_EQ(run.image.samplesPerPixel, 1);
  EXPECT_EQ(run.image.photometric, kBlackIsZero);
  EXPECT_EQ(ColorLayerPixels(run.image), (Bytes{0, 0x7F, 0xC8, 0xFF, 0xFF, 1}));
  // Version 5 without the palette marker reads the same way.
  Bytes v5 = PcxFile(5, 8, 3, 2, 1, 4, {0, 0x7F, 0xC1, 0xC8, 9, 0xC2, 0xFF, 1, 2});
  ReadRun five;
  ASSERT_EQ(five.readBytes(ReadPcxAtDefaultScreen, v5), kReadOk);
  EXPECT_EQ(ColorLayerPixels(five.image), ColorLayerPixels(run.image));
}

TEST(PcxReader, BitPlanesMakeEightAndSixteenColours) {
  // Three 1-bit planes (red, green, blue): 128 per set bit, and all three set is light gray.
  // Pixels: black, red, green, yellow, blue, magenta, cyan, white.
  ReadRun eight;
  ASSERT_EQ(eight.readBytes(ReadPcxAtDefaultScreen, PcxFile(5, 1, 8, 1, 3, 1, {0x55, 0x33, 0x0F})),
            kReadOk);
  EXPECT_EQ(ColorLayerPixels(eight.image),
            (Bytes{0, 0, 0,   128, 0, 0,   0, 128, 0,   128, 128, 0,
                   0, 0, 128, 128, 0, 128, 0, 128, 128, 192, 192, 192}));
  // Four 1-bit planes: blue, green, red at full strength; the fourth plane is ignored.
  ReadRun sixteen;
  ASSERT_EQ(sixteen.readBytes(ReadPcxAtDefaultScreen,
                              PcxFile(2, 1, 4, 1, 4, 1, {0x50, 0x30, 0x00, 0x70})),
            kReadOk);
  EXPECT_EQ(ColorLayerPixels(sixteen.image), (Bytes{0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 255, 255}));
}

TEST(PcxReader, ResolutionIsTheScreensUnlessElevenInchesNeedMore) {
  auto readAt = [](int width, int height, double screen) {
    ReadRun run;
    const int lineBytes = (width + 7) / 8;
    Bytes lines;
    for (int i = 0; i < lineBytes * height; ++i) lines.push_back(0x3F);
    run.readBytes([screen](RasterImage& i, engine::Runtime& rt) { return readPcx(i, rt, screen); },
                  PcxFile(5, 1, width, height, 1, lineBytes, lines));
    EXPECT_EQ(run.image.xResolution, run.image.yResolution);
    return run.image.xResolution;
  };
  EXPECT_EQ(readAt(640, 480, 96.0), 96.0);
  EXPECT_DOUBLE_EQ(readAt(2000, 1000, 96.0), 2016.0 / 11.0);  // the padded width counts
  EXPECT_EQ(readAt(640, 480, 120.0), 120.0);
}

TEST(PcxReader, UnknownLayoutsAndBadDataEachGetTheUnknownFormatMessage) {
  const Bytes data(64, 0x01);
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"two planes", PcxFile(5, 1, 8, 2, 2, 1, data)},
      {"two planes of 8 bits", PcxFile(5, 8, 4, 2, 2, 4, data)},
      {"four planes of 8 bits", PcxFile(5, 8, 4, 2, 4, 4, data)},
      {"one plane of 4 bits", PcxFile(5, 4, 4, 2, 1, 2, data)},
      {"manufacturer 11",
       [&] {
         Bytes f = PcxFile(5, 1, 8, 2, 1, 1, data);
         f[0] = 11;
         return f;
       }()},
      {"zero width",
       [&] {
         Bytes f = PcxFile(5, 1, 8, 2, 1, 1, data);
         f[8] = 0xFF;
         f[9] = 0xFF;
         return f;
       }()},
      {"width 32768", PcxFile(5, 1, 32768, 1, 1, 4096, Bytes(4096))},
      {"lines shorter than the width", PcxFile(5, 8, 10, 2, 1, 8, data)},
      {"zero line length", PcxFile(5, 1, 8, 2, 1, 0, data)},
      {"data cut short", PcxFile(5, 8, 40, 2, 3, 40, data)},
      {"a run cut short", PcxFile(5, 1, 8, 1, 1, 1, {0xC5})},
      {"header cut short", Bytes{10, 5, 1, 1}},
  };
  for (const Case& c : cases) {
    ReadRun run;
    EXPECT_EQ(run.readBytes(ReadPcxAtDefaultScreen, c.file), kReadFailed) << c.what;
    run.expectOnly(msg::kUnknownInputFormat);
    EXPECT_TRUE(run.image.colorLayer.empty()) << c.what;
  }
}

TEST(PcxReader, ThePaletteTrailerIsNotReadAsImageData) {
  // One plane of 8-bit indices, version 5, then marker 12 and 256 colours. The data ends short
  // of the image: the palette bytes must not be taken for the missing pixels.
  Bytes palette(768);
  for (int i = 0; i < 256; ++i)
    palette[3 * i] = std::uint8_t(i), palette[3 * i + 1] = 7,
                palette[3 * i + 2] = std::uint8_t(255 - i);
  Bytes whole = PcxFile(5, 8, 2, 2, 1, 2, {1, 2, 3});
  whole.push_back(12);
  whole.insert(whole.end(), palette.begin(), palette.end());
  ReadRun shortData;
  EXPECT_EQ(shortData.readBytes(ReadPcxAtDefaultScreen, whole), kReadFailed);
  shortData.expectOnly(msg::kUnknownInputFormat);

  whole.insert(whole.begin() + 131, 4);  // the fourth index
  ReadRun run;
  ASSERT_EQ(run.readBytes(ReadPcxAtDefaultScreen, whole), kReadOk);
  EXPECT_EQ(run.image.samplesPerPixel, 3);
  EXPECT_EQ(ColorLayerPixels(run.image), (Bytes{1, 7, 254, 2, 7, 253, 3, 7, 252, 4, 7, 251}));
}

TEST(PcxReader, DownsamplingAndTheUsersStop) {
  // 24-bit, 4 x 4: the odd rows, every second pixel of them.
  Bytes lines;
  for (int y = 0; y < 4; ++y)
    for (int p = 0; p < 3; ++p)
      for (int x = 0; x < 4; ++x) lines.push_back(std::uint8_t(y * 16 + p * 4 + x));
  ReadRun half;
  half.image.downsample = true;
  ASSERT_EQ(half.readBytes(ReadPcxAtDefaultScreen, PcxFile(5, 8, 4, 4, 3, 4, lines)), kReadOk);
  EXPECT_EQ(half.image.width, 2);
  EXPECT_EQ(ColorLayerPixels(half.image), (Bytes{16, 20, 24, 18, 22, 26, 48, 52, 56, 50, 54, 58}));
  ReadRun stopped;
  stopped.env.ui.requestAbort();
  EXPECT_EQ(stopped.readBytes(ReadPcxAtDefaultScreen, PcxFile(5, 8, 4, 4, 3, 4, lines)),
            kReadFailed);
  EXPECT_TRUE(stopped.messages().empty());
}

}  // namespace
}  // namespace vl::image::testing
