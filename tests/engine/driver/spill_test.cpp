// The bounded-memory paths of a conversion: a small work area spills the chain, point and
// vertex arrays to scratch files, a refused spare layer puts the shape mask into the bit layer
// (saving rows to "dgtemp"), and a backup in "memtemp" is read through the row buffer. Each
// must give exactly the art of a conversion with memory to spare, and leave no scratch file.
#include <cmath>

#include "tests/engine/driver/driver_rig.h"

namespace vl::engine::test {
namespace {

// A long boundary (the disc, some 560 codes), long straight sides (the square) and an outline
// of many vertices (the star).
const Picture& SpillPicture() {
  static const Picture p(320, 240,
                         AnyOf({Disc(110, 120, 100), Box(225, 20, 315, 110), [](int x, int y) {
                                  const double dx = x - 265, dy = y - 180,
                                               r = 45 + 10 * std::sin(12 * std::atan2(dy, dx));
                                  return dx * dx + dy * dy <= r * r;
                                }}));
  return p;
}

std::vector<std::vector<std::uint32_t>> UnconstrainedArt(bool reverse = false) {
  DriverRig rig;
  rig.active.set(settings::kReverseImage, reverse);
  rig.load(SpillPicture());
  rig.convert();
  EXPECT_TRUE(rig.ui.seenFiles.empty());
  return ArtWords(rig.art);
}

TEST(Spill, SmallWorkAreaSpillsEveryArrayAndTracesTheSame) {
  const auto expected = UnconstrainedArt();
  ASSERT_EQ(expected.size(), 3u);
  DriverRig rig;
  rig.load(SpillPicture());
  // W = 1024: a chain buffer of 448 bytes, 64 point words, 56 vertex records.
  rig.state.workAreaCapBytes = std::size_t(rig.image.bitRowBytes) + 1024;
  rig.convert();
  EXPECT_TRUE(rig.messages().empty());
  EXPECT_EQ(rig.ui.seenFiles, (std::set<std::string>{"edgearr", "seglist", "linarr"}));
  EXPECT_FALSE(rig.state.maskInImage);
  EXPECT_EQ(ArtWords(rig.art), expected);
  EXPECT_TRUE(rig.scratchLeft().empty());
  EXPECT_EQ(rig.bitLayer().ink, rig.input.ink);
  const ScratchHandles& h = rig.state.scratch;
  for (platform::FileHandle f : {h.dgtemp, h.edgearr, h.seglist, h.linarr, h.dgskel})
    EXPECT_EQ(f, platform::kNoFile);
}

TEST(Spill, WorkAreaBelowOneKilobyteGivesUpTheMaskAndBelow256Fails) {
  const auto expected = UnconstrainedArt();
  {  // W = 512: the spare layer is freed for the work area and the mask drawn into the bit layer.
    DriverRig rig;
    rig.load(SpillPicture());
    rig.state.workAreaCapBytes = std::size_t(rig.image.bitRowBytes) + 600;
    rig.convert();
    EXPECT_TRUE(rig.messages().empty());
    EXPECT_TRUE(rig.state.maskInImage);
    EXPECT_EQ(rig.ui.seenFiles.count("dgtemp"), 1u);
    EXPECT_EQ(ArtWords(rig.art), expected);
    EXPECT_TRUE(rig.scratchLeft().empty());
    EXPECT_EQ(rig.bitLayer().ink, rig.input.ink);
  }
  {  // Under 256 bytes: "Insufficient memory", nothing traced, the image as it was.
    DriverRig rig;
    rig.load(SpillPicture());
    rig.state.workAreaCapBytes = std::size_t(rig.image.bitRowBytes) + 200;
    rig.convert();
    ASSERT_GE(rig.messages().size(), 1u);
    EXPECT_EQ(rig.messages()[0], "Insufficient memory to process image.");
    EXPECT_EQ(rig.art.count, 0);
    EXPECT_EQ(rig.bitLayer().ink, rig.input.ink);
    EXPECT_EQ(rig.backup().ink, rig.input.ink);
    EXPECT_TRUE(rig.scratchLeft().empty());
    EXPECT_TRUE(rig.image.spareLayer.empty());
    EXPECT_FALSE(rig.app.converting);
  }
}

TEST(Spill, RefusedSpareLayerPutsTheMaskIntoTheBitLayer) {
  const auto expected = UnconstrainedArt();
  DriverRig rig;
  rig.load(SpillPicture());
  // Room for the work area (capped at 2 KB) and the paths, not for a second layer.
  rig.state.workAreaCapBytes = 2048;
  rig.memory.setLimit(rig.memory.used() + std::size_t(rig.image.bitLayerBytes));
  rig.convert();
  EXPECT_TRUE(rig.messages().empty());
  EXPECT_TRUE(rig.state.maskInImage);
  EXPECT_TRUE(rig.image.spareLayer.empty());
  EXPECT_EQ(rig.ui.seenFiles.count("dgtemp"), 1u);
  EXPECT_EQ(ArtWords(rig.art), expected);
  EXPECT_TRUE(rig.scratchLeft().empty());
  EXPECT_EQ(rig.bitLayer().ink, rig.input.ink);
}

TEST(Spill, BackupInMemtempPaintsAndRestoresLikeOneInMemory) {
  {  // The image keeps its "memtemp": it holds the bit layer already and is read row by row.
    const auto expected = UnconstrainedArt();
    DriverRig rig;
    rig.load(SpillPicture(), true);
    rig.convert();
    EXPECT_TRUE(rig.messages().empty());
    EXPECT_EQ(ArtWords(rig.art), expected);
    EXPECT_EQ(rig.scratchLeft(), std::vector<std::string>{"memtemp"});
    EXPECT_TRUE(rig.image.backupOnDisk);
    EXPECT_EQ(rig.bitLayer().ink, rig.input.ink);
    EXPECT_EQ(rig.backup().ink, rig.input.ink);
  }
  {  // Reverse Image with no memory for a copy: "memtemp" gets the inverted bit layer for the
     // conversion and the image as loaded again afterwards.
    const auto expected = UnconstrainedArt(true);
    DriverRig rig;
    rig.active.set(settings::kReverseImage, true);
    rig.load(SpillPicture(), true);
    rig.memory.setLimit(rig.memory.used() + std::size_t(rig.image.bitLayerBytes) - 512);
    rig.convert();
    EXPECT_TRUE(rig.messages().empty());
    EXPECT_TRUE(rig.image.backupLayer.empty());
    EXPECT_EQ(ArtWords(rig.art), expected);
    bool processing = false;
    for (const std::string& label : rig.ui.labels)
      processing = processing || label == "Processing...";
    EXPECT_TRUE(processing);
    EXPECT_EQ(rig.scratchLeft(), std::vector<std::string>{"memtemp"});
    EXPECT_EQ(rig.bitLayer().ink, rig.input.ink);
    EXPECT_EQ(rig.backup().ink, rig.input.ink);
  }
}

}  // namespace
}  // namespace vl::engine::test
