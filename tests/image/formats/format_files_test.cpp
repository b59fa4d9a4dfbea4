// PNG, JPEG, netpbm and BMP files written at test time by real tools (make_files.py: PIL,
// ImageMagick, netpbm) must read, through the dispatch as a user opens them, to the pixels PIL
// decodes or the numbers the tool was given, in the mode and at the resolution the file states,
// whole or downsampled; and be refused cleanly when cut short, out of memory or stopped.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/image/readers/reader_test_support.h"

namespace vl::image::testing {
namespace {

struct MadeFile {
  std::string file, mode;
  int width = 0, height = 0;
  double xPpi = 0, yPpi = 0;  // 0: the file states none
  std::string truth;
};

// The files, made once per test run in a folder of their own.
const std::string& MadeFolder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/vl-formats-XXXXXX";
    const std::string dir = std::string(::mkdtemp(pattern) != nullptr ? pattern : "/tmp") + "/";
    const std::string command = "/usr/bin/python3 " VL_SOURCE_DIR
                                "/tests/image/formats/make_files.py " + dir;
    return std::system(command.c_str()) == 0 ? dir : std::string();
  }();
  return folder;
}

std::vector<MadeFile> Manifest() {
  std::vector<MadeFile> out;
  if (MadeFolder().empty()) {
    ADD_FAILURE() << "make_files.py failed (needs PIL, numpy, ImageMagick and netpbm)";
    return out;
  }
  std::ifstream in(MadeFolder() + "manifest.tsv");
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    MadeFile f;
    fields >> f.file >> f.mode >> f.width >> f.height >> f.xPpi >> f.yPpi >> f.truth;
    out.push_back(f);
  }
  EXPECT_GE(out.size(), 40u);
  return out;
}

std::string ModeName(const RasterImage& image) {
  switch (ImageModeOf(image)) {
    case ImageMode::Bitmap: return "bitmap";
    case ImageMode::GrayScale: return "gray";
    case ImageMode::Rgb: return "rgb";
    case ImageMode::Cmyk: return "cmyk";
  }
  return "";
}

// The message a file of this name gets when it is damaged.
int DamagedMessage(const std::string& file) {
  if (file.ends_with(".png")) return msg::kPngDamaged;
  if (file.ends_with(".jpg")) return msg::kJpegDamaged;
  if (file.ends_with(".bmp")) return msg::kBmpDamaged;
  return msg::kPnmDamaged;
}

TEST(FormatFiles, EveryFileReadsToThePixelsItsToolWasGiven) {
  for (const MadeFile& f : Manifest()) {
    const Bytes bytes = ReadBytes(MadeFolder() + f.file);
    const Bytes truth = ReadBytes(MadeFolder() + f.truth);
    // By its own name, by signature alone, and misnamed (the signature wins).
    const std::string misnamed = f.file.ends_with(".png") ? "misnamed.bmp" : "misnamed.png";
    for (const std::string& name : {f.file, std::string("no_extension"), misnamed}) {
      SCOPED_TRACE(f.file + " opened as " + name);
      ReadRun run;
      ASSERT_EQ(run.open(bytes, name), kReadDone) << ::testing::PrintToString(run.env.ui.messages());
      EXPECT_EQ(ModeName(run.image), f.mode);
      EXPECT_EQ(run.image.width, f.width);
      EXPECT_EQ(run.image.height, f.height);
      EXPECT_TRUE(ImagePixels(run.image) == truth) << "pixels differ";
      EXPECT_NEAR(run.image.xResolution, f.xPpi == 0 ? 300.0 : f.xPpi, 1e-6);
      EXPECT_NEAR(run.image.yResolution, f.yPpi == 0 ? 300.0 : f.yPpi, 1e-6);
      if (f.mode == "gray") { EXPECT_EQ(run.image.photometric, kBlackIsZero); }
      if (f.mode == "bitmap") {
        EXPECT_EQ(run.image.photometric, kWhiteIsZero);
        EXPECT_TRUE(!run.image.backupLayer.empty() || run.image.backupOnDisk);
      }
      EXPECT_TRUE(run.env.ui.messages().empty());
      EXPECT_EQ(run.env.ui.labels.at(0), msg::Text(msg::kReadingImageData));
      EXPECT_FALSE(run.env.ui.progressOpen());
    }
    // Downsampled 2:1: odd rows and even pixels, half the resolution.
    if (f.mode == "bitmap") continue;  // a bilevel image never is
    SCOPED_TRACE(f.file + " downsampled");
    ReadRun half;
    half.image.downsample = true;
    ASSERT_EQ(half.open(bytes, f.file), kReadDone);
    const int samples = f.mode == "gray" ? 1 : f.mode == "rgb" ? 3 : 4;
    EXPECT_EQ(half.image.width, f.width / 2);
    EXPECT_EQ(half.image.height, f.height / 2);
    EXPECT_TRUE(ImagePixels(half.image) == Halved(truth, f.width, f.height, samples));
    EXPECT_NEAR(half.image.xResolution * 2, f.xPpi == 0 ? 300.0 : f.xPpi, 1e-6);
  }
}

TEST(FormatFiles, CutShortOutOfMemoryOrStoppedAReadSaysSoAndLeavesNothing) {
  for (const MadeFile& f : Manifest()) {
    const Bytes whole = ReadBytes(MadeFolder() + f.file);
    // In the signature, the header, the pixels; binary netpbm and BMP files also miss their
    // last byte (a plain file's is its closing line end).
    std::vector<std::size_t> sizes = {0, 2, 10, 40, whole.size() / 2};
    if (!f.file.ends_with(".png") && !f.file.ends_with(".jpg") && !f.file.starts_with("netpbm_plain") &&
        !f.file.ends_with("_plain.pgm") && f.file.find("rle") == std::string::npos) {
      sizes.push_back(whole.size() - 1);
    }
    ExpectUnfinishedReadsKeepNothing(whole, f.file, sizes, DamagedMessage(f.file));
  }
}

}  // namespace
}  // namespace vl::image::testing
