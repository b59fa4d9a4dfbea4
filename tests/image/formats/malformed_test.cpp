// Hand-made files for what tools never write: sizes past 32767 or of 0, offsets past the end,
// samples above the maximum, unknown kinds, and the run-length corners of BMP (skipped pixels
// are background). Each row names the outcome and the one message it shows.
#include <gtest/gtest.h>

#include <array>

#include <zlib.h>

#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

void Put32Le(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = std::uint8_t(v >> (8 * i));
}
void Put16Le(Bytes& b, std::size_t at, std::uint16_t v) {
  b.at(at) = std::uint8_t(v), b.at(at + 1) = std::uint8_t(v >> 8);
}

// A PNG chunk: length, type, data, CRC.
Bytes Chunk(const std::string& type, const Bytes& data) {
  Bytes out = {std::uint8_t(data.size() >> 24), std::uint8_t(data.size() >> 16),
               std::uint8_t(data.size() >> 8), std::uint8_t(data.size())};
  Bytes body(type.begin(), type.end());
  body.insert(body.end(), data.begin(), data.end());
  const std::uint32_t crc = std::uint32_t(::crc32(0, body.data(), uInt(body.size())));
  out.insert(out.end(), body.begin(), body.end());
  for (int s = 24; s >= 0; s -= 8) out.push_back(std::uint8_t(crc >> s));
  return out;
}

// A PNG of the given header whose image data is one stored (uncompressed) zlib block of `raw`.
Bytes Png(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colour,
          const Bytes& raw, const Bytes& extraChunk = {}) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const Bytes ihdr = {std::uint8_t(width >> 24), std::uint8_t(width >> 16), std::uint8_t(width >> 8),
                      std::uint8_t(width), std::uint8_t(height >> 24), std::uint8_t(height >> 16),
                      std::uint8_t(height >> 8), std::uint8_t(height), depth, colour, 0, 0, 0};
  const Bytes head = Chunk("IHDR", ihdr);
  png.insert(png.end(), head.begin(), head.end());
  png.insert(png.end(), extraChunk.begin(), extraChunk.end());
  Bytes z = {0x78, 0x01, 0x01, std::uint8_t(raw.size()), std::uint8_t(raw.size() >> 8),
             std::uint8_t(~raw.size()), std::uint8_t(~raw.size() >> 8)};
  z.insert(z.end(), raw.begin(), raw.end());
  const std::uint32_t adler = std::uint32_t(::adler32(1, raw.data(), uInt(raw.size())));
  for (int s = 24; s >= 0; s -= 8) z.push_back(std::uint8_t(adler >> s));
  const Bytes idat = Chunk("IDAT", z), iend = Chunk("IEND", {});
  png.insert(png.end(), idat.begin(), idat.end());
  png.insert(png.end(), iend.begin(), iend.end());
  return png;
}

// A bottom-up BMP with the 40-byte header, `bits` per pixel, a palette and the pixel data.
Bytes Bmp(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression,
          const std::vector<std::array<std::uint8_t, 3>>& palette, const Bytes& data) {
  Bytes b(54 + 4 * palette.size(), 0);
  b[0] = 'B', b[1] = 'M';
  Put32Le(b, 10, std::uint32_t(b.size()));
  Put32Le(b, 14, 40);
  Put32Le(b, 18, std::uint32_t(width));
  Put32Le(b, 22, std::uint32_t(height));
  Put16Le(b, 26, 1);
  Put16Le(b, 28, std::uint16_t(bits));
  Put32Le(b, 30, compression);
  Put32Le(b, 46, std::uint32_t(palette.size()));
  for (std::size_t i = 0; i < palette.size(); ++i) {
    b[54 + 4 * i] = palette[i][2], b[55 + 4 * i] = palette[i][1], b[56 + 4 * i] = palette[i][0];
  }
  b.insert(b.end(), data.begin(), data.end());
  Put32Le(b, 2, std::uint32_t(b.size()));
  return b;
}

// The bytes of a string literal, NULs included.
template <std::size_t N>
Bytes Lit(const char (&text)[N]) {
  return Bytes(text, text + N - 1);
}

const std::vector<std::array<std::uint8_t, 3>> kGrays = {{0, 0, 0}, {128, 128, 128}, {255, 255, 255}};

struct Case {
  std::string name;  // the file name it is opened under
  Bytes bytes;
  ReadOutcome outcome;
};

