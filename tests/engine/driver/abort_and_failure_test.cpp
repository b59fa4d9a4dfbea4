// Conversions that stop part-way: the user's abort, a scratch folder that cannot be written,
// and the limits on the number of paths.
#include "tests/engine/driver/driver_rig.h"

namespace vl::engine::test {
namespace {

// Twenty discs in a grid.
const Picture& Grid() {
  static const Picture p(200, 160, [](int x, int y) {
    return Disc(20 + (x / 40) * 40, 20 + (y / 40) * 40, 12)(x, y);
  });
  return p;
}

void ExpectWoundDown(const DriverRig& rig) {
  EXPECT_EQ(rig.bitLayer().ink, rig.input.ink);
  EXPECT_EQ(rig.backup().ink, rig.input.ink);
  EXPECT_TRUE(rig.scratchLeft().empty());
  EXPECT_TRUE(rig.image.spareLayer.empty());
  EXPECT_FALSE(rig.app.converting);
  EXPECT_FALSE(rig.ui.progressOpen());
}

TEST(AbortAndFailure, AbortKeepsTheCompletedPathsAndCleansUpSilently) {
  DriverRig full;
  full.load(Grid());
  full.state.workAreaCapBytes = std::size_t(full.image.bitRowBytes) + 1024;
  full.convert();
  const auto all = ArtWords(full.art);
  ASSERT_EQ(all.size(), 20u);
  ASSERT_GT(full.ui.drainCount, 20);

  for (long stopAt : {full.ui.drainCount / 3, full.ui.drainCount / 2, full.ui.drainCount - 2}) {
    DriverRig rig;
    rig.load(Grid());
    // The small work area keeps scratch files open while the conversion runs.
    rig.state.workAreaCapBytes = std::size_t(rig.image.bitRowBytes) + 1024;
    rig.ui.abortAtDrain = stopAt;
    rig.convert();
    EXPECT_TRUE(rig.messages().empty()) << rig.messages()[0];
    EXPECT_NE(rig.state.abortRequested, 0);
    const auto kept = ArtWords(rig.art);
    EXPECT_GT(kept.size(), 0u);
    EXPECT_LT(kept.size(), all.size());
    // Every path kept is the path the whole conversion made.
    for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i], all[i]) << "path " << i;
    EXPECT_TRUE(rig.app.artPresent);
    ExpectWoundDown(rig);
  }
  {  // Stopped before the first path: nothing, and still no "No paths found".
    DriverRig rig;
    rig.load(Grid());
    rig.ui.abortAtDrain = 1;
    rig.convert();
    EXPECT_EQ(rig.art.count, 0);
    EXPECT_TRUE(rig.messages().empty());
    EXPECT_FALSE(rig.app.artPresent);
    ExpectWoundDown(rig);
  }
}

TEST(AbortAndFailure, UnwritableScratchFolderStopsTheFirstSpillWithMessage155) {
  const std::string unavailable = "/no-such-drive/scratch/";
  {  // A conversion that never spills does not notice.
    DriverRig rig;
    rig.scratchFolder = rig.root + unavailable;
    rig.load(Grid());
    rig.convert();
    EXPECT_TRUE(rig.messages().empty());
    EXPECT_EQ(rig.art.count, 20);
  }
  DriverRig rig;
  rig.load(Grid());
  rig.scratchFolder = rig.root + unavailable;
  // The discs' boundaries (about 70 codes) overflow a chain buffer of 112 bytes.
  rig.state.workAreaCapBytes = std::size_t(rig.image.bitRowBytes) + 256;
  rig.convert();
  ASSERT_EQ(rig.messages().size(), 1u);
  EXPECT_EQ(rig.messages()[0],
            "Can't open temporary file because the scratch disk is full, locked, or unavailable.");
  EXPECT_NE(rig.state.abortRequested, 0);
  EXPECT_EQ(rig.art.count, 0);
  ExpectWoundDown(rig);
}

TEST(AbortAndFailure, TenThousandPathsOverrideNoiseSuppressionWithMessage150) {
  // 101 x 101 separate specks, traced with Noise Suppression 1.
  const Picture specks(204, 204,
                       [](int x, int y) { return x % 2 == 0 && y % 2 == 0 && x < 202 && y < 202; });
  DriverRig rig;
  rig.active.noiseSuppression = 100;
  rig.load(specks);
  rig.convert();
  EXPECT_TRUE(rig.state.maxPathsExceeded);
  EXPECT_FALSE(rig.state.pathsSkippedForMemory);
  EXPECT_LT(rig.art.count, art::kMaxPaths);
  EXPECT_GT(rig.art.count, 0);
  ASSERT_EQ(rig.messages().size(), 1u);
  EXPECT_EQ(rig.messages()[0].rfind("The maximum number of paths has been exceeded", 0), 0u);
  EXPECT_EQ(rig.bitLayer().ink, specks.ink);

  // No closing message during a batch run.
  DriverRig batch;
  batch.active.noiseSuppression = 100;
  batch.app.batchRunning = true;
  batch.load(specks);
  batch.convert();
  EXPECT_TRUE(batch.state.maxPathsExceeded);
  EXPECT_TRUE(batch.messages().empty());
}

TEST(AbortAndFailure, MemoryRunningLowDropsShortPathsWithMessage58) {
  // 2601 specks; memory for about a thousand paths.
  const Picture specks(104, 104,
                       [](int x, int y) { return x % 2 == 0 && y % 2 == 0 && x < 102 && y < 102; });
  DriverRig rig;
  rig.active.noiseSuppression = 100;
  rig.load(specks);
  rig.memory.setLimit(rig.memory.used() + 400000);
  rig.convert();
  EXPECT_TRUE(rig.state.pathsSkippedForMemory);
  EXPECT_GT(rig.art.count, 0);
  ASSERT_EQ(rig.messages().size(), 1u) << rig.messages()[1];
  EXPECT_EQ(rig.messages()[0],
            "Memory ran low during the conversion and some of the smaller paths were skipped.");
  EXPECT_EQ(rig.bitLayer().ink, specks.ink);
  EXPECT_TRUE(rig.scratchLeft().empty());

  // With fewer than 100 paths nothing can be discarded: message 66 from the artwork stops
  // the conversion, which keeps its paths and shows nothing more.
  // 80 small discs; the work area leaves the paths its 5000-byte reserve, room for about 25.
  const Picture discs(
      200, 160, [](int x, int y) { return Disc(10 + (x / 20) * 20, 10 + (y / 20) * 20, 5)(x, y); });
  DriverRig tight;
  tight.load(discs);
  tight.memory.setLimit(tight.memory.used() + 70000);
  tight.convert();
  ASSERT_EQ(tight.messages().size(), 1u);
  EXPECT_EQ(tight.messages()[0].rfind("Insufficient memory available even after disposing", 0), 0u);
  EXPECT_NE(tight.state.abortRequested, 0);
  EXPECT_GT(tight.art.count, 0);
  EXPECT_LT(tight.art.count, 80);
  ExpectWoundDown(tight);
}

TEST(AbortAndFailure, EndOfConversionBeepsWhenAsked) {
  DriverRig rig;
  rig.app.beepAfterConversion = true;
  rig.load(Grid());
  rig.convert();
  EXPECT_EQ(rig.ui.beeps(), 1);
  DriverRig quiet;
  quiet.load(Grid());
  quiet.convert();
  EXPECT_EQ(quiet.ui.beeps(), 0);
}

}  // namespace
}  // namespace vl::engine::test
