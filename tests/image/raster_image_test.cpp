// Geometry, whole-layer bit operations, the load completion and the backup of the raster image.
#include "image/raster_image.h"

#include <gtest/gtest.h>

#include "app/message_table.h"
#include "tests/image/raster_test_support.h"

namespace vl::image {
namespace {

using testing::bilevelPicture;
using testing::drawBilevel;
using testing::TestRuntime;
using Picture = std::vector<std::string>;

TEST(RasterGeometry, RowsPadTo32BitsAndSizesAreValidated) {
  RasterImage image;
  ASSERT_TRUE(setGeometry(image, 1, 3));
  EXPECT_EQ(image.paddedWidth, 32);
  EXPECT_EQ(image.bitRowBytes, 4);
  EXPECT_EQ(image.bitRowWords, 2);
  EXPECT_EQ(image.bitLayerBytes, 12);
  ASSERT_TRUE(setGeometry(image, kMaxSidePixels, kMaxSidePixels));  // pads past 16 bits
  EXPECT_EQ(image.paddedWidth, 32768);
  EXPECT_EQ(image.bitLayerBytes, std::int64_t{4096} * 32767);
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {32768, 5}, {5, 32768}}) {
    EXPECT_FALSE(setGeometry(image, w, h)) << w << " x " << h;
  }
  EXPECT_EQ(image.width, kMaxSidePixels);  // a refused size changes nothing

  ASSERT_TRUE(setGeometryFromRowBytes(image, 10, 4, 5));  // stored rows of 5 bytes
  EXPECT_EQ(image.bitRowBytes, 8);
  EXPECT_EQ(image.paddedWidth, 64);
  EXPECT_FALSE(setGeometryFromRowBytes(image, 17, 4, 2));  // too short for 17 pixels

  TestRuntime t;
  ASSERT_TRUE(allocateBitLayer(image, t.memory));
  EXPECT_EQ(image.bitLayer.size(), 8u * 6);  // two blank guard rows
  EXPECT_EQ(bitRow(image, -1), image.bitLayer.data());
  EXPECT_EQ(bitRow(image, 4), image.bitLayer.data() + 40);
  t.memory.setLimit(t.memory.used() + 47);
  EXPECT_FALSE(allocateBackupLayer(image, t.memory));
  EXPECT_TRUE(image.backupLayer.empty());
}

TEST(RasterLoad, BilevelEndsWhiteIsZeroWithCleanPaddingAndABackupInMemory) {
  TestRuntime t;
  // One pixel wide and black-is-zero: the inversion sets all 31 padding bits of each row.
  RasterImage blackIsZero;
  ASSERT_TRUE(drawBilevel(blackIsZero, t.rt, {".", "#", "."}));
  bitRow(blackIsZero, 1)[2] = 0x5A;  // a reader's garbage in the padding
  blackIsZero.photometric = kBlackIsZero;
  ASSERT_TRUE(completeLoad(blackIsZero, t.rt));
  EXPECT_EQ(blackIsZero.photometric, kWhiteIsZero);
  EXPECT_EQ(bilevelPicture(blackIsZero), (Picture{"#", ".", "#"}));
  EXPECT_EQ(bitRow(blackIsZero, 0)[0], 0x80);

  RasterImage whiteIsZero;  // the same picture stored the other way loads identically
  ASSERT_TRUE(drawBilevel(whiteIsZero, t.rt, {"#", ".", "#"}));
  ASSERT_TRUE(completeLoad(whiteIsZero, t.rt));
  EXPECT_EQ(std::memcmp(whiteIsZero.bitLayer.data(), blackIsZero.bitLayer.data(), 20), 0);
  EXPECT_FALSE(whiteIsZero.backupOnDisk);
  EXPECT_EQ(std::memcmp(whiteIsZero.backupLayer.data(), whiteIsZero.bitLayer.data(), 20), 0);

  // Inverting again (Select Inverse) keeps the padding clear on a 38-pixel row.
  RasterImage wide;
  ASSERT_TRUE(drawBilevel(wide, t.rt, {"#....................................#"}));
  invertBitLayer(wide);
  EXPECT_EQ(bilevelPicture(wide), (Picture{".####################################."}));
  EXPECT_EQ(bitRow(wide, 1)[0], 0);  // guard row untouched

  EXPECT_EQ(whiteIsZero.displayColors[1], (std::array<std::uint8_t, 3>{0, 0, 51}));
  EXPECT_EQ(whiteIsZero.displayColors[36], (std::array<std::uint8_t, 3>{51, 0, 0}));
  EXPECT_EQ(whiteIsZero.displayColors[215], (std::array<std::uint8_t, 3>{255, 255, 255}));
  EXPECT_EQ(whiteIsZero.toneTable[200], 200);
}

