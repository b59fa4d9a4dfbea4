// Geometry, the load completion (polarity, padding, art scale) and the backup of the raster
// image, in memory or in "memtemp".
#include "image/raster_image.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

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
  EXPECT_FALSE(SetGeometryFromRowBytes(image, 17, 4, 2));  // too short for 17 pixels
  EXPECT_EQ(image.width, kMaxSidePixels);                  // a refused size changes nothing
  TestRuntime t;  // stored rows of 5 bytes; a blank guard row above and below
  ASSERT_TRUE(SetGeometryFromRowBytes(image, 10, 4, 5) && allocateBitLayer(image, t.memory));
  EXPECT_TRUE(image.bitRowBytes == 8 && image.bitLayer.size() == 8u * 6);
}

TEST(RasterLoad, BilevelEndsWhiteIsZeroWithCleanPaddingAndAnEqualBackup) {
  TestRuntime t;
  // One pixel wide and black-is-zero: the inversion sets all 31 padding bits of each row.
  RasterImage blackIsZero;
  ASSERT_TRUE(drawBilevel(blackIsZero, t.rt, {".", "#", "."}));
  BitRow(blackIsZero, 1)[2] = 0x5A;  // a reader's garbage in the padding
  blackIsZero.photometric = kBlackIsZero;
  ASSERT_EQ(CompleteLoad(blackIsZero, t.rt), kReadDone);
  EXPECT_EQ(blackIsZero.photometric, kWhiteIsZero);
  EXPECT_EQ(bilevelPicture(blackIsZero), (Picture{"#", ".", "#"}));
  RasterImage whiteIsZero;  // the same picture stored the other way loads identically
  ASSERT_TRUE(drawBilevel(whiteIsZero, t.rt, {"#", ".", "#"}));
  ASSERT_EQ(CompleteLoad(whiteIsZero, t.rt), kReadDone);
  EXPECT_EQ(std::memcmp(whiteIsZero.bitLayer.data(), blackIsZero.bitLayer.data(), 20), 0);
  EXPECT_TRUE(!whiteIsZero.backupOnDisk &&  // the backup in memory equals the loaded layer
              std::memcmp(whiteIsZero.backupLayer.data(), whiteIsZero.bitLayer.data(), 20) == 0);
  // Inverting again (Select Inverse) keeps the padding and the guard rows clear.
  RasterImage wide;
  ASSERT_TRUE(drawBilevel(wide, t.rt, {"#....................................#"}));
  invertBitLayer(wide);
  EXPECT_EQ(bilevelPicture(wide), (Picture{".####################################."}));
  EXPECT_EQ(BitRow(wide, 1)[0], 0);
}

TEST(RasterLoad, ArtScaleDoublesWhileTheLargerSideStaysBelow16000) {
  TestRuntime t;
  const struct { std::int32_t width, height; double scale; } cases[] = {
      {1, 15999, 2.0}, {1, 16000, 1.0}, {100, 50, 128.0}, {15990, 1, 1.0}, {20000, 3, 1.0}};
  for (const auto& c : cases) {
    RasterImage image;
    ASSERT_TRUE(setGeometry(image, c.width, c.height) && allocateBitLayer(image, t.memory));
    ASSERT_EQ(CompleteLoad(image, t.rt), kReadDone);
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
  ASSERT_EQ(CompleteLoad(image, t.rt), kReadDone);
  EXPECT_TRUE(image.backupOnDisk && image.backupLayer.empty());
  const std::string memtemp = t.scratchFolder + "memtemp";
  std::uint8_t bytes[3 * 8 + 1];
  platform::FileHandle h = platform::OpenFileForReading(memtemp);
  ASSERT_EQ(platform::ReadBytes(h, bytes, sizeof bytes), 24u);  // rows without guard rows
  platform::CloseFile(h);
  EXPECT_EQ(std::memcmp(bytes, BitRow(image, 0), 24), 0);
  ASSERT_FALSE(t.ui.labels.empty());
  for (const std::string& label : t.ui.labels) EXPECT_EQ(label, msg::Text(msg::kProcessingLabel));
  EXPECT_FALSE(t.ui.progressOpen());
  releaseImage(image, t.rt);
  EXPECT_FALSE(platform::FileExists(memtemp));
  EXPECT_TRUE(image.fileHandle == platform::kNoFile && t.memory.used() == 0u);
}

// The user's Stop, a "memtemp" that cannot be created and a disk that fills up while the rows
// are written each end the load as their outcome says, leaving nothing behind.
TEST(RasterBackup, StopUncreatableMemtempOrFullDiskFailsTheLoadAndLeavesNothingBehind) {
  enum class Trouble { kStop, kNoFolder, kDiskFull };
  const struct {
    Trouble trouble;
    ReadOutcome outcome;
  } cases[] = {{Trouble::kStop, kReadStopped},  // no message after a Stop
               {Trouble::kNoFolder, ReadFailed(msg::kScratchOpenFailed)},
               {Trouble::kDiskFull, ReadFailed(msg::kDiskFullOrLocked)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.trouble));
    TestRuntime t;
    const std::string folder = t.scratchFolder;
    if (c.trouble == Trouble::kNoFolder) t.scratchFolder = "/nonexistent-vectorlume-test/scratch/";
    RasterImage image;
    ASSERT_TRUE(drawBilevel(image, t.rt, {"#.", ".#", "##", ".."}));  // rows of 4 bytes
    t.memory.setLimit(t.memory.used());
    if (c.trouble == Trouble::kStop) t.ui.requestAbort();  // Stop while the rows are written
    ReadOutcome outcome = kReadDone;
    if (c.trouble == Trouble::kDiskFull) {  // room for one row and a half
      struct rlimit old {};
      ::getrlimit(RLIMIT_FSIZE, &old);
      const struct rlimit small = {6, old.rlim_max};
      const sighandler_t oldHandler = ::signal(SIGXFSZ, SIG_IGN);  // a short write instead
      ::setrlimit(RLIMIT_FSIZE, &small);
      outcome = CompleteLoad(image, t.rt);
      ::setrlimit(RLIMIT_FSIZE, &old);
      ::signal(SIGXFSZ, oldHandler);
    } else {
      outcome = CompleteLoad(image, t.rt);
    }
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_NE(t.state.abortRequested, 0);  // whatever comes next writes nothing more
    std::vector<std::string> shown;
    if (c.outcome.message != 0) shown.emplace_back(msg::Text(c.outcome.message));
    EXPECT_EQ(t.ui.messages(), shown);
    EXPECT_FALSE(platform::FileExists(folder + "memtemp"));
    EXPECT_TRUE(image.bitLayer.empty() && !t.ui.progressOpen());
    t.scratchFolder = folder;
  }
}

}  // namespace
}  // namespace vl::image
