// The TIFF writer judged by libtiff and PIL: every image mode read back pixel for pixel, the
// directory as libtiff parses it, PackBits rows, and the preview's size and picked rows.
#include "image/tiff_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "image/packbits.h"
#include "image/packbits_encoder.h"
#include "tests/image/writers/writer_test_support.h"

namespace vl::image::testing {
namespace {

// Rows that give PackBits every kind of group: long runs past 128 bytes, literals past 120,
// short runs of one and two between repeats, and rows starting with white bytes.
std::vector<std::string> PackBitsPicture(int width, int height) {
  std::mt19937 rng(5);
  std::vector<std::string> rows;
  for (int y = 0; y < height; ++y) {
    std::string row(width, '.');
    for (int x = 0; x < width; ++x) {
      switch (y % 4) {
        case 0: row[x] = x < 8 * 140 ? '#' : '.'; break;  // repeat groups over 128
        case 1: row[x] = (rng() & 1) ? '#' : '.'; break;  // literals over 120
        case 2: row[x] = (x / 8) % 5 < 2 || x % 29 == 0 ? '#' : '.'; break;
        default: row[x] = x > width - 20 ? '#' : '.'; break;  // a leading zero run
      }
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(TiffWriter, EveryImageModeReadsBackPixelForPixel) {
  VL_REQUIRE_TOOL("/usr/bin/python3");
  struct Case {
    const char* name;
    int samples;  // 0: bilevel
    const char* mode;
    const char* compression;
  } cases[] = {{"bilevel", 0, "1", "packbits"},
               {"gray", 1, "L", "raw"},
               {"rgb", 3, "RGB", "raw"},
               {"cmyk", 4, "CMYK", "raw"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriterRig rig;
    if (c.samples == 0) {
      rig.bilevel(PackBitsPicture(1203, 9), 150.7);
    } else {
      rig.color(
          37, 11, c.samples,
          [](int x, int y, int s) { return std::uint8_t(x * 7 + y * 23 + s * 61); }, 150.7);
    }
    const std::string file = rig.path(std::string(c.name) + ".tif");
    ASSERT_TRUE(writeTiffFile(rig.env.rt, rig.image, file));
    EXPECT_TRUE(rig.messages().empty());
    // The resolution rational holds the whole number of pixels per inch.
    EXPECT_EQ(PilView(file), ExpectedView(rig.image, c.mode, c.compression, 150));
  }
}

TEST(TiffWriter, LibtiffParsesTheDirectoryAndDecodesThePackBitsRows) {
  VL_REQUIRE_TOOL("tiffdump");
  VL_REQUIRE_TOOL("tiffcp");
  WriterRig rig;
  rig.bilevel(PackBitsPicture(1203, 9), 300.0);
  const std::string file = rig.path("bilevel.tif");
  ASSERT_TRUE(writeTiffFile(rig.env.rt, rig.image, file));

  std::string dump;
  ASSERT_TRUE(RunCommand("tiffdump '" + file + "'", dump));
  const std::uint32_t dataBytes = FileBytes(file).size() - 8 - 138 - 8;
  const std::uint32_t directory = 8 + dataBytes;
  for (const std::string& line : std::vector<std::string>{
           "Magic: 0x4d4d <big-endian> Version: 0x2a",
           "Directory 0: offset " + std::to_string(directory) + " ",
           "OldSubFileType (255) SHORT (3) 1<1>", "ImageWidth (256) SHORT (3) 1<1203>",
           "ImageLength (257) SHORT (3) 1<9>", "BitsPerSample (258) SHORT (3) 1<1>",
           "Compression (259) SHORT (3) 1<32773>", "Photometric (262) SHORT (3) 1<0>",
           "StripOffsets (273) LONG (4) 1<8>", "SamplesPerPixel (277) SHORT (3) 1<1>",
           "StripByteCounts (279) LONG (4) 1<" + std::to_string(dataBytes) + ">",
           "XResolution (282) RATIONAL (5) 1<300>", "YResolution (283) RATIONAL (5) 1<300>"}) {
    EXPECT_NE(dump.find(line), std::string::npos) << line << "\n" << dump;
  }
  // libtiff itself unpacks the rows into an uncompressed copy, which PIL then reads.
  const std::string raw = rig.path("raw.tif");
  std::string out;
  ASSERT_TRUE(RunCommand("tiffcp -c none '" + file + "' '" + raw + "'", out));
  EXPECT_EQ(PilView(raw), ExpectedView(rig.image, "1", "raw", 300));
}

TEST(PackBitsEncoder, GroupsRunsAndLiteralsAndDecodesBackExactly) {
  // Four zero bytes: one repeat group.
  std::vector<std::uint8_t> out(PackBitsBound(4));
  EXPECT_EQ(EncodePackBitsRow(std::vector<std::uint8_t>(4, 0), out), 2u);
  EXPECT_EQ(out[0], 0xFD);
  EXPECT_EQ(out[1], 0x00);

  std::mt19937 rng(9);
  for (int trial = 0; trial < 400; ++trial) {
    const std::size_t size = rng() % 700;
    std::vector<std::uint8_t> row(size);
    for (std::size_t i = 0; i < size;) {
      const std::size_t run =
          std::min<std::size_t>(size - i, (rng() % 4 == 0) ? rng() % 300 + 1 : rng() % 3 + 1);
      const std::uint8_t v = std::uint8_t(rng() % 3 == 0 ? 0 : rng());
      std::fill(row.begin() + std::ptrdiff_t(i), row.begin() + std::ptrdiff_t(i + run), v);
      i += run;
    }
    std::vector<std::uint8_t> packed(PackBitsBound(size));
    const std::size_t used = EncodePackBitsRow(row, packed);
    packed.resize(used);
    // Groups: literals close at 120 bytes or soon after; repeats hold at most 128 bytes.
    for (std::size_t i = 0; i < packed.size();) {
      const int control = static_cast<std::int8_t>(packed[i]);
      ASSERT_NE(control, -128);
      if (control >= 0) {
        EXPECT_LE(control + 1, 121);
        i += std::size_t(control) + 2;
      } else {
        EXPECT_LE(1 - control, 128);
        i += 2;
      }
    }
    std::vector<std::uint8_t> back(size);
    const DecodeResult r = DecodePackBits(packed, back);
    ASSERT_TRUE(r.ok() || size == 0);
    EXPECT_EQ(r.consumed, used);
    EXPECT_EQ(back, row);
  }
}

// Writes a preview after `prefix` bytes of another file, as the EPS writer does, and returns the
// TIFF cut out from there.
std::string WritePreviewInside(WriterRig& rig, const std::string& name, std::size_t prefix) {
  const std::string host = rig.path(name + ".host");
  platform::FileHandle f = platform::CreateFile(host);
  std::vector<std::uint8_t> junk(prefix, 'P');
  platform::WriteBytes(f, junk.data(), junk.size());
  EXPECT_EQ(writeTiff(rig.env.rt, rig.image, f, kTiffPreview), TiffOutcome::kWritten);
  EXPECT_EQ(platform::TellPosition(f), platform::FileSize(f));  // left at its end
  platform::CloseFile(f);
  const Bytes all = FileBytes(host);
  const std::string tiff = rig.path(name + ".tif");
  std::ofstream(tiff, std::ios::binary)
      .write(reinterpret_cast<const char*>(all.data() + prefix),
             std::streamsize(all.size() - prefix));
  return tiff;
}

// The preview of a 100 x 100 picture whose rows (or columns) each spell their own number in
// seven 14-pixel bands; returns the numbers of the source rows (columns) the preview shows.
std::vector<int> PickedLines(bool columns) {
  std::vector<std::string> rows(100, std::string(100, '.'));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      const int line = columns ? x : y, across = columns ? y : x;
      if (across < 98 && ((line >> (across / 14)) & 1)) rows[y][x] = '#';
    }
  WriterRig rig;
  rig.bilevel(rows, 300.0);
  std::istringstream view(PilView(WritePreviewInside(rig, "preview", 77)));
  std::string head, line;
  std::getline(view, head);
  EXPECT_EQ(head, "24 24 1 packbits 72 72");
  std::vector<std::string> preview;
  while (std::getline(view, line)) preview.push_back(line);
  EXPECT_EQ(preview.size(), 24u);
  // Read each band at its middle, which lies well inside the band after thinning by 0.24.
  std::vector<int> picked;
  for (int n = 0; n < int(preview.size()); ++n) {
    int number = 0;
    for (int band = 0; band < 7; ++band) {
      const int middle = int((14 * band + 7) * 0.24 + 0.5);
      const char pixel = columns ? preview[middle][n] : preview[n][middle];
      if (pixel == '#') number |= 1 << band;
    }
    picked.push_back(number);
  }
  return picked;
}

TEST(TiffPreview, AtMostSeventyTwoPixelsPerInchWithEvenlyPickedRowsAndColumns) {
  VL_REQUIRE_TOOL("/usr/bin/python3");
  WriterRig rig;
  rig.bilevel(std::vector<std::string>(100, std::string(100, '#')), 300.0);
  EXPECT_EQ(tiffPreviewSize(rig.image).width, 24);  // 100 x 0.24 + 0.999, truncated
  EXPECT_EQ(tiffPreviewSize(rig.image).height, 24);
  for (bool columns : {false, true}) {
    SCOPED_TRACE(columns ? "columns" : "rows");
    const std::vector<int> picked = PickedLines(columns);
    ASSERT_EQ(picked.size(), 24u);
    // The first line is always taken, then one every 1 / 0.24 lines.
    EXPECT_EQ(picked[0], 0);
    for (std::size_t i = 1; i < picked.size(); ++i) {
      EXPECT_TRUE(picked[i] - picked[i - 1] == 4 || picked[i] - picked[i - 1] == 5)
          << picked[i - 1] << " -> " << picked[i];
    }
  }
}

TEST(TiffPreview, SeventyTwoPixelsPerInchKeepsEveryPixelInTheImagesOwnMode) {
  VL_REQUIRE_TOOL("/usr/bin/python3");
  WriterRig rig;
  rig.color(
      13, 5, 3, [](int x, int y, int s) { return std::uint8_t(x * 19 + y * 3 + s * 90); }, 72.0);
  EXPECT_EQ(PilView(WritePreviewInside(rig, "rgb", 30)), ExpectedView(rig.image, "RGB", "raw", 72));
  // Below 72 pixels per inch a preview is not enlarged.
  WriterRig coarse;
  coarse.bilevel({"#.#", ".#.", "##."}, 40.0);
  EXPECT_EQ(PilView(WritePreviewInside(coarse, "coarse", 3)),
            ExpectedView(coarse.image, "1", "packbits", 72));
}

TEST(TiffWriter, AGraySelectionSavesWhiteOutsideIt) {
  VL_REQUIRE_TOOL("/usr/bin/python3");
  WriterRig rig;
  rig.color(
      8, 4, 1, [](int x, int, int) { return std::uint8_t(x * 20); }, 100.0);
  ASSERT_TRUE(applyRectSelection(rig.image, rig.env.rt, 2, 1, 5, 2, kSelectNew));
  ASSERT_TRUE(captureSelection(rig.image, rig.env.memory));
  rig.image.selectionActive = true;
  const std::string file = rig.path("selected.tif");
  ASSERT_TRUE(writeTiffFile(rig.env.rt, rig.image, file));
  EXPECT_EQ(PilView(file),
            "8 4 L raw 100 100\n"
            "ffffffffffffffff\n"
            "ffff283c5064ffff\n"
            "ffff283c5064ffff\n"
            "ffffffffffffffff\n");
}

}  // namespace
}  // namespace vl::image::testing
