// EPS art with a TIFF preview (preview kinds 4 and 5): the DOS EPS header's offsets and
// lengths, Ghostscript still rendering the PostScript, and the preview cut out by the header
// read by libtiff and PIL at the size the preview rule gives.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "app/message_table.h"
#include "art/save_art.h"
#include "engine/byte_order.h"
#include "image/tiff_writer.h"
#include "tests/art/writer_test_env.h"
#include "tests/image/writers/writer_test_support.h"
#include "tests/support/external_renderers.h"

namespace vl::image::testing {
namespace {

using art::PreviewResult;

// Art over a raster image: a black square on the 100 x 100, 300 pixels-per-inch image, saved as
// EPS with the image's TIFF writer as the preview writer.
struct EpsRig {
  WriterRig raster;
  art::test::WriterEnv art;
  art::SaveArtOptions options;
  art::SaveStamp stamp = art::test::FixedStamp();
  bool modified = true;

  explicit EpsRig(int samples) {
    if (samples == 0) {
      std::vector<std::string> rows(100, std::string(100, '.'));
      for (int y = 20; y < 60; ++y) rows[y].replace(20, 40, 40, '#');
      raster.bilevel(rows, 300.0);
    } else {
      raster.color(
          100, 100, samples, [](int x, int y, int s) { return std::uint8_t(x + y + s); }, 300.0);
    }
    art.image.xResolution = art.image.yResolution = 300.0;
    art.image.paddedWidth = raster.image.paddedWidth;
    art.image.height = raster.image.height;
    art.image.artScale = raster.image.artScale;
    art.image.samplesPerPixel = samples == 0 ? 1 : samples;
    art.art.pen.artScale = raster.image.artScale;
    art.paint(art::PaintType::Black, art::PaintType::None);
    art.linePath({{20, 20}, {60, 20}, {60, 60}, {20, 60}, {20, 20}});
    options.format = art::kFormatGq5;
    options.stamp = &stamp;
    options.tiffPreview = [this](platform::FileHandle file, int) {
      switch (writeTiff(art.rt, raster.image, file, kTiffPreview)) {
        case TiffOutcome::kWritten: return PreviewResult::kWritten;
        case TiffOutcome::kStopped: return PreviewResult::kStopped;
        default: return PreviewResult::kFailed;
      }
    };
  }

  std::string path(const std::string& name) const { return art.folder.path + name; }
  bool save(const std::string& file, int preview) {
    options.preview = preview;
    return art::saveArt(art.rt, art.art, art.image, art.colors, file, options, modified);
  }
};

struct DosEpsHeader {
  std::uint32_t magic = 0, postScriptAt = 0, postScriptBytes = 0, metafileAt = 0, metafileBytes = 0,
                tiffAt = 0, tiffBytes = 0;
  std::uint16_t checksum = 0;
};

DosEpsHeader HeaderOf(const Bytes& b) {
  DosEpsHeader h;
  if (b.size() < 30) return h;
  h.magic = engine::LoadBe32(b.data());
  h.postScriptAt = engine::LoadLe32(&b[4]);
  h.postScriptBytes = engine::LoadLe32(&b[8]);
  h.metafileAt = engine::LoadLe32(&b[12]);
  h.metafileBytes = engine::LoadLe32(&b[16]);
  h.tiffAt = engine::LoadLe32(&b[20]);
  h.tiffBytes = engine::LoadLe32(&b[24]);
  h.checksum = engine::LoadLe16(&b[28]);
  return h;
}

std::string Cut(const Bytes& b, std::size_t at, std::size_t bytes, const std::string& path) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data() + at), std::streamsize(bytes));
  return path;
}

