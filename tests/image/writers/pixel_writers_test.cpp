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

#include "engine/byte_order.h"
#include "image/rvx_reader.h"
#include "image/save_pixel_image.h"
#include "image/tiff_writer.h"
#include "tests/art/writer_test_env.h"
#include "tests/image/raster_test_support.h"
#include "tests/support/external_renderers.h"

namespace vl::image::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::string>;
struct Ramp { int dx, dy, ds; };  // sample (x, y, s) = x * dx + y * dy + s * ds, modulo 256

struct WriterRig {
  TestRuntime env;
  RasterImage image;
  std::string path(const std::string& name) const { return env.scratchFolder + name; }
  // Loads a bilevel image of `rows` ('#' = black) or, with 1, 3 or 4 samples, a ramp that size.
  void load(int samples, const Rows& rows, double pixelsPerInch, Ramp ramp = {}) {
    const int width = int(rows[0].size()), height = int(rows.size());
    std::tie(image.xResolution, image.yResolution) = std::tuple(pixelsPerInch, pixelsPerInch);
    std::tie(image.samplesPerPixel, image.bitsPerSample) = std::tuple(std::max(samples, 1), 8);
    image.photometric = samples == 1 ? kBlackIsZero : kWhiteIsZero;
    image.fileRowBytes = width * samples;
    ASSERT_TRUE(samples == 0 ? drawBilevel(image, env.rt, rows)
                             : setGeometry(image, width, height) &&
                                   allocateBitLayer(image, env.rt.memory) &&
                                   prepareColorLayer(image, env.rt) && image.colorInMemory);
    for (int i = 0, n = std::max(samples, 1); i < width * height * samples; ++i)
      image.colorLayer.data()[i] =
          std::uint8_t(i / n % width * ramp.dx + i / n / width * ramp.dy + i % n * ramp.ds);
    ASSERT_TRUE(completeLoad(image, env.rt));
  }
};

Rows Blank(int width, int height) { return Rows(height, std::string(width, '.')); }
Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
std::size_t FolderEntries(const std::string& folder) {
  return std::size_t(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// Runs `write` as on a disk that is full once a file holds `bytes` bytes.
bool WithFileSizeLimit(rlim_t bytes, const std::function<bool()>& write) {
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  const struct rlimit small = {bytes, old.rlim_max};
  sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);  // a short write instead of the signal
  setrlimit(RLIMIT_FSIZE, &small);
  const bool ok = write();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  return ok;
}

// Runs a shell command; true when it exited with 0.
bool Shell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = ::popen((command + "\n").c_str(), "r");
  char buffer[4096];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    if (output != nullptr) output->append(buffer, n);
  return pipe && ::pclose(pipe) == 0;
}
#define VL_REQUIRE_TOOLS(...)              \
  for (const char* tool : {__VA_ARGS__}) \
    if (!test_support::ToolAvailable(tool)) GTEST_SKIP() << tool << " is not installed (CI has it)"

// What Debian's PIL reads: "<width> <height> <mode> <compression> <x dpi> <y dpi>", then one
// line per row: '#' (black) and '.' for a bilevel image, else the samples in hex.
Rows PilView(const std::string& path) {
  std::string out;
  Shell("/usr/bin/python3 - '" + path + "' <<'EOF'\n"
        "import sys; from PIL import Image; im = Image.open(sys.argv[1])\n"
        "(w, h), dpi, data, px = im.size, im.info.get('dpi', (0, 0)), im.tobytes(), im.getdata()\n"
        "print(w, h, im.mode, im.info.get('compression'), int(float(dpi[0])), int(float(dpi[1])))\n"
        "for y in range(h):\n"
        "    print(''.join('.' if px[y * w + x] else '#' for x in range(w)) if im.mode == '1'\n"
        "          else data[y * len(data) // h:(y + 1) * len(data) // h].hex())\n"
        "EOF",
        &out);
  std::istringstream in(out);
  Rows lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Our own image in PilView's terms; `format` is "<mode> <compression> <x dpi> <y dpi>".
Rows ExpectedView(const RasterImage& image, const std::string& format) {
  Rows out = isBilevel(image) ? bilevelPicture(image) : Rows(image.height);
  for (std::int32_t i = 0; !isBilevel(image) && i < image.colorRowBytes * image.height; ++i)
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
  ASSERT_TRUE(savePixelImage(rig.env.rt, rig.image, file, format));
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
    ASSERT_EQ(readRvx(back, rig.env.rt), kReadOk);
    ASSERT_TRUE(completeLoad(back, rig.env.rt));
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
          c.fileBytes, [&] { return savePixelImage(rig.env.rt, rig.image, path, format); }));
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
  EXPECT_FALSE(savePixelImage(rig.env.rt, rig.image, rig.path("x"), 2));
  EXPECT_EQ(rig.env.ui.messages(), Rows{"This pixel save format is not available in this build."});
  EXPECT_EQ(FolderEntries(rig.env.scratchFolder), 0u);
}

