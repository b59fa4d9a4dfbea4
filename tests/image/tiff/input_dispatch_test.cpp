// The input dispatch: format codes from names, the signature tests, the readers this build
// does not have yet, opening errors, batch paths and the defaults every read starts from.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image {
namespace {

using testing::OnlyMessage;
using testing::OpenBytes;
using testing::OpenPath;
using testing::ReadWholeFile;
using testing::TestRuntime;
using testing::Text;
using testing::TiffCorpusDir;

using Bytes = std::vector<std::uint8_t>;

TEST(InputDispatch, FormatCodesComeFromTheLastFourCharactersWhateverTheirCase) {
  RasterImage image;
  struct Case {
    const char* name;
    std::int16_t format;
  };
  for (const Case& c : {Case{"scan.tif", kSourceTiff}, Case{"C:\\SCANS\\PAGE.TIF", kSourceTiff},
                        Case{"art.Rvx", kSourceRvx3}, Case{"x.PCX", kSourcePcx},
                        Case{"paint.pnt", kSourceMacPaint}, Case{"frame.SUN", kSourceSunRaster},
                        Case{"scan.tiff", kSourceBySignature}, Case{"tif", kSourceBySignature},
                        Case{"", kSourceBySignature}, Case{"scan.tif.bak", kSourceBySignature}}) {
    SCOPED_TRACE(c.name);
    image.sourceFormat = 99;
    EXPECT_EQ(chooseFormatByName(image, c.name), c.format);
    EXPECT_EQ(image.sourceFormat, c.format);
  }
}

TEST(InputDispatch, SignaturesChooseTheTiffReaderWhateverTheExtension) {
  const Bytes tiff = ReadWholeFile(TiffCorpusDir() + "bilevel_none.tif");
  const Bytes eps = ReadWholeFile(TiffCorpusDir() + "bilevel_preview.eps");
  for (const char* name : {"page.tif", "page.dat", "page.sun", "page.tiff"}) {
    SCOPED_TRACE(name);
    TestRuntime t;
    RasterImage image;
    ASSERT_TRUE(OpenBytes(t, image, tiff, name)) << OnlyMessage(t);
    EXPECT_EQ(image.sourceFormat, kSourceTiff);
    releaseImage(image, t.rt);
    ASSERT_TRUE(OpenBytes(t, image, eps, name)) << OnlyMessage(t);
    releaseImage(image, t.rt);
  }
}

// A file that no signature matches, one too short to hold any header, and sources with no
// reader in this build are unknown formats.
TEST(InputDispatch, UnrecognisedFilesAndSourcesWithoutAReaderAreUnknownFormats) {
  const Bytes tiff = ReadWholeFile(TiffCorpusDir() + "bilevel_none.tif");
  struct Case {
    const char* name;
    Bytes bytes;
  };
  for (const Case& c : {Case{"a.dat", Bytes(100, 'x')}, Case{"a.tiff", Bytes(100, 0)},
                        Case{"a.tif", Bytes(tiff.begin(), tiff.begin() + 31)},
                        Case{"a.tif", Bytes{}}}) {
    SCOPED_TRACE(c.name);
    TestRuntime t;
    RasterImage image;
    EXPECT_FALSE(OpenBytes(t, image, c.bytes, c.name));
    EXPECT_EQ(OnlyMessage(t), Text(msg::kUnknownInputFormat));
    EXPECT_EQ(image.fileHandle, platform::kNoFile);
    EXPECT_EQ(t.memory.used(), 0u);
  }

  for (std::int16_t format : {kSourceClipboard, kSourceAcquire}) {
    TestRuntime t;
    RasterImage image;
    image.sourceFormat = format;
    EXPECT_FALSE(openInputImage(image, t.rt, true));
    EXPECT_EQ(OnlyMessage(t), Text(msg::kUnknownInputFormat));
  }
}

// The extensions of the other formats name their reader outright, and a Sun raster signature
// goes to the Sun raster reader: a TIFF under such a name is not read as TIFF, and the Sun
// signature never reaches the TIFF reader. Whichever reader answers, it refuses with one
// message and leaves nothing behind.
TEST(InputDispatch, OtherFormatsNamesAndSignaturesNeverReachTheTiffReader) {
  const Bytes tiff = ReadWholeFile(TiffCorpusDir() + "bilevel_none.tif");
  Bytes sun = {0x59, 0xA6, 0x6A, 0x95, 'I', 'I'};
  sun.resize(64, 0);
  struct Case {
    const char* name;
    Bytes bytes;
  };
  for (const Case& c : {Case{"a.pcx", tiff}, Case{"a.pnt", tiff}, Case{"a.rvx", tiff},
                        Case{"a.dat", sun}}) {
    SCOPED_TRACE(c.name);
    TestRuntime t;
    RasterImage image;
    EXPECT_FALSE(OpenBytes(t, image, c.bytes, c.name));
    EXPECT_EQ(t.ui.messages().size(), 1u);
    EXPECT_NE(OnlyMessage(t), Text(msg::kTiffIncompleteData));
    EXPECT_EQ(image.fileHandle, platform::kNoFile);
    EXPECT_EQ(t.memory.used(), 0u);
  }
}

TEST(InputDispatch, OpeningErrorsNameTheSystemsErrorAndReleaseTheOldImage) {
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(OpenPath(t, image, TiffCorpusDir() + "gray_none.tif"));
  ASSERT_FALSE(image.colorLayer.empty());
  EXPECT_FALSE(OpenPath(t, image, t.scratchFolder + "no such file.tif"));
  EXPECT_EQ(OnlyMessage(t), msg::Format(msg::kInputOpenError, 2));  // ENOENT
  EXPECT_TRUE(image.colorLayer.empty());
  EXPECT_TRUE(image.bitLayer.empty());
  EXPECT_EQ(t.memory.used(), 0u);
}

TEST(InputDispatch, BatchRunsOpenTheFolderAndNameTogether) {
  TestRuntime t;
  t.app.batchRunning = true;
  RasterImage image;
  image.inputFolder = TiffCorpusDir();
  image.inputName = "rgb_lzw2.tif";
  chooseFormatByName(image, image.inputName);
  ASSERT_TRUE(openInputImage(image, t.rt, false)) << OnlyMessage(t);
  EXPECT_EQ(imageMode(image), ImageMode::Rgb);
  releaseImage(image, t.rt);
}

TEST(InputDispatch, EveryReadStartsFromTheDefaultsAndEndsWithTheCommonCompletion) {
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(OpenPath(t, image, TiffCorpusDir() + "rgb_none.tif"));
  image.xResolution = image.yResolution = 1.0;
  image.artScale = 0.25;
  image.artScaleShift = 9;
  releaseImage(image, t.rt);

  // A bilevel file without resolution tags, black is zero: everything from the defaults.
  ASSERT_TRUE(OpenPath(t, image, TiffCorpusDir() + "bilevel_none.tif"));
  EXPECT_DOUBLE_EQ(image.xResolution, 300.0);
  EXPECT_DOUBLE_EQ(image.yResolution, 300.0);
  EXPECT_EQ(image.samplesPerPixel, 1);
  EXPECT_EQ(image.bitsPerSample, 1);
  EXPECT_EQ(image.photometric, kWhiteIsZero);  // inverted by the completion
  EXPECT_EQ(image.artScale, 128.0);  // 224 x 64 < 16000 <= 224 x 128
  EXPECT_EQ(image.artScaleShift, 7);
  EXPECT_EQ(image.zoomX, kZoomOne);
  ASSERT_FALSE(image.backupLayer.empty());
  EXPECT_EQ(0, std::memcmp(image.backupLayer.data(), image.bitLayer.data(),
                           image.bitLayer.size()));
  releaseImage(image, t.rt);
}

}  // namespace
}  // namespace vl::image
