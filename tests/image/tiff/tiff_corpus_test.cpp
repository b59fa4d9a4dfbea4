// Files written by real tools (tiffcp, PIL, ImageMagick; see corpus/make_tiff_corpus.py): every
// encoding and layout must give the pixels the tool was given, in memory, downsampled 2:1 and
// read back from the file when memory is short.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "image/tiff_reader.h"
#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image {
namespace {

using testing::ColorBytes;
using testing::ColorRowsBySpan;
using testing::OnlyMessage;
using testing::OpenPath;
using testing::Picture;
using testing::ReadPicture;
using testing::TestRuntime;
using testing::Text;
using testing::TiffCorpusDir;

struct CorpusFile {
  std::string file;
  std::string source;
  std::string mode;       // "Bitmap", "Gray", "RGB", "CMYK"
  std::string transform;  // "none", "top4", "top2", "msb16"
};

std::vector<CorpusFile> LoadManifest() {
  std::vector<CorpusFile> files;
  std::ifstream manifest(TiffCorpusDir() + "corpus.txt");
  std::string line;
  while (std::getline(manifest, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    CorpusFile f;
    fields >> f.file >> f.source >> f.mode >> f.transform;
    files.push_back(f);
  }
  return files;
}

std::string ModeWord(const RasterImage& image) {
  switch (imageMode(image)) {
    case ImageMode::Bitmap: return "Bitmap";
    case ImageMode::GrayScale: return "Gray";
    case ImageMode::Rgb: return "RGB";
    case ImageMode::Cmyk: return "CMYK";
  }
  return "";
}

// The 8-bit sample the reader must store for a source sample.
std::uint8_t Expected(std::uint16_t sample, const std::string& transform) {
  if (transform == "top4") return static_cast<std::uint8_t>(sample / 17 << 4);
  if (transform == "top2") return static_cast<std::uint8_t>(sample / 85 << 6);
  if (transform == "msb16") return static_cast<std::uint8_t>(sample >> 8);
  return static_cast<std::uint8_t>(sample);
}

// The colour layer the source calls for; step 2 keeps odd rows and even pixels.
std::vector<std::uint8_t> ExpectedColor(const Picture& p, const std::string& transform, int step) {
  std::vector<std::uint8_t> out;
  for (int row = 0; row < p.height / step; ++row) {
    for (int column = 0; column < p.width / step; ++column) {
      for (int c = 0; c < p.channels; ++c) {
        out.push_back(Expected(p.at(column * step, row * step + step - 1, c), transform));
      }
    }
  }
  return out;
}

// Pixels where the bit layer and the source disagree (source P4: 1 = black).
int BitMismatches(const RasterImage& image, const Picture& p) {
  int wrong = 0;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      wrong += testing::pixelAt(bitRow(image, y), x) != (p.at(x, y, 0) == 1);
    }
    for (int x = p.width; x < image.paddedWidth; ++x) {
      wrong += testing::pixelAt(bitRow(image, y), x);  // padding must stay clear
    }
  }
  return wrong;
}

TEST(TiffCorpus, EveryEncodingAndLayoutGivesTheToolsPixels) {
  const std::vector<CorpusFile> files = LoadManifest();
  ASSERT_GE(files.size(), 30u) << "corpus.txt missing or short";
  for (const CorpusFile& f : files) {
    SCOPED_TRACE(f.file);
    TestRuntime t;
    RasterImage image;
    ASSERT_TRUE(OpenPath(t, image, TiffCorpusDir() + f.file)) << OnlyMessage(t);
    EXPECT_TRUE(t.ui.messages().empty());
    EXPECT_EQ(image.sourceFormat, kSourceTiff);
    EXPECT_EQ(ModeWord(image), f.mode);
    const Picture p = ReadPicture(TiffCorpusDir() + f.source);
    ASSERT_EQ(image.width, p.width);
    ASSERT_EQ(image.height, p.height);
    EXPECT_NE(std::find(t.ui.labels.begin(), t.ui.labels.end(), Text(msg::kReadingImageData)),
              t.ui.labels.end());
    EXPECT_FALSE(t.ui.progressOpen());
    if (f.mode == "Bitmap") {
      EXPECT_EQ(image.photometric, kWhiteIsZero);
      EXPECT_EQ(BitMismatches(image, p), 0);
    } else {
      ASSERT_TRUE(image.colorInMemory);
      EXPECT_EQ(image.samplesPerPixel, p.channels);
      EXPECT_EQ(ColorBytes(image), ExpectedColor(p, f.transform, 1));
      EXPECT_EQ(ColorRowsBySpan(image), ExpectedColor(p, f.transform, 1));
    }
    releaseImage(image, t.rt);
  }
}

