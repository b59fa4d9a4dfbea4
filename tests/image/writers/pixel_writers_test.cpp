// The pixel writers: TIFF files judged by libtiff and PIL, RVX files byte for byte and by our
// reader, the TIFF preview inside an EPS art file, and the failures that keep the previous file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "base/message_table.h"
#include "platform/byte_order.h"
#include "image/rvx_reader.h"
#include "image/save_pixel_image.h"
#include "image/tiff_writer.h"
#include "tests/image/writers/pixel_writer_rig.h"
#include "tests/support/external_renderers.h"

namespace vl::image::testing {
namespace {

// Our own image in PilView's terms; `format` is "<mode> <compression> <x dpi> <y dpi>".
Rows ExpectedView(const RasterImage& image, const std::string& format) {
  Rows out = IsBilevel(image) ? bilevelPicture(image) : Rows(image.height);
  for (std::int32_t i = 0; !IsBilevel(image) && i < image.colorRowBytes * image.height; ++i)
    for (int shift : {4, 0})
      out[i / image.colorRowBytes] += "0123456789abcdef"[image.colorLayer.data()[i] >> shift & 15];
  out.insert(out.begin(), std::to_string(image.width) + " " + std::to_string(image.height) + " " +
                              format);
  return out;
}

// 1203 x 9 pixels that give PackBits every kind of group: runs past 128 bytes, literals past
// 120, short runs between repeats, and rows that start with white bytes.
Rows PackBitsPicture() {
  std::mt19937 rng(5);
  Rows rows = Blank(1203, 9);
  for (int i = 0, x = 0; i < 9 * 1203; x = ++i % 1203) {
    const int black[] = {x < 8 * 140, int(rng() & 1), (x / 8) % 5 < 2 || x % 29 == 0, x > 1183};
    if (black[i / 1203 % 4]) rows[i / 1203][x] = '#';
  }
  return rows;
}

// Saves as Save Pixel Image As does, which must ignore a stop left from an earlier command.
void Save(WriterRig& rig, const std::string& file, int format, std::int16_t source) {
  rig.env.state.abortRequested = 1;
  ASSERT_TRUE(SavePixelImage(rig.env.rt, rig.image, file, format));
  EXPECT_EQ(rig.image.sourceFormat, source);
  EXPECT_TRUE(rig.env.ui.messages().empty());
}

TEST(TiffWriter, EveryModeAndThePreviewReadBackByLibtiffAndPil) {
  VL_REQUIRE_TOOLS("/usr/bin/python3", "tiffdump", "tiffcp");
  struct Case {
    int samples;  // 0: bilevel
    double pixelsPerInch;
    std::string mode;      // as PIL names it
    int photometric, dpi;  // whole pixels per inch; 72 in a preview, which keeps every pixel
  } cases[] = {{0, 150.7, "1", 0, 150},    {1, 150.7, "L", 1, 150}, {3, 150.7, "RGB", 2, 150},
               {4, 150.7, "CMYK", 5, 150}, {3, 72.0, "RGB", 2, 72}, {0, 40.0, "1", 0, 72}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode + " " + std::to_string(c.pixelsPerInch));
    WriterRig rig;
    rig.load(c.samples, c.samples ? Blank(37, 11) : PackBitsPicture(), c.pixelsPerInch,
             {7, 23, 61});
    const std::string file = rig.path("image.tif"), raw = rig.path("raw.tif");
    if (c.pixelsPerInch > 72) {
      Save(rig, file, kPixelSaveTiff, kSourceTiff);
    } else {
      platform::FileHandle f = platform::CreateFile(file);
      EXPECT_EQ(writeTiff(rig.env.rt, rig.image, f, kTiffPreview), TiffOutcome::kWritten);
      platform::CloseFile(f);
    }
    // Header, rows, directory (11 entries), then the one resolution rational both tags share.
    const std::string rows = std::to_string(FileBytes(file).size() - 8 - (2 + 11 * 12 + 4) - 8);
    const std::string dpi = std::to_string(c.dpi);
    auto entry = [](int tag, int value) {
      return "(" + std::to_string(tag) + ") SHORT (3) 1<" + std::to_string(value) + ">";
    };
    std::string dump;
    ASSERT_TRUE(Shell("tiffdump '" + file + "'", &dump));
    for (const std::string& line :
         Rows{"Magic: 0x4d4d <big-endian> Version: 0x2a",
              "Directory 0: offset " + std::to_string(8 + std::stoi(rows)) + " ", entry(255, 1),
              entry(256, rig.image.width), entry(257, rig.image.height),
              entry(258, c.samples ? 8 : 1), entry(259, c.samples ? 1 : 32773),
              entry(262, c.photometric), "(273) LONG (4) 1<8>", entry(277, std::max(c.samples, 1)),
              "(279) LONG (4) 1<" + rows + ">", "(282) RATIONAL (5) 1<" + dpi + ">",
              "(283) RATIONAL (5) 1<" + dpi + ">"}) {
      EXPECT_NE(dump.find(line), std::string::npos) << line << "\n" << dump;
    }
    // libtiff itself unpacks the rows into an uncompressed copy, which PIL then reads.
    ASSERT_TRUE(Shell("tiffcp -c none '" + file + "' '" + raw + "'"));
    EXPECT_EQ(PilView(raw), ExpectedView(rig.image, c.mode + " raw " + dpi + " " + dpi));
  }
}

TEST(RvxWriter, EveryModeFollowsTheByteTableAndReadsBackToTheSameImage) {
  struct Case {
    std::uint8_t samples;  // 0: bilevel
    Rows rows;
    Ramp ramp;
    Bytes planes;  // one after the other, each row by row from the top; CMYK as 255 - ink
  } cases[] = {{3, Blank(2, 2), {10, 100, 1}, {0, 10, 100, 110, 1, 11, 101, 111, 2, 12, 102, 112}},
               {4, Blank(2, 1), {10, 0, 100}, {255, 245, 155, 145, 55, 45, 211, 201}},
               {1, Blank(3, 2), {1, 16, 0}, {0, 1, 2, 16, 17, 18}},
               {0, {"#.......#", ".........", "########."}, {}, {0x80, 0x80, 0, 0, 0xFF, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.samples));
    WriterRig rig;
    rig.load(c.samples, c.rows, 240.5, c.ramp);
    rig.image.yResolution = 96.25;
    const std::string file = rig.path("image.rvx");
    const bool two = c.samples % 2;
    Save(rig, file, two ? kPixelSaveRvx2 : kPixelSaveRvx3, two ? kSourceRvx2 : kSourceRvx3);
    // Channels, rows, columns, depth, mode (0 bitmap, else the samples); no colour data; 28 bytes
    // of resources: 1005 with 240.5 and 96.25 pixels per inch in 16.16; no layers; raw.
    const std::uint8_t channels = std::max(c.samples, std::uint8_t(1)), depth = c.samples ? 8 : 1;
    const auto height = std::uint8_t(c.rows.size()), width = std::uint8_t(c.rows[0].size());
    Bytes want = {'R', 'V', 'X', 'F', 0, 1, 0, 0, 0, 0, 0, 0, 0, channels, 0, 0, 0, height, 0, 0,
                  0, width, 0, depth, 0, c.samples, 0, 0, 0, 0, 0, 0, 0, 28, 'R', 'V', 'X', 'R', 3,
                  0xED, 0, 0, 0, 0, 0, 16, 0, 0xF0, 0x80, 0, 0, 1, 0, 1, 0, 0x60, 0x40, 0, 0, 1,
                  0, 1, 0, 0, 0, 0, 0, 0};
    want.insert(want.end(), c.planes.begin(), c.planes.end());
    EXPECT_EQ(FileBytes(file), want);

    RasterImage back;
    back.fileHandle = platform::OpenFileForReading(file);
    ASSERT_EQ(readRvx(back, rig.env.rt), kReadDone);
    ASSERT_EQ(CompleteLoad(back, rig.env.rt), kReadDone);
    EXPECT_EQ(std::pair(back.xResolution, back.yResolution), std::pair(240.5, 96.25));
    EXPECT_EQ(ExpectedView(back, ""), ExpectedView(rig.image, ""));
    releaseImage(back, rig.env.rt);
  }
}

TEST(PixelWriterFailure, EachFailureShowsItsMessageAndKeepsThePreviousFile) {
  struct Case {
    const char* file;  // "image" holds a previous file
    rlim_t fileBytes;  // the most a file may hold before the disk is full
    int message;       // 0: the user's stop, polled between TIFF rows (RVX does not poll)
  } cases[] = {{"no-such-folder/image", RLIM_INFINITY, msg::kDiskFullOrLocked},
               {"image", 1000, msg::kDiskFullOrLocked},
               {"/dev/full", RLIM_INFINITY, msg::kDiskFullOrLocked},
               {"image", RLIM_INFINITY, msg::kInsufficientMemory},
               {"image", RLIM_INFINITY, 0}};
  for (int format : {kPixelSaveRvx2, kPixelSaveTiff}) {
    for (const Case& c : cases) {
      if (c.message == 0 && format != kPixelSaveTiff) continue;
      SCOPED_TRACE(std::to_string(format) + " " + c.file + " " + std::to_string(c.message));
      WriterRig rig;
      rig.load(3, Blank(300, 40), 72.0, {1, 3, 5});
      const bool previous = c.file == std::string("image");
      const std::string path = c.file[0] == '/' ? c.file : rig.path(c.file);
      if (previous) std::ofstream(path) << "old";
      if (c.message == msg::kInsufficientMemory) rig.env.memory.failAfter(0);
      if (c.message == 0) rig.env.ui.requestAbort();
      EXPECT_FALSE(WithFileSizeLimit(
          c.fileBytes, [&] { return SavePixelImage(rig.env.rt, rig.image, path, format); }));
      EXPECT_EQ(rig.env.ui.messages(),
                c.message ? Rows{std::string(msg::Text(c.message))} : Rows{});
      EXPECT_EQ(rig.env.state.abortRequested, 1);
      EXPECT_EQ(c.file[0] == '/' ? Bytes{} : FileBytes(path),
                (previous ? Bytes{'o', 'l', 'd'} : Bytes{}));
      EXPECT_EQ(FolderEntries(rig.env.scratchFolder), previous ? 1u : 0u);  // no temporary left
    }
  }
  // The always full device is written in place, not replaced or deleted.
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
  // A pixel save format this build lacks is refused before anything is made.
  WriterRig rig;
  rig.load(0, {"#"}, 72.0);
  EXPECT_FALSE(SavePixelImage(rig.env.rt, rig.image, rig.path("x"), 2));
  EXPECT_EQ(rig.env.ui.messages(), Rows{"This pixel save format is not available in this build."});
  EXPECT_EQ(FolderEntries(rig.env.scratchFolder), 0u);
}

}  // namespace
}  // namespace vl::image::testing