TEST(MalformedFiles, EachIsRefusedOrFailedWithItsOneMessage) {
  const Bytes pngRow = {0, 0x00, 0xFF};  // 2 x 1 gray, filter byte first
  Bytes badCrc = Png(2, 1, 8, 0, pngRow);
  badCrc[29] ^= 1;  // IHDR's CRC
  // A fuzz seed is its file behind the fuzz target's own first byte.
  Bytes jpegHuge = ReadBytes(std::string(VL_SOURCE_DIR) + "/tests/image/formats/fuzz_seeds/jpeg/gray.jpg");
  jpegHuge.erase(jpegHuge.begin());
  for (std::size_t i = 0; i + 8 < jpegHuge.size(); ++i) {
    if (jpegHuge[i] == 0xFF && jpegHuge[i + 1] == 0xC0) {  // baseline frame: height, width
      jpegHuge[i + 5] = 0x9C, jpegHuge[i + 6] = 0x40;       // 40000 rows
      break;
    }
  }
  const Bytes bmp8 = Bmp(2, 2, 8, 0, kGrays, {0, 1, 0, 0, 2, 2, 0, 0});
  Bytes bmpPastEnd = bmp8;
  Put32Le(bmpPastEnd, 10, 5000);
  Bytes bmpHuge = bmp8;
  Put32Le(bmpHuge, 18, 40000);
  Bytes bmpTall = bmp8;
  Put32Le(bmpTall, 22, 30000);  // rows the file does not hold
  Bytes bmpHeader = bmp8;
  Put32Le(bmpHeader, 14, 41);  // no such header
  const std::vector<Case> cases = {
      {"crc.png", badCrc, ReadFailed(msg::kPngDamaged)},
      {"zero.png", Png(0, 1, 8, 0, pngRow), ReadFailed(msg::kPngDamaged)},
      {"huge.png", Png(40000, 1, 1, 0, pngRow), ReadRefused(msg::kImageTooLarge)},
      {"depth.png", Png(2, 1, 3, 0, pngRow), ReadFailed(msg::kPngDamaged)},
      {"short_data.png", Png(2, 2, 8, 0, pngRow), ReadFailed(msg::kPngDamaged)},
      {"bad_filter.png", Png(2, 1, 8, 0, {9, 0, 0}), ReadFailed(msg::kPngDamaged)},
      {"huge.jpg", jpegHuge, ReadRefused(msg::kImageTooLarge)},
      {"garbage.jpg", Lit("\xFF\xD8\xFF\xE0 this is no JPEG stream at all"), ReadFailed(msg::kJpegDamaged)},
      {"zero.pgm", Lit("P5 0 10 255\n"), ReadFailed(msg::kPnmDamaged)},
      {"huge.pgm", Lit("P5 40000 10 255\n"), ReadRefused(msg::kImageTooLarge)},
      {"short.ppm", Lit("P6 10 10 255\n\x01\x02\x03"), ReadFailed(msg::kPnmDamaged)},
      {"above_max.pgm", Lit("P2 2 1 10\n5 11\n"), ReadFailed(msg::kPnmDamaged)},
      {"maxval0.pgm", Lit("P5 3 1 0\n\0\0\0"), ReadFailed(msg::kPnmDamaged)},
      {"digit.pbm", Lit("P1\n3 1\n0 1 2\n"), ReadFailed(msg::kPnmDamaged)},
      {"no_space.pgm", Lit("P5 2 1 255x\1\2"), ReadFailed(msg::kPnmDamaged)},
      {"tuple.pam", Lit("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\nTUPLTYPE HSV\nENDHDR\n\0\0"),
       ReadRefused(msg::kPamTupleUnsupported)},
      {"no_end.pam", Lit("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\n"), ReadFailed(msg::kPnmDamaged)},
      {"past_end.bmp", bmpPastEnd, ReadFailed(msg::kBmpDamaged)},
      {"huge.bmp", bmpHuge, ReadRefused(msg::kImageTooLarge)},
      {"tall.bmp", bmpTall, ReadFailed(msg::kBmpDamaged)},
      {"header.bmp", bmpHeader, ReadRefused(msg::kBmpUnsupported)},
      {"jpeg_inside.bmp", Bmp(2, 2, 24, 4, {}, Bytes(16, 0)), ReadRefused(msg::kBmpUnsupported)},
      {"rle_cut.bmp", Bmp(4, 2, 8, 1, kGrays, {2, 1, 0, 0}), ReadFailed(msg::kBmpDamaged)},
      {"rle_absolute_cut.bmp", Bmp(4, 1, 8, 1, kGrays, {0, 4, 1, 1}), ReadFailed(msg::kBmpDamaged)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReadRun run;
    EXPECT_EQ(run.open(c.bytes, c.name), c.outcome);
    run.expectOnly(c.outcome.message);
    run.expectNothingKept();
  }
}

// Pictures that only hand-made files show: '#' black, '+' gray 128, '.' white.
TEST(MalformedFiles, OddButValidFilesReadToTheirPictures) {
  const auto gray = [](const RasterImage& image) {
    std::string out;
    for (std::int32_t y = 0; y < image.height; ++y) {
      for (std::int32_t x = 0; x < image.width; ++x) {
        const std::uint8_t v = image.colorLayer.data()[y * image.colorRowBytes + x];
        out += v == 0 ? '#' : v == 128 ? '+' : v == 255 ? '.' : '?';
      }
      out += '/';
    }
    return out;
  };
  struct Picture {
    std::string name;
    Bytes bytes;
    std::string pixels;  // rows ending in '/'
  } const pictures[] = {
      // RLE8, bottom row first: a run, an absolute run with its pad byte, end of line; a move
      // right 1 and up 1 skips the rest of row 2 and the start of row 1: background.
      {"runs.bmp",
       Bmp(4, 3, 8, 1, kGrays, {2, 0, 0, 3, 1, 2, 1, 0, 0, 0, 0, 2, 1, 1, 1, 0, 0, 1}),
       ".#../" "..../" "##+./"},
      // RLE4: a run alternates its two nibbles; end of bitmap leaves the rows above blank.
      {"runs4.bmp", Bmp(5, 2, 4, 2, kGrays, {5, 0x01, 0, 1}), "...../" "#+#+#/"},
      // Tiny netpbm files, shorter than any other format's header, by name or signature.
      {"tiny.pgm", Lit("P2 1 1 2 1"), "+/"},
      {"tiny", Lit("P5 2 1 255\n\x80\xFF"), "+./"},
      // Comments between the header's fields, plain digits without spaces.
      {"comments.pgm", Lit("P2#c\n2#c\n1 #c\n4\n0 4"), "#./"},
  };
  for (const Picture& p : pictures) {
    SCOPED_TRACE(p.name);
    ReadRun run;
    ASSERT_EQ(run.open(p.bytes, p.name), kReadDone) << ::testing::PrintToString(run.env.ui.messages());
    EXPECT_EQ(gray(run.image), p.pixels);
  }
  // Plain PBM digits need no space; a 1-bit BMP of two white entries is blank, of two black
  // ones all ink; PAM's BLACKANDWHITE has 0 for black, unlike PBM.
  struct Bilevel {
    std::string name;
    Bytes bytes;
    std::vector<std::string> rows;
  } const bilevels[] = {
      {"digits.pbm", Lit("P1 3 2 010\n1 0 1"), {".#.", "#.#"}},
      {"tiny.pbm", Lit("P1\n1 1\n1\n"), {"#"}},
      {"white.bmp", Bmp(3, 1, 1, 0, {{255, 255, 255}, {255, 255, 255}}, {0xA0, 0, 0, 0}), {"..."}},
      {"black.bmp", Bmp(3, 1, 1, 0, {{0, 0, 0}, {0, 0, 0}}, {0xA0, 0, 0, 0}), {"###"}},
      {"inverse.bmp", Bmp(3, 1, 1, 0, {{255, 255, 255}, {0, 0, 0}}, {0xA0, 0, 0, 0}), {"#.#"}},
      {"bw.pam", Lit("P7\nWIDTH 3\nHEIGHT 1\nDEPTH 1\nMAXVAL 1\nTUPLTYPE BLACKANDWHITE\nENDHDR\n\0\1\0"),
       {"#.#"}},
  };
  for (const Bilevel& b : bilevels) {
    SCOPED_TRACE(b.name);
    ReadRun run;
    ASSERT_EQ(run.open(b.bytes, b.name), kReadDone) << ::testing::PrintToString(run.env.ui.messages());
    EXPECT_EQ(bilevelPicture(run.image), b.rows);
  }
}

}  // namespace
}  // namespace vl::image::testing