TEST(TiffCorpus, DownsamplingKeepsOddRowsAndEvenPixelsOfColourImagesOnly) {
  for (const CorpusFile& f : LoadManifest()) {
    SCOPED_TRACE(f.file);
    TestRuntime t;
    RasterImage full;
    ASSERT_TRUE(OpenPath(t, full, TiffCorpusDir() + f.file)) << OnlyMessage(t);
    releaseImage(full, t.rt);
    RasterImage image;
    image.downsample = true;
    ASSERT_TRUE(OpenPath(t, image, TiffCorpusDir() + f.file)) << OnlyMessage(t);
    const Picture p = ReadPicture(TiffCorpusDir() + f.source);
    if (f.mode == "Bitmap") {
      EXPECT_EQ(image.width, p.width);  // a bilevel image is never downsampled
      EXPECT_EQ(BitMismatches(image, p), 0);
    } else {
      EXPECT_EQ(image.width, p.width / 2);
      EXPECT_EQ(image.height, p.height / 2);
      EXPECT_DOUBLE_EQ(image.xResolution * 2, full.xResolution);
      EXPECT_DOUBLE_EQ(image.yResolution * 2, full.yResolution);
      EXPECT_EQ(ColorBytes(image), ExpectedColor(p, f.transform, 2));
    }
    releaseImage(image, t.rt);
  }
}

// Allocation n fails, for every n: each read either succeeds with the right pixels (colour
// rows then perhaps read back from the file) or says "Insufficient memory to process image."
// and leaves nothing allocated.
TEST(TiffCorpus, EveryAllocationFailureIsCleanAndShortMemoryPagesRowsFromTheFile) {
  int pagedReads = 0;
  int diskBackups = 0;
  for (const CorpusFile& f : LoadManifest()) {
    SCOPED_TRACE(f.file);
    const Picture p = ReadPicture(TiffCorpusDir() + f.source);
    TestRuntime t;
    for (long allowed = 0; allowed < 12; ++allowed) {
      SCOPED_TRACE(allowed);
      t.ui.clearMessages();
      RasterImage image;
      t.memory.failAfter(allowed);
      const bool ok = OpenPath(t, image, TiffCorpusDir() + f.file);
      t.memory.failAfter(-1);
      if (!ok) {
        EXPECT_EQ(OnlyMessage(t), Text(msg::kInsufficientMemory));
        EXPECT_EQ(t.memory.used(), 0u);
        EXPECT_EQ(image.fileHandle, platform::kNoFile);
        continue;
      }
      EXPECT_TRUE(t.ui.messages().empty());
      if (f.mode == "Bitmap") {
        diskBackups += image.backupOnDisk;
        EXPECT_EQ(BitMismatches(image, p), 0);
      } else {
        pagedReads += !image.colorInMemory;
        std::vector<std::uint8_t> expected = ExpectedColor(p, f.transform, 1);
        // Rows left in the file keep their white-is-zero samples, and photometric says so.
        if (!image.colorInMemory && image.photometric == kWhiteIsZero) {
          for (std::uint8_t& v : expected) v = static_cast<std::uint8_t>(255 - v);
        }
        EXPECT_EQ(ColorRowsBySpan(image), expected);
      }
      releaseImage(image, t.rt);
      EXPECT_EQ(t.memory.used(), 0u);
    }
  }
  EXPECT_GE(pagedReads, 8);   // the uncompressed chunky strip files
  EXPECT_GE(diskBackups, 8);  // every bilevel file
}

TEST(TiffCorpus, ColourRowsPagedFromTheFileAreReadSpanBySpan) {
  TestRuntime t;
  RasterImage image;
  // The first allocation count at which the colour layer (the last one) fails.
  for (long allowed = 0; allowed < 12 && (image.bitLayer.empty() || image.colorInMemory);
       ++allowed) {
    releaseImage(image, t.rt);
    t.memory.failAfter(allowed);
    OpenPath(t, image, TiffCorpusDir() + "palette4_none.tif");
    t.memory.failAfter(-1);
  }
  ASSERT_FALSE(image.bitLayer.empty());
  ASSERT_FALSE(image.colorInMemory);
  EXPECT_EQ(image.photometric, kPhotometricPalette);
  const Picture p = ReadPicture(TiffCorpusDir() + "src_palette4.ppm");
  // Odd spans that start and end inside pixels and across the 8-pixel pieces.
  std::vector<std::uint8_t> out(200);
  for (int x : {0, 1, 7, 22, 100}) {
    const int count = std::min(31, image.colorRowBytes - x);
    ASSERT_TRUE(readColorSpan(image, x, 5, count, out.data()));
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(out[i], p.at((x + i) / 3, 5, (x + i) % 3)) << "byte " << x + i;
    }
  }
  releaseImage(image, t.rt);
  EXPECT_FALSE(readColorSpan(image, 0, 5, 3, out.data()));  // the file is closed
}

TEST(TiffCorpus, RealFilesOfOtherEncodingsAreRefused) {
  std::ifstream manifest(TiffCorpusDir() + "refused.txt");
  std::string line;
  int files = 0;
  while (std::getline(manifest, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string file, message;
    fields >> file >> message;
    SCOPED_TRACE(file);
    ASSERT_EQ(message, "unimplemented");
    TestRuntime t;
    RasterImage image;
    EXPECT_FALSE(OpenPath(t, image, TiffCorpusDir() + file));
    EXPECT_EQ(OnlyMessage(t), Text(msg::kTiffUnimplementedEncoding));
    EXPECT_EQ(t.memory.used(), 0u);
    ++files;
  }
  EXPECT_EQ(files, 3);
}

}  // namespace
}  // namespace vl::image
