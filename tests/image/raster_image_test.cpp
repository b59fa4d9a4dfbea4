// Geometry, the load completion (polarity, padding, art scale) and the backup of the raster
// image, in memory or in "memtemp".
#include "image/raster_image.h"

#include <gtest/gtest.h>

#include "base/message_table.h"
#include "tests/image/raster_test_support.h"

namespace vl::image {
namespace {

using namespace testing;
using Picture = std::vector<std::string>;

TEST(RasterGeometry, RowsPadTo32BitsBetweenGuardRowsAndSizesAreValidated) {
  RasterImage image;
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {32768, 5}, {5, 32768}})
    EXPECT_FALSE(setGeometry(image, w, h)) << w << " x " << h;  // sizes are signed 16-bit
  ASSERT_TRUE(setGeometry(image, kMaxSidePixels, kMaxSidePixels));  // pads past 16 bits
  EXPECT_TRUE(image.paddedWidth == 32768 && image.bitLayerBytes == std::int64_t{4096} * 32767);
  EXPECT_FALSE(setGeometryFromRowBytes(image, 17, 4, 2));  // too short for 17 pixels
  EXPECT_EQ(image.width, kMaxSidePixels);                  // a refused size changes nothing
  TestRuntime t;  // stored rows of 5 bytes; a blank guard row above and below
  ASSERT_TRUE(setGeometryFromRowBytes(image, 10, 4, 5) && allocateBitLayer(image, t.memory));
  EXPECT_TRUE(image.bitRowBytes == 8 && image.bitLayer.size() == 8u * 6);
}

TEST(RasterLoad, BilevelEndsWhiteIsZeroWithCleanPaddingAndAnEqualBackup) {
  TestRuntime t;
  // One pixel wide and black-is-zero: the inversion sets all 31 padding bits of each row.
  RasterImage blackIsZero;
  ASSERT_TRUE(drawBilevel(blackIsZero, t.rt, {".", "#", "."}));
  bitRow(blackIsZero, 1)[2] = 0x5A;  // a reader's garbage in the padding
  blackIsZero.photometric = kBlackIsZero;
  ASSERT_TRUE(completeLoad(blackIsZero, t.rt));
  EXPECT_EQ(blackIsZero.photometric, kWhiteIsZero);
  EXPECT_EQ(bilevelPicture(blackIsZero), (Picture{"#", ".", "#"}));
  RasterImage whiteIsZero;  // the same picture stored the other way loads identically
  ASSERT_TRUE(drawBilevel(whiteIsZero, t.rt, {"#", ".", "#"}));
  ASSERT_TRUE(completeLoad(whiteIsZero, t.rt));
  EXPECT_EQ(std::memcmp(whiteIsZero.bitLayer.data(), blackIsZero.bitLayer.data(), 20), 0);
  EXPECT_TRUE(!whiteIsZero.backupOnDisk &&  // the backup in memory equals the loaded layer
              std::memcmp(whiteIsZero.backupLayer.data(), whiteIsZero.bitLayer.data(), 20) == 0);
  // Inverting again (Select Inverse) keeps the padding and the guard rows clear.
  RasterImage wide;
  ASSERT_TRUE(drawBilevel(wide, t.rt, {"#....................................#"}));
  invertBitLayer(wide);
  EXPECT_EQ(bilevelPicture(wide), (Picture{".####################################."}));
  EXPECT_EQ(bitRow(wide, 1)[0], 0);
}

TEST(RasterLoad, ArtScaleDoublesWhileTheLargerSideStaysBelow16000) {
  TestRuntime t;
  const struct { std::int32_t width, height; double scale; } cases[] = {
      {1, 15999, 2.0}, {1, 16000, 1.0}, {100, 50, 128.0}, {15990, 1, 1.0}, {20000, 3, 1.0}};
  for (const auto& c : cases) {
    RasterImage image;
    ASSERT_TRUE(setGeometry(image, c.width, c.height) && allocateBitLayer(image, t.memory) &&
                completeLoad(image, t.rt));
    EXPECT_TRUE(image.artScale == c.scale && (1 << image.artScaleShift) == c.scale)
        << c.width << " x " << c.height << ": " << image.artScale;
  }
}

TEST(RasterBackup, RefusedBackupBlockGoesToMemtempRowByRowAndReleaseDeletesIt) {
  TestRuntime t;
  RasterImage image;
  ASSERT_TRUE(drawBilevel(image, t.rt, {"#......................................#.",
                                        "..#...................................#.",
                                        "....#.................................#."}));
  t.memory.setLimit(t.memory.used() + 10);  // no room for a second 40-byte layer
  ASSERT_TRUE(completeLoad(image, t.rt));
  EXPECT_TRUE(image.backupOnDisk && image.backupLayer.empty());
  const std::string memtemp = t.scratchFolder + "memtemp";
  std::uint8_t bytes[3 * 8 + 1];
  platform::FileHandle h = platform::OpenFileForReading(memtemp);
  ASSERT_EQ(platform::ReadBytes(h, bytes, sizeof bytes), 24u);  // rows without guard rows
  platform::CloseFile(h);
  EXPECT_EQ(std::memcmp(bytes, bitRow(image, 0), 24), 0);
  ASSERT_FALSE(t.ui.labels.empty());
  for (const std::string& label : t.ui.labels) EXPECT_EQ(label, msg::Text(msg::kProcessingLabel));
  EXPECT_FALSE(t.ui.progressOpen());
  releaseImage(image, t.rt);
  EXPECT_FALSE(platform::FileExists(memtemp));
  EXPECT_TRUE(image.fileHandle == platform::kNoFile && t.memory.used() == 0u);
}

TEST(RasterBackup, AbortOrUncreatableMemtempFailsTheLoadAndLeavesNothingBehind) {
  for (bool abort : {true, false}) {
    TestRuntime t;
    const std::string folder = t.scratchFolder;
    if (!abort) t.scratchFolder = "/nonexistent-vectorlume-test/scratch/";
    RasterImage image;
    ASSERT_TRUE(drawBilevel(image, t.rt, {"#.", ".#", "##", ".."}));
    t.memory.setLimit(t.memory.used());
    if (abort) t.ui.requestAbort();  // the user presses Stop while the rows are written
    EXPECT_FALSE(completeLoad(image, t.rt));
    EXPECT_TRUE(!abort || t.state.abortRequested != 0);
    EXPECT_EQ(t.ui.messages(), abort ? Picture{}  // no message after a Stop
                                     : Picture{std::string(msg::Text(msg::kScratchOpenFailed))});
    EXPECT_FALSE(platform::FileExists(folder + "memtemp"));
    EXPECT_TRUE(image.bitLayer.empty() && !t.ui.progressOpen());
    t.scratchFolder = folder;
  }
}

}  // namespace
}  // namespace vl::image
