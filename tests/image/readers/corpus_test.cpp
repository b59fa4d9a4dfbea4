// Files made by real tools (and a few re-encoded by hand from the same pixels) must read to
// exactly the pixels the tools were given; see corpus/make_corpus.sh for who made what.
#include <gtest/gtest.h>

#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

// Each file of the manifest, read by its reader and compared with its picture: the bit layer
// for bilevel pictures, else the colour layer (a gray picture as RGB triples when the file
// holds three planes). Resolutions: Sun raster keeps the dispatch's 300, PCX takes the screen's,
// MacPaint has 72.
TEST(ReaderCorpus, EveryFileReadsToThePixelsGivenToTheTool) {
  std::ifstream manifest(CorpusPath("corpus.txt"));
  std::map<std::string, int> perReader;
  for (std::string line; std::getline(manifest, line);) {
    std::istringstream fields(line);
    std::string file, reader, picture;
    fields >> file >> reader >> picture;
    SCOPED_TRACE(line);
    ++perReader[reader];
    ReadRun run;
    ASSERT_EQ(run.read(ReaderNamed(reader), CorpusPath(file)), kReadOk)
        << ::testing::PrintToString(run.messages());
    ASSERT_TRUE(run.completed);
    const Picture want = LoadPicture(picture);
    EXPECT_EQ(run.image.width, want.width);
    EXPECT_EQ(run.image.height, want.height);
    if (want.bilevel) {
      EXPECT_TRUE(isBilevel(run.image));
      EXPECT_EQ(BitLayerPixels(run.image), want.pixels);
    } else {
      ASSERT_TRUE(run.image.colorInMemory);
      Bytes expected = want.pixels;
      if (want.samples == 1 && run.image.samplesPerPixel == 3) {
        expected.clear();
        for (std::uint8_t v : want.pixels) expected.insert(expected.end(), 3, v);
      } else {
        EXPECT_EQ(run.image.samplesPerPixel, want.samples);
      }
      EXPECT_EQ(ColorLayerPixels(run.image), expected);
    }
    const std::map<std::string, double> resolutions = {
        {"sun", 300.0}, {"pcx", kDefaultScreenPixelsPerInch}, {"macpaint", 72.0}};
    if (auto r = resolutions.find(reader); r != resolutions.end()) {
      EXPECT_EQ(run.image.xResolution, r->second);
      EXPECT_EQ(run.image.yResolution, r->second);
    }
    // Only the 16-bit RVX file announces a conversion; the progress line was closed.
    if (file.find("rgb16") != std::string::npos)
      run.expectOnly(msg::kRvxSixteenBitNote);
    else
      EXPECT_TRUE(run.messages().empty());
    EXPECT_FALSE(run.env.ui.progressOpen());
  }
  EXPECT_GE(perReader["sun"], 4);
  EXPECT_GE(perReader["pcx"], 9);
  EXPECT_GE(perReader["macpaint"], 2);
  EXPECT_GE(perReader["rvx"], 7);
}

TEST(ReaderCorpus, GeometryAndResolutionComeFromTheFiles) {
  // 100 pixels: 14-byte file rows (16-bit padded), 16-byte bit-layer rows, 128 padded pixels.
  ReadRun sun;
  ASSERT_EQ(sun.read(readSunRaster, CorpusPath("sun_imagemagick_100.ras")), kReadOk);
  EXPECT_EQ(sun.image.fileRowBytes, 14);
  EXPECT_EQ(sun.image.bitRowBytes, 16);
  EXPECT_EQ(sun.image.paddedWidth, 128);
  ReadRun mac;
  ASSERT_EQ(mac.read(readMacPaint, CorpusPath("macpaint_pbmtomacp.mac")), kReadOk);
  EXPECT_EQ(mac.image.paddedWidth, 576);
  EXPECT_EQ(mac.env.ui.labels.front(), msg::Text(msg::kReadingImageData));
  // RVX: the resolution resource, else 72 pixels per inch.
  ReadRun rvx, plain, gray;
  ASSERT_EQ(rvx.read(readRvx, CorpusPath("rvx_rgb_packbits.rvx")), kReadOk);
  EXPECT_EQ(rvx.image.xResolution, 150.0);
  EXPECT_EQ(rvx.image.yResolution, 75.5);
  ASSERT_EQ(plain.read(readRvx, CorpusPath("rvx_cmyk.rvx")), kReadOk);
  EXPECT_EQ(plain.image.xResolution, 72.0);
  // Gray RVX is stored 0 = black and stays so.
  ASSERT_EQ(gray.read(readRvx, CorpusPath("rvx_gray_raw.rvx")), kReadOk);
  EXPECT_EQ(gray.image.photometric, kBlackIsZero);
  EXPECT_EQ(gray.image.xResolution, 200.0);
  // Runs crossing line ends decode as the tool's own file did, though the files differ.
  ReadRun crossing, tool;
  ASSERT_EQ(crossing.read(ReadPcxAtDefaultScreen, CorpusPath("pcx_crossing_rgb.pcx")), kReadOk);
  ASSERT_EQ(tool.read(ReadPcxAtDefaultScreen, CorpusPath("pcx_imagemagick_rgb.pcx")), kReadOk);
  EXPECT_EQ(ColorLayerPixels(crossing.image), ColorLayerPixels(tool.image));
  EXPECT_NE(ReadBytes(CorpusPath("pcx_crossing_rgb.pcx")),
            ReadBytes(CorpusPath("pcx_imagemagick_rgb.pcx")));
}

}  // namespace
}  // namespace vl::image::testing