TEST(EpsPreview, HeaderOffsetsFramePostScriptAndAPreviewLibtiffReads) {
  VL_REQUIRE_TOOL("/usr/bin/python3");
  VL_REQUIRE_TOOL("tiffinfo");
  for (int kind : {art::kPreviewTiffBw, art::kPreviewTiffColor}) {
    SCOPED_TRACE(kind);
    EpsRig rig(0);
    const std::string eps = rig.path("art.eps");
    ASSERT_TRUE(rig.save(eps, kind)) << ::testing::PrintToString(rig.art.ui.messages());
    EXPECT_FALSE(rig.modified);
    const Bytes b = FileBytes(eps);
    const DosEpsHeader h = HeaderOf(b);
    EXPECT_EQ(h.magic, 0xC5D0D3C6u);
    EXPECT_EQ(h.postScriptAt, 30u);
    EXPECT_EQ(h.metafileAt, 0u);
    EXPECT_EQ(h.metafileBytes, 0u);
    EXPECT_EQ(h.tiffAt, h.postScriptAt + h.postScriptBytes);
    EXPECT_EQ(std::size_t(h.tiffAt) + h.tiffBytes, b.size());
    EXPECT_EQ(h.checksum, 0xFFFF);
    const std::string postScript(b.begin() + 30, b.begin() + 30 + h.postScriptBytes);
    EXPECT_EQ(postScript.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
    EXPECT_EQ(postScript.substr(postScript.size() - 6), "%%EOF\r");
    EXPECT_NE(postScript.find("%GQ3_DocumentPreview: PC_TIFF"), std::string::npos);

    // The preview: 100 x 0.24 + 0.999 = 24 pixels a side, at 72 pixels per inch.
    const std::string tiff = Cut(b, h.tiffAt, h.tiffBytes, rig.path("preview.tif"));
    std::string info;
    EXPECT_TRUE(RunCommand("tiffinfo '" + tiff + "'", info));
    EXPECT_NE(info.find("Image Width: 24 Image Length: 24"), std::string::npos) << info;
    std::istringstream view(PilView(tiff));
    std::string head, row;
    std::getline(view, head);
    EXPECT_EQ(head, "24 24 1 packbits 72 72");
    // The square from 20 to 59 shows from preview pixel 5 to 14.
    for (int y = 0; std::getline(view, row); ++y) {
      for (int x = 0; x < 24; ++x) {
        const bool inside = x >= 5 && x <= 14 && y >= 5 && y <= 14;
        const bool edge = x == 4 || x == 15 || y == 4 || y == 15;
        if (!edge) {
          EXPECT_EQ(row[x], inside ? '#' : '.') << x << "," << y;
        }
      }
    }
  }
}

TEST(EpsPreview, GhostscriptStillRendersThePostScript) {
  VL_REQUIRE_TOOL("gs");
  EpsRig rig(0);
  const std::string eps = rig.path("art.eps");
  ASSERT_TRUE(rig.save(eps, art::kPreviewTiffColor));
  // 0.24 points per pixel: one rendered pixel per image pixel.
  auto page =
      test_support::RenderEpsWithGhostscript(eps, 100, 100, 0.24, 0.24, rig.art.folder.path);
  ASSERT_TRUE(page.has_value());
  EXPECT_LT(page->at(40, 40), 64);   // inside the square
  EXPECT_GT(page->at(80, 80), 192);  // outside
  EXPECT_GT(page->at(10, 40), 192);
}

TEST(EpsPreview, ColourImagesPreviewInTheirOwnModeButNotInBlackAndWhiteYet) {
  VL_REQUIRE_TOOL("/usr/bin/python3");
  EpsRig rgb(3);
  const std::string eps = rgb.path("rgb.eps");
  ASSERT_TRUE(rgb.save(eps, art::kPreviewTiffColor));
  const Bytes b = FileBytes(eps);
  const DosEpsHeader h = HeaderOf(b);
  std::istringstream view(PilView(Cut(b, h.tiffAt, h.tiffBytes, rgb.path("rgb.tif"))));
  std::string head;
  std::getline(view, head);
  EXPECT_EQ(head, "24 24 RGB raw 72 72");

  // Kind 4 needs the black and white rendering of the posterization: refused, no file made.
  EpsRig cmyk(4);
  const std::string refused = cmyk.path("cmyk.eps");
  EXPECT_FALSE(cmyk.save(refused, art::kPreviewTiffBw));
  EXPECT_EQ(
      cmyk.art.ui.messages(),
      std::vector<std::string>{
          "The black and white EPS preview of a colour image is not available in this build."});
  EXPECT_FALSE(platform::FileExists(refused));
  EXPECT_TRUE(cmyk.modified);
}

TEST(EpsPreview, AStopDuringThePreviewKeepsTheArtWithoutOne) {
  EpsRig rig(0);
  const std::string eps = rig.path("stopped.eps");
  art::TiffPreviewWriter write = rig.options.tiffPreview;
  rig.options.tiffPreview = [&](platform::FileHandle file, int kind) {
    rig.art.ui.requestAbort();  // Stop pressed as the preview begins
    rig.art.state.lastDrainTick = 0;
    rig.art.state.drainedOnce = false;
    return write(file, kind);
  };
  EXPECT_FALSE(rig.save(eps, art::kPreviewTiffBw));
  EXPECT_TRUE(rig.art.ui.messages().empty());
  EXPECT_TRUE(rig.modified);
  EXPECT_EQ(rig.art.state.abortRequested, 1);
  const Bytes b = FileBytes(eps);
  const DosEpsHeader h = HeaderOf(b);
  EXPECT_EQ(h.magic, 0xC5D0D3C6u);
  EXPECT_EQ(h.tiffAt, 0u);
  EXPECT_EQ(h.tiffBytes, 0u);
  const std::string postScript(b.begin() + 30, b.begin() + 30 + h.postScriptBytes);
  EXPECT_EQ(postScript.substr(postScript.size() - 6), "%%EOF\r");
}

TEST(EpsPreview, AFullDiskDuringThePreviewKeepsThePreviousFile) {
  EpsRig rig(0);
  const std::string eps = rig.path("art.eps");
  ASSERT_TRUE(rig.save(eps, art::kPreviewTiffBw));
  const Bytes previous = FileBytes(eps);
  const DosEpsHeader h = HeaderOf(previous);
  // A minute later the PostScript has the same length: room for it and the preview's first
  // 20 bytes, not for its rows.
  rig.stamp.time.tm_min += 1;
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = h.tiffAt + 20;
  sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const bool saved = rig.save(eps, art::kPreviewTiffBw);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(rig.art.ui.messages(),
            std::vector<std::string>{std::string(msg::Text(msg::kDiskFullOrLocked))});
  EXPECT_TRUE(rig.modified);
  EXPECT_EQ(FileBytes(eps), previous);
  EXPECT_EQ(rig.art.folder.entries().size(), 1u);  // no temporary file left
}

}  // namespace
}  // namespace vl::image::testing