using EpsHeader = std::vector<std::uint32_t>;  // magic; PostScript, metafile, TIFF at, bytes; sum
// A black square drawn over a 100 x 100 image at 300 pixels per inch, saved as EPS with the
// image's TIFF writer making the preview. A bilevel image's rows (or columns) each spell their
// own number in seven 14-pixel bands.
struct EpsRig : art::test::SaveEnv {
  WriterRig raster;
  Bytes bytes;       // of the file after the last save
  EpsHeader header;  // its DOS EPS header
  explicit EpsRig(int samples, bool columns = false) {
    Rows rows = Blank(100, 100);
    for (int line = 0; line < 100; ++line)
      for (int across = 0; across < 98; ++across)
        if ((line >> (across / 14)) & 1) (columns ? rows[across][line] : rows[line][across]) = '#';
    raster.load(samples, rows, 300.0, {1, 1, 1});
    std::tie(image.xResolution, image.yResolution, image.paddedWidth, image.height) =
        std::tuple(300.0, 300.0, raster.image.paddedWidth, 100);
    image.artScale = art.pen.artScale = raster.image.artScale;
    image.samplesPerPixel = std::int16_t(std::max(samples, 1));
    paint(art::PaintType::Black, art::PaintType::None);
    linePath({{20, 20}, {60, 20}, {60, 60}, {20, 60}, {20, 20}});
    options.tiffPreview = [this](platform::FileHandle file, int) {
      using enum art::PreviewResult;
      const TiffOutcome r = writeTiff(rt, raster.image, file, kTiffPreview);
      return r == TiffOutcome::kWritten   ? kWritten
             : r == TiffOutcome::kStopped ? kStopped
                                          : kFailed;
    };
  }
  bool saveAs(int preview, rlim_t fileBytes = RLIM_INFINITY) {
    options.preview = preview;
    const bool saved = WithFileSizeLimit(fileBytes, [&] { return save(folder.path + "art.eps"); });
    bytes = FileBytes(folder.path + "art.eps");
    header.clear();
    for (int at = 0; at < 30 && bytes.size() >= 30; at += 4)
      header.push_back(at == 0    ? engine::LoadBe32(&bytes[0])
                       : at == 28 ? engine::LoadLe16(&bytes[28])
                                  : engine::LoadLe32(&bytes[at]));
    return saved;
  }
  std::string postScript() const { return {&bytes[30], &bytes[30 + header.at(2)]}; }
};

