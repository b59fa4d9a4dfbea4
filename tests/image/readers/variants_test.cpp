// Files no tool here writes (corpus files with a field changed, small hand-made ones): each
// fails or is refused with its message, leaving nothing behind, or is read as its layout says.
#include <gtest/gtest.h>

#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

// PCX: a 128-byte header, then the encoded lines (bytes below 0xC0 stand for themselves).
Bytes PcxFile(int version, int bitsPerPixel, int width, int height, int planes, int lineBytes,
              Bytes data) {
  auto u8 = [](int v) { return std::uint8_t(v); };
  const int w = width - 1, h = height - 1;  // the last column and row
  const Bytes header = Edit(Edit(Bytes(128), 0, {10, u8(version), 1, u8(bitsPerPixel), 0, 0, 0, 0,
                                                 u8(w), u8(w >> 8), u8(h), u8(h >> 8)}),
                            65, {u8(planes), u8(lineBytes), u8(lineBytes >> 8)});
  data.insert(data.begin(), header.begin(), header.end());
  return data;
}

TEST(ReaderVariants, EachFailsOrIsRefusedWithItsMessageOrIsReadAsItsLayoutSays) {
  auto corpus = [](const char* name) { return ReadBytes(CorpusPath(name)); };
  const Bytes rvx = corpus("rvx_gray_raw.rvx"), rgb = corpus("rvx_rgb_packbits.rvx");
  const Bytes sun = corpus("sun_pnmtorast.ras"), bits = corpus("pcx_netpbm_bilevel.pcx");
  const Bytes pcx = corpus("pcx_netpbm_rgb.pcx"), gray = LoadPicture("gray_45x19.pgm").pixels;
  // The program's own bitmap file: 4 bytes, then little-endian row bytes (3), top (5), left (3),
  // bottom (7), right (15); padded, as the dispatch reads 32 bytes before it chooses.
  Bytes own = {0, 0, 0, 0, 3, 0, 5, 0, 3, 0, 7, 0, 15, 0, 0xF0, 0x0F, 0xFF, 0xAA, 0x55, 0x00};
  own.resize(40);
  Bytes palette = PcxFile(5, 8, 2, 2, 1, 2, {1, 2, 3});  // data one byte short, then the trailer
  palette.insert(palette.end(), 769, 12);
  const Bytes grayPcx = {0, 0x7F, 0xC1, 0xC8, 9, 0xC2, 0xFF, 1, 2};  // 3 pixels in 4-byte lines
  const Bytes grayPixels = {0, 0x7F, 0xC8, 0xFF, 0xFF, 1};
  // RVX offsets: 12 channels, 14 rows, 18 columns, 22 depth, 24 mode, 26 colour data length,
  // 30 resources length, 38 first resource's id, 66 resolution, 93 compression, 95 row byte
  // counts. Sun raster: big-endian words. PCX: 0 maker, 3 bits per pixel, 8 last column, 65
  // planes, 66 line bytes.
  const ReadOutcome kRvx = ReadFailed(msg::kInvalidRvxFormat);
  const ReadOutcome kUnknown = ReadFailed(msg::kUnknownInputFormat);
  struct Case {
    const char* what;
    Bytes file;
    const char* name;
    ReadOutcome outcome;
    Bytes pixels = {};  // bilevel as '#' and '.'; empty: not compared
    double ppi = 0;     // pixels per inch, both ways
  } cases[] = {
      {"RVX signature", Edit(rvx, 3, {'G'}), "a.rvx", kRvx},
      {"RVX version 2", Edit(rvx, 4, {0, 2}), "a.rvx", kRvx},
      {"RVX HSL mode", Edit(rvx, 24, {0, 5}), "a.rvx", ReadRefused(msg::kRvxModeNotSupported)},
      {"RVX zero columns", Edit(rvx, 18, {0, 0, 0, 0}), "a.rvx", kRvx},
      {"RVX 32768 columns", Edit(rvx, 18, {0, 0, 0x80, 0}), "a.rvx", kRvx},
      {"RVX 70000 rows", Edit(rvx, 14, {0, 1, 0x11, 0x70}), "a.rvx", kRvx},
      {"RVX no channels", Edit(rvx, 12, {0, 0}), "a.rvx", kRvx},
      {"RVX RGB in two channels", Edit(rgb, 12, {0, 2}), "a.rvx", kRvx},
      {"RVX depth 4", Edit(rvx, 22, {0, 4}), "a.rvx", kRvx},
      {"RVX bitmap of depth 8", Edit(rvx, 24, {0, 0}), "a.rvx", kRvx},
      {"RVX colour data for gray", Edit(rvx, 26, {0, 0, 0, 4}), "a.rvx", kRvx},
      {"RVX table of 767", Edit(corpus("rvx_indexed.rvx"), 26, {0, 0, 2, 0xFF}), "a.rvx", kRvx},
      {"RVX block longer than its section", Edit(rvx, 30, {0, 0, 0, 47}), "a.rvx", kRvx},
      {"RVX compression 2", Edit(rvx, 93, {0, 2}), "a.rvx", kRvx},
      {"RVX row counts beyond the data", Edit(rgb, 95, {0xFF, 0xFF}), "a.rvx", kRvx},
      {"RVX PackBits row that ends early", Edit(rgb, 95, {0, 1}), "a.rvx", kRvx},
      {"Sun 8 bits per pixel", Edit(sun, 15, {8}), "a.ras", ReadRefused(msg::kSunRasterNotBilevel)},
      {"Sun byte-encoded", Edit(sun, 23, {2}), "a.ras", ReadRefused(msg::kSunRasterCompressed)},
      {"Sun zero width", Edit(sun, 4, {0, 0, 0, 0}), "a.ras", kUnknown},
      {"Sun zero height", Edit(sun, 8, {0, 0, 0, 0}), "a.ras", kUnknown},
      {"Sun 32768 wide", Edit(sun, 4, {0, 0, 0x80, 0}), "a.ras", kUnknown},
      {"Sun 2^32 - 1 high", Edit(sun, 8, {0xFF, 0xFF, 0xFF, 0xFF}), "a.ras", kUnknown},
      {"Sun map longer than the file", Edit(sun, 24, {0, 0, 0, 1, 0, 1, 0, 0}), "a.ras", kUnknown},
      {"PCX two planes", Edit(bits, 65, {2}), "a.pcx", kUnknown},
      {"PCX two planes of 8 bits", Edit(pcx, 65, {2}), "a.pcx", kUnknown},
      {"PCX one plane of 4 bits", Edit(bits, 3, {4}), "a.pcx", kUnknown},
      {"PCX maker 11", Edit(bits, 0, {11}), "a.pcx", kUnknown},
      {"PCX zero width", Edit(bits, 8, {0xFF, 0xFF}), "a.pcx", kUnknown},
      {"PCX 32768 wide", PcxFile(5, 1, 32768, 1, 1, 4096, Bytes(4096)), "a.pcx", kUnknown},
      {"PCX lines shorter than the width", Edit(pcx, 66, {8, 0}), "a.pcx", kUnknown},
      {"PCX zero line length", Edit(pcx, 66, {0, 0}), "a.pcx", kUnknown},
      {"PCX colour trailer taken for pixels", palette, "a.pcx", kUnknown},
      {"bitmap zero height", Edit(own, 10, {5, 0}), "a.sun", kUnknown},  // bottom - top
      {"bitmap zero row length", Edit(own, 4, {0, 0}), "a.sun", kUnknown},
      {"bitmap negative width", Edit(own, 12, {2, 0}), "a.sun", kUnknown},
      {"bitmap wider than its rows", Edit(own, 12, {28, 0}), "a.sun", kUnknown},
      {"bitmap rows of 32767 bytes", Edit(own, 4, {0xFF, 0x7F}), "a.sun", kUnknown},
      {"bitmap a row short", Edit(own, 10, {14, 0}), "a.sun", kUnknown},
      {"bitmap under another name", own, "a.dat", kUnknown},
      // Without the signature a ".sun" file is the program's own bitmap file, rows as long as
      // it says; with it, a Sun raster (type 0, the old style, reads as type 1).
      {"bitmap", own, "a.sun", kReadDone, Chars("####........#.#.#.#..#.#"), 300},
      {"Sun type 0", Edit(sun, 23, {0}), "a.sun", kReadDone,
       LoadPicture("bilevel_40x23.pbm").pixels, 300},
      // A resolution resource of the wrong size is skipped; a zero resolution keeps 72.
      {"RVX two 1005 blocks", Edit(rvx, 38, {0x03, 0xED}), "a.rvx", kReadDone, gray, 200},
      {"RVX 0 ppi", Edit(rvx, 66, {0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0}), "a.rvx", kReadDone,
       gray, 72},
      // Without a palette, 8 bits in one plane are gray (0 = black): version 3, or 5 without one.
      {"PCX gray", PcxFile(3, 8, 3, 2, 1, 4, grayPcx), "a.pcx", kReadDone, grayPixels, 96},
      {"PCX 5 gray", PcxFile(5, 8, 3, 2, 1, 4, grayPcx), "a.pcx", kReadDone, grayPixels, 96},
      // Three bit planes (red, green, blue): 128 per set bit, all three light gray.
      {"PCX 8 colours", PcxFile(5, 1, 8, 1, 3, 1, {0x55, 0x33, 0x0F}), "a.pcx", kReadDone,
       {0, 0, 0, 128, 0, 0, 0, 128, 0, 128, 128, 0,
        0, 0, 128, 128, 0, 128, 0, 128, 128, 192, 192, 192}, 96},
      // Four bit planes: blue, green, red at full strength; the fourth is ignored.
      {"PCX 16 colours", PcxFile(2, 1, 4, 1, 4, 1, {0x50, 0x30, 0x00, 0x70}), "a.pcx", kReadDone,
       {0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 255, 255}, 96},
      // More than the screen's pixels per inch when 11 inches need them; the padded width counts.
      {"PCX 2000 wide", PcxFile(5, 1, 2000, 2, 1, 250, Bytes(500)), "a.pcx", kReadDone, {},
       2016.0 / 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReadRun run;
    EXPECT_EQ(run.open(c.file, c.name), c.outcome)
        << ::testing::PrintToString(run.env.ui.messages());
    if (!c.outcome.read()) {
      run.expectOnly(c.outcome.message);
      run.expectNothingKept();
      continue;
    }
    EXPECT_TRUE(run.env.ui.messages().empty());
    if (!c.pixels.empty()) { EXPECT_EQ(ImagePixels(run.image), c.pixels); }
    EXPECT_DOUBLE_EQ(run.image.xResolution, c.ppi);
    EXPECT_DOUBLE_EQ(run.image.yResolution, c.ppi);
  }
}

}  // namespace
}  // namespace vl::image::testing
