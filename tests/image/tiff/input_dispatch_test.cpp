// The input dispatch: names and signatures choosing the reader, sources without a reader,
// opening errors, batch paths and the defaults every read starts from.
#include <gtest/gtest.h>

#include "tests/image/tiff/tiff_test_support.h"

namespace vl::image::testing {
namespace {

// The last four characters of a name, in any case, name a reader outright; other names and
// Sun raster ones leave it to the signature: TIFF or DOS EPS for the TIFF reader, never the Sun
// raster signature. What matches nothing, or is too short for a header, fails as an unknown
// format; a source whose reader this build lacks is refused with the same message.
TEST(InputDispatch, NamesAndSignaturesChooseTheReader) {
  const Bytes tiff = ReadWholeFile(CorpusPath("bilevel_none.tif"));
  const Bytes eps = ReadWholeFile(CorpusPath("bilevel_preview.eps"));
  Bytes sun = {0x59, 0xA6, 0x6A, 0x95, 'I', 'I'};
  sun.resize(64, 0);
  const ReadOutcome unknown = ReadFailed(msg::kUnknownInputFormat);
  const struct {
    const char* name;
    Bytes bytes;
    std::int16_t format;  // from the name
    ReadOutcome outcome;  // failures: the other readers' own messages, or the dispatch's
  } cases[] = {{"PAGE.TIF", tiff, kSourceTiff, kReadDone},
               {"page.tiff", tiff, kSourceBySignature, kReadDone},
               {"page.tif.bak", eps, kSourceBySignature, kReadDone},
               {"a.SUN", tiff, kSourceSunRaster, kReadDone},  // the Sun code still tests signatures
               {"A.PCX", tiff, kSourcePcx, unknown},
               {"a.Rvx", tiff, kSourceRvx3, ReadFailed(msg::kInvalidRvxFormat)},
               {"a.dat", sun, kSourceBySignature, ReadRefused(msg::kSunRasterNotBilevel)},
               {"a.dat", Bytes(100, 'x'), kSourceBySignature, unknown},
               {"a.tif", Bytes(tiff.begin(), tiff.begin() + 31), kSourceTiff, unknown},
               {"a.tif", {}, kSourceTiff, unknown}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + std::string(" ") + std::to_string(c.bytes.size()));
    RasterImage image;
    EXPECT_EQ(chooseFormatByName(image, c.name), c.format);
    EXPECT_EQ(image.sourceFormat, c.format);
    TestRuntime t;
    EXPECT_EQ(OpenBytes(t, image, c.bytes, c.name), c.outcome);
    EXPECT_EQ(OnlyMessage(t), c.outcome.read() ? "" : Text(c.outcome.message));
    EXPECT_TRUE(!c.outcome.read() || image.sourceFormat == kSourceTiff);
    releaseImage(image, t.rt);
    EXPECT_EQ(t.memory.used(), 0u);
  }
  for (std::int16_t format : {kSourceClipboard, kSourceAcquire}) {  // no reader in this build
    TestRuntime t;
    RasterImage image;
    image.sourceFormat = format;
    EXPECT_EQ(openInputImage(image, t.rt, true), ReadRefused(msg::kUnknownInputFormat));
    EXPECT_EQ(OnlyMessage(t), Text(msg::kUnknownInputFormat));
  }
}

// A failed open names the system's error and still releases the old image; a batch opens its
// folder and name together; every read starts from 300 pixels/inch and ends completed.
TEST(InputDispatch, OpeningErrorsBatchPathsAndTheDefaultsEveryReadStartsFrom) {
  TestRuntime t;
  RasterImage image;
  ASSERT_EQ(OpenBytes(t, image, ReadWholeFile(CorpusPath("gray_none.tif"))), kReadDone);
  image.inputName = t.scratchFolder + "no such file.tif";
  EXPECT_EQ(openInputImage(image, t.rt, false), ReadFailed(msg::kInputOpenError));
  EXPECT_EQ(OnlyMessage(t), msg::Format(msg::kInputOpenError, 2));  // ENOENT
  EXPECT_TRUE(image.colorLayer.empty() && image.bitLayer.empty());
  EXPECT_EQ(t.memory.used(), 0u);
  t.app.batchRunning = true;
  image.inputFolder = TiffDir() + "corpus/";
  image.inputName = "bilevel_none.tif";
  image.xResolution = image.yResolution = 1.0;
  ASSERT_EQ(openInputImage(image, t.rt, false), kReadDone) << OnlyMessage(t);
  EXPECT_TRUE(image.xResolution == 300.0 && image.yResolution == 300.0);
  EXPECT_FALSE(image.backupLayer.empty());  // completed
  releaseImage(image, t.rt);
}

}  // namespace
}  // namespace vl::image::testing
