// Sun raster and the program's own bitmap file on hand-made files: their header rules, and bad
// headers or data each getting their message.
#include <gtest/gtest.h>

#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

// A Sun raster header (eight big-endian words) followed by the map and the rows.
Bytes SunFile(std::uint32_t width, std::uint32_t height, std::uint32_t depth, std::uint32_t type,
              std::uint32_t mapType, const Bytes& map, const Bytes& rows) {
  FileBuilder b;
  b.be32(0x59A66A95).be32(width).be32(height).be32(depth).be32(std::uint32_t(rows.size()));
  b.be32(type).be32(mapType).be32(std::uint32_t(map.size())).raw(map).raw(rows);
  return b.bytes;
}

Bytes BitmapFile(int rowBytes, int top, int left, int bottom, int right, const Bytes& rows) {
  FileBuilder b;
  b.zeros(4).le16(rowBytes).le16(top).le16(left).le16(bottom).le16(right);
  return b.raw(rows).bytes;
}

TEST(SunRasterReader, RowsAreStoredAsTheyAreOneMeansBlack) {
  // 5 pixels: 2-byte rows (16-bit padded); the padding bits in the file do not show.
  ReadRun run;
  ASSERT_EQ(run.readBytes(readSunRaster, SunFile(5, 2, 1, 1, 0, {}, {0xA8, 0xFF, 0x57, 0x00})),
            kReadOk);
  EXPECT_EQ(bilevelPicture(run.image), (std::vector<std::string>{"#.#.#", ".#.#."}));
  EXPECT_EQ(run.image.bitRowBytes, 4);
  // An old-style file (type 0) reads the same; a map of type 0 is not skipped even with a length.
  ReadRun old;
  ASSERT_EQ(old.readBytes(readSunRaster, SunFile(5, 2, 1, 0, 0, {}, {0xA8, 0xFF, 0x57, 0x00})),
            kReadOk);
  EXPECT_EQ(BitLayerPixels(old.image), BitLayerPixels(run.image));
}

TEST(SunRasterReader, BadHeadersAndDataEachGetTheirMessage) {
  const Bytes row = {0xFF, 0xFF};
  struct Case {
    const char* what;
    Bytes file;
    int message;
  } cases[] = {
      {"8 bits per pixel", SunFile(2, 1, 8, 1, 0, {}, row), msg::kSunRasterNotBilevel},
      {"24 bits per pixel", SunFile(2, 1, 24, 1, 0, {}, Bytes(6)), msg::kSunRasterNotBilevel},
      {"byte-encoded", SunFile(2, 1, 1, 2, 0, {}, row), msg::kSunRasterCompressed},
      {"type 5", SunFile(2, 1, 1, 5, 0, {}, row), msg::kSunRasterCompressed},
      {"zero height", SunFile(2, 0, 1, 1, 0, {}, row), msg::kUnknownInputFormat},
      {"zero width", SunFile(0, 1, 1, 1, 0, {}, row), msg::kUnknownInputFormat},
      {"32768 wide", SunFile(32768, 1, 1, 1, 0, {}, Bytes(4096)), msg::kUnknownInputFormat},
      {"2^32 - 1 high", SunFile(8, 0xFFFFFFFF, 1, 1, 0, {}, row), msg::kUnknownInputFormat},
      {"a row short", SunFile(16, 2, 1, 1, 0, {}, Bytes(3)), msg::kUnknownInputFormat},
      {"map longer than the file", SunFile(16, 1, 1, 1, 1, {}, row), msg::kUnknownInputFormat},
      {"header cut short", Bytes{0x59, 0xA6, 0x6A, 0x95, 0, 0}, msg::kUnknownInputFormat},
      {"not a Sun raster", Bytes(40, 0x11), msg::kUnknownInputFormat},
  };
  // The map length word of "map longer than the file" claims 0 bytes; make it claim 100.
  cases[9].file[31] = 100;
  for (const Case& c : cases) {
    ReadRun run;
    EXPECT_EQ(run.readBytes(readSunRaster, c.file), kReadFailed) << c.what;
    run.expectOnly(c.message);
    EXPECT_TRUE(run.image.bitLayer.empty()) << c.what;
  }
}

TEST(BitmapFileReader, SizeFromTheRectangleRowLengthFromTheFile) {
  // 12 x 2 pixels at (left 3, top 5); rows of 3 bytes, so bit-layer rows of 4 and 32 pixels.
  ReadRun run;
  ASSERT_EQ(run.readBytes(readBitmapFile,
                          BitmapFile(3, 5, 3, 7, 15, {0xF0, 0x0F, 0xFF, 0xAA, 0x55, 0x00})),
            kReadOk);
  EXPECT_EQ(run.image.width, 12);
  EXPECT_EQ(run.image.height, 2);
  EXPECT_EQ(run.image.paddedWidth, 32);
  EXPECT_EQ(bilevelPicture(run.image), (std::vector<std::string>{"####........", "#.#.#.#..#.#"}));
  EXPECT_TRUE(run.messages().empty());
}

TEST(BitmapFileReader, EmptyNegativeOrOversizedRectanglesAreUnknownFormats) {
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"zero height", BitmapFile(2, 4, 0, 4, 8, Bytes(2))},
      {"zero row length", BitmapFile(0, 0, 0, 1, 8, Bytes(2))},
      {"negative height", BitmapFile(2, 4, 0, 1, 8, Bytes(8))},
      {"negative width", BitmapFile(2, 0, 9, 1, 1, Bytes(2))},
      {"wider than its rows", BitmapFile(1, 0, 0, 1, 9, Bytes(1))},
      {"rows of 32767 bytes", BitmapFile(32767, 0, 0, 1, 8, Bytes(16))},
      {"a row short", BitmapFile(2, 0, 0, 3, 16, Bytes(5))},
      {"header cut short", Bytes(13)},
  };
  for (const Case& c : cases) {
    ReadRun run;
    EXPECT_EQ(run.readBytes(readBitmapFile, c.file), kReadFailed) << c.what;
    run.expectOnly(msg::kUnknownInputFormat);
  }
}

TEST(SunRasterReader, TheUsersStopEndsTheReadWithoutAMessage) {
  ReadRun run;
  run.env.ui.requestAbort();
  EXPECT_EQ(run.readBytes(readSunRaster, SunFile(16, 3, 1, 1, 0, {}, Bytes(6, 0xF0))), kReadFailed);
  EXPECT_TRUE(run.messages().empty());
  ReadRun memory;
  memory.env.memory.failAfter(0);
  EXPECT_EQ(memory.readBytes(readSunRaster, SunFile(16, 3, 1, 1, 0, {}, Bytes(6, 0xF0))),
            kReadFailed);
  memory.expectOnly(msg::kInsufficientMemory);
}

}  // namespace
}  // namespace vl::image::testing
