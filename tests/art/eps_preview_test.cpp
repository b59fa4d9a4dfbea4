// The EPS art file's TIFF preview, made by the image's own TIFF writer: the DOS EPS header
// around the PostScript and the preview, the preview as outside tools read it, and a full disk
// or a stop during the preview.
#include <gtest/gtest.h>

#include "base/message_table.h"
#include "image/tiff_writer.h"
#include "platform/byte_order.h"
#include "tests/art/writer_test_env.h"
#include "tests/image/writers/pixel_writer_rig.h"

namespace vl::image::testing {
namespace {

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
      header.push_back(at == 0    ? platform::LoadBe32(&bytes[0])
                       : at == 28 ? platform::LoadLe16(&bytes[28])
                                  : platform::LoadLe32(&bytes[at]));
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