TEST(RasterLoad, ArtScaleDoublesWhileTheLargerSideStaysBelow16000) {
  TestRuntime t;
  struct Case {
    std::int32_t width, height;
    double scale;
    std::int16_t shift;
  };
  for (Case c : {Case{1, 15999, 2.0, 1}, Case{1, 16000, 1.0, 0}, Case{100, 50, 128.0, 7},
                 Case{15990, 1, 1.0, 0}, Case{20000, 3, 1.0, 0}}) {
    RasterImage image;
    ASSERT_TRUE(setGeometry(image, c.width, c.height));
    ASSERT_TRUE(allocateBitLayer(image, t.memory));
    ASSERT_TRUE(completeLoad(image, t.rt));
    EXPECT_EQ(image.artScale, c.scale) << c.width << " x " << c.height;
    EXPECT_EQ(image.artScaleShift, c.shift) << c.width << " x " << c.height;
    EXPECT_EQ(pixelToArt(image, 3), 3 * c.scale);
    releaseImage(image, t.rt);
  }
}

TEST(RasterLoad, GrayWhiteIsZeroIsComplementedSampleForSample) {
  TestRuntime t;
  // Odd width: rounding each row up to 16-bit words would flip the next row's first sample
  // twice and write past the layer.
  RasterImage gray;
  gray.bitsPerSample = 8;
  ASSERT_TRUE(setGeometry(gray, 3, 2));
  ASSERT_TRUE(allocateBitLayer(gray, t.memory));
  ASSERT_TRUE(prepareColorLayer(gray, t.rt));
  const std::uint8_t rows[2][3] = {{0, 10, 200}, {255, 1, 128}};
  for (int y = 0; y < 2; ++y) ASSERT_TRUE(storeColorRow(gray, y, rows[y]));
  ASSERT_TRUE(completeLoad(gray, t.rt));
  EXPECT_EQ(gray.photometric, kBlackIsZero);
  ASSERT_EQ(gray.colorLayer.size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(gray.colorLayer.data()[i], 255 - rows[i / 3][i % 3]) << i;

  // Rows left in the file are not touched, and photometric says so.
  RasterImage paged;
  paged.bitsPerSample = 8;
  ASSERT_TRUE(setGeometry(paged, 3, 2));
  ASSERT_TRUE(allocateBitLayer(paged, t.memory));
  ASSERT_TRUE(completeLoad(paged, t.rt));
  EXPECT_EQ(paged.photometric, kWhiteIsZero);
}

TEST(RasterBackup, RefusedBackupBlockGoesToMemtempRowByRowAndReleaseDeletesIt) {
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(drawBilevel(
      image, t.rt,
      {"#......................................#.", "..#...................................#.",
       "....#.................................#."}));
  t.memory.setLimit(t.memory.used() + 10);  // no room for a second 40-byte layer
  ASSERT_TRUE(completeLoad(image, t.rt));
  EXPECT_TRUE(image.backupOnDisk);
  EXPECT_TRUE(image.backupLayer.empty());

  const std::string memtemp = t.scratchFolder + "memtemp";
  std::uint8_t bytes[3 * 8 + 1];
  platform::FileHandle h = platform::OpenFileForReading(memtemp);
  ASSERT_EQ(platform::ReadBytes(h, bytes, sizeof bytes), 24u);
  platform::CloseFile(h);
  EXPECT_EQ(std::memcmp(bytes, bitRow(image, 0), 24), 0);
  ASSERT_FALSE(t.ui.labels.empty());
  for (const std::string& label : t.ui.labels) EXPECT_EQ(label, msg::Text(msg::kProcessingLabel));
  EXPECT_FALSE(t.ui.progressOpen());

  releaseImage(image, t.rt);
  EXPECT_FALSE(platform::FileExists(memtemp));
  EXPECT_EQ(image.fileHandle, platform::kNoFile);
  EXPECT_EQ(t.memory.used(), 0u);
}

TEST(RasterBackup, AbortOrUncreatableMemtempFailsTheLoadAndLeavesNothingBehind) {
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(drawBilevel(image, t.rt, {"#.", ".#", "##", ".."}));
  t.memory.setLimit(t.memory.used());
  t.ui.requestAbort();  // the user presses Stop while the rows are written
  EXPECT_FALSE(completeLoad(image, t.rt));
  EXPECT_NE(t.state.abortRequested, 0);
  EXPECT_TRUE(t.ui.messages().empty());  // no message after a user abort
  EXPECT_FALSE(platform::FileExists(t.scratchFolder + "memtemp"));
  EXPECT_TRUE(image.bitLayer.empty());
  EXPECT_FALSE(t.ui.progressOpen());

  TestRuntime u;
  const std::string folder = u.scratchFolder;
  u.scratchFolder = "/nonexistent-vectorlume-test/scratch/";
  RasterImage other;
  ASSERT_TRUE(drawBilevel(other, u.rt, {"#.", ".#"}));
  u.memory.setLimit(u.memory.used());
  EXPECT_FALSE(completeLoad(other, u.rt));
  EXPECT_EQ(u.ui.messages(),
            std::vector<std::string>{std::string(msg::Text(msg::kScratchOpenFailed))});
  EXPECT_TRUE(other.bitLayer.empty());
  u.scratchFolder = folder;
}

}  // namespace
}  // namespace vl::image