TEST(EpsPreview, HeaderFramesThePostScriptAndAPreviewOfEvenlyPickedLines) {
  VL_REQUIRE_TOOLS("/usr/bin/python3", "tiffinfo", "gs");
  // The preview as PIL reports it: 100 x 0.24 + 0.999 pixels a side.
  struct Case { int samples, kind; bool columns; std::string format; };
  const Case cases[] = {{0, art::kPreviewTiffBw, false, "24 24 1 packbits 72 72"},
                        {0, art::kPreviewTiffColor, true, "24 24 1 packbits 72 72"},
                        {3, art::kPreviewTiffColor, false, "24 24 RGB raw 72 72"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + " " + c.format);
    EpsRig rig(c.samples, c.columns);
    ASSERT_TRUE(rig.saveAs(c.kind)) << ::testing::PrintToString(rig.ui.messages());
    EXPECT_FALSE(rig.modified);
    ASSERT_EQ(rig.header.size(), 8u);
    const std::uint32_t ps = rig.header[2], tiff = std::uint32_t(rig.bytes.size()) - 30 - ps;
    EXPECT_EQ(rig.header, (EpsHeader{0xC5D0D3C6, 30, ps, 0, 0, 30 + ps, tiff, 0xFFFF}));
    EXPECT_TRUE(rig.postScript().starts_with("%!PS-Adobe-3.0 EPSF-3.0") &&
                rig.postScript().ends_with("%%EOF\r"));
    EXPECT_NE(rig.postScript().find("%GQ3_DocumentPreview: PC_TIFF"), std::string::npos);
    // Ghostscript reads past the header: one rendered pixel per image pixel shows the square.
    auto page = test_support::RenderEpsWithGhostscript(rig.folder.path + "art.eps", 100, 100,
                                                       0.24, 0.24, rig.folder.path);
    EXPECT_TRUE(page && page->at(40, 40) < 64 && page->at(80, 80) > 192 && page->at(10, 40) > 192);
    const std::string file = rig.folder.path + "preview.tif";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<char*>(&rig.bytes[30 + ps]), tiff);
    std::string info;
    EXPECT_TRUE(Shell("tiffinfo '" + file + "'", &info));
    EXPECT_NE(info.find("Image Width: 24 Image Length: 24"), std::string::npos) << info;
    const Rows view = PilView(file);
    ASSERT_EQ(view.size(), 25u);
    EXPECT_EQ(view[0], c.format);
    // The first source line, then one every 1 / 0.24; each band read at its middle.
    for (int n = 0, previous = -4, line = 0; n < 24 && c.samples == 0; ++n, previous = line) {
      line = 0;
      for (int band = 0, middle; band < 7; ++band) {
        middle = int((14 * band + 7) * 0.24 + 0.5);
        line |= (c.columns ? view[1 + middle][n] : view[1 + n][middle]) == '#' ? 1 << band : 0;
      }
      EXPECT_TRUE(n == 0 ? line == 0 : line - previous == 4 || line - previous == 5) << line;
    }
  }
}

TEST(EpsPreview, AFullDiskKeepsThePreviousFileAndAStopKeepsTheArtWithoutAPreview) {
  EpsRig rig(0);
  ASSERT_TRUE(rig.saveAs(art::kPreviewTiffBw));
  const Bytes previous = rig.bytes;
  // A minute later the PostScript has the same length; the disk holds it and the preview's
  // first 20 bytes, not its rows.
  rig.stamp.time.tm_min += 1;
  EXPECT_FALSE(rig.saveAs(art::kPreviewTiffBw, rig.header.at(5) + 20));
  EXPECT_EQ(rig.ui.messages(), Rows{std::string(msg::Text(msg::kDiskFullOrLocked))});
  EXPECT_EQ(rig.bytes, previous);
  EXPECT_EQ(rig.folder.entries().size(), 1u);  // no temporary file left
  rig.ui.clearMessages();
  rig.state.abortRequested = 0;
  art::TiffPreviewWriter write = rig.options.tiffPreview;
  rig.options.tiffPreview = [&](platform::FileHandle file, int kind) {
    rig.ui.requestAbort();  // Stop pressed as the preview begins
    std::tie(rig.state.lastDrainTick, rig.state.drainedOnce) = std::tuple(0, false);
    return write(file, kind);
  };
  EXPECT_FALSE(rig.saveAs(art::kPreviewTiffBw));
  EXPECT_TRUE(rig.ui.messages().empty() && rig.modified && rig.state.abortRequested == 1);
  ASSERT_EQ(rig.header.size(), 8u);
  EXPECT_EQ(rig.header, (EpsHeader{0xC5D0D3C6, 30, rig.header[2], 0, 0, 0, 0, 0xFFFF}));
  EXPECT_TRUE(rig.postScript().ends_with("%%EOF\r"));
  EXPECT_EQ(rig.bytes.size(), 30 + rig.header[2]);  // nothing of the preview is left after it
  // Black and white needs a rendering of the colours that is not built yet: refused at once.
  EpsRig cmyk(4);
  EXPECT_FALSE(cmyk.saveAs(art::kPreviewTiffBw));
  EXPECT_EQ(cmyk.ui.messages(), Rows{"The black and white EPS preview of a colour image is not "
                                     "available in this build."});
  EXPECT_TRUE(cmyk.folder.entries().empty() && cmyk.modified);
}

}  // namespace
}  // namespace vl::image::testing
