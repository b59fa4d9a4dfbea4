// A conversion of a bilevel image with a pixel selection: only the selected ink is traced, the
// bit layer comes back as the selection left it, and the backup keeps the whole image as loaded
// wherever it lives.
#include "tests/engine/driver/driver_rig.h"

namespace vl::engine::test {
namespace {

const Shape kLeftDisc = Disc(60, 80, 40);
const Shape kRightDisc = Disc(250, 160, 50);

// The image as loaded and the part of it inside the selected rectangle (the left half).
const Picture& Loaded() {
  static const Picture p(320, 240, AnyOf({kLeftDisc, kRightDisc}));
  return p;
}
const Picture& Selected() {
  static const Picture p(320, 240, kLeftDisc);
  return p;
}

// Loads the image, then selects the left half as the selection tools do: the bit layer keeps
// the loaded pixels inside the rectangle, the backup the whole image.
void LoadWithSelection(DriverRig& rig, bool backupOnDisk) {
  rig.load(Loaded(), backupOnDisk);
  ASSERT_TRUE(image::applyRectSelection(rig.image, rig.rt, 0, 0, 159, 239, image::kSelectNew));
  ASSERT_EQ(rig.bitLayer().ink, Selected().ink);
  rig.job.pixelSelection = true;
}

void ExpectSelectionKept(DriverRig& rig, const std::string& what) {
  EXPECT_EQ(rig.bitLayer().ink, Selected().ink) << what;
  EXPECT_EQ(rig.backup().ink, Loaded().ink) << what;
  // The selection tools still work from the backup: Select None brings the whole image back.
  EXPECT_TRUE(image::selectNone(rig.image, rig.rt)) << what;
  EXPECT_EQ(rig.bitLayer().ink, Loaded().ink) << what;
}

TEST(SelectionBackup, OnlyTheSelectionIsTracedAndTheLoadedImageSurvives) {
  for (bool onDisk : {false, true}) {
    for (bool reverse : {false, true}) {
      const std::string what =
          std::string(onDisk ? "memtemp" : "memory") + (reverse ? " reversed" : "");
      DriverRig rig;
      rig.active.set(settings::kReverseImage, reverse);
      LoadWithSelection(rig, onDisk);
      rig.convert();
      EXPECT_TRUE(rig.messages().empty()) << what;
      if (!reverse) {
        EXPECT_EQ(rig.art.count, 1) << what;
        EXPECT_LE(rig.coverageError(Selected()), 0.7 * double(Selected().boundaryCount())) << what;
      }
      EXPECT_EQ(rig.image.backupOnDisk, onDisk) << what;
      EXPECT_EQ(rig.scratchLeft().size(), onDisk ? 1u : 0u) << what;
      ExpectSelectionKept(rig, what);
    }
  }
}

TEST(SelectionBackup, CopyWithoutMemoryGoesToItsOwnMemtempOrStopsWhenThatHoldsTheImage) {
  {  // Backup in memory: the copy goes to a "memtemp" of its own, removed afterwards.
    DriverRig rig;
    LoadWithSelection(rig, false);
    rig.memory.setLimit(rig.memory.used() + std::size_t(rig.image.bitLayerBytes) - 512);
    rig.convert();
    EXPECT_TRUE(rig.messages().empty()) << rig.messages()[0];
    EXPECT_EQ(rig.art.count, 1);
    EXPECT_EQ(rig.ui.seenFiles.count("memtemp"), 1u);
    EXPECT_TRUE(rig.scratchLeft().empty());
    EXPECT_FALSE(rig.image.backupOnDisk);
    ExpectSelectionKept(rig, "own memtemp");
  }
  {  // Backup in "memtemp" already: it holds the only copy of the unselected pixels, so the
     // conversion stops with "Insufficient memory" rather than overwrite it.
    DriverRig rig;
    LoadWithSelection(rig, true);
    rig.memory.setLimit(rig.memory.used() + std::size_t(rig.image.bitLayerBytes) - 512);
    rig.convert();
    ASSERT_FALSE(rig.messages().empty());
    EXPECT_EQ(rig.messages()[0], "Insufficient memory to process image.");
    EXPECT_EQ(rig.art.count, 0);
    EXPECT_EQ(rig.scratchLeft(), std::vector<std::string>{"memtemp"});
    ExpectSelectionKept(rig, "memtemp taken");
  }
}

TEST(SelectionBackup, ConversionWithoutSelectionKeepsTheBackupForTheSelectionTools) {
  // After a conversion the backup must still be there: a later selection restores from it.
  for (bool onDisk : {false, true}) {
    DriverRig rig;
    rig.load(Loaded(), onDisk);
    rig.convert();
    EXPECT_TRUE(rig.messages().empty());
    EXPECT_EQ(rig.backup().ink, Loaded().ink);
    EXPECT_TRUE(image::applyRectSelection(rig.image, rig.rt, 0, 0, 159, 239, image::kSelectNew));
    EXPECT_EQ(rig.bitLayer().ink, Selected().ink);
    EXPECT_TRUE(image::selectNone(rig.image, rig.rt));
    EXPECT_EQ(rig.bitLayer().ink, Loaded().ink);
  }
}

}  // namespace
}  // namespace vl::engine::test
