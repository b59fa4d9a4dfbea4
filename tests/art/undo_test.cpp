// The undo step on its own: the copies of the path list are deep, a swap restores the saved
// records word for word, and short memory asks message 17 or 84 as the operation calls for.
#include <gtest/gtest.h>

#include <cstring>

#include "art/undo.h"
#include "base/message_table.h"
#include "image/levels.h"
#include "platform/headless_ui.h"

namespace vl::art {
namespace {

struct Rig {
  platform::HeadlessUi ui{nullptr};
  platform::MemoryBudget memory;
  base::ConversionState state;
  base::ApplicationState app;
  std::string scratch = "/tmp/";
  base::Runtime rt{ui, memory, state, app, scratch};
  image::RasterImage image;
  Artwork art;
  UndoSlot slot;
  UndoDocument doc{image, art, true};

  Rig() {
    EXPECT_TRUE(initArtwork(art, rt));
    for (int i = 0; i < 3; ++i) {
      art.pen.artScale = 4.0;
      art.pen.position = {double(i), 1.0};
      EXPECT_TRUE(beginPath(art, rt, settings::ConversionSettings{}));
      art.pen.position = {double(i) + 5, 7.0};
      EXPECT_TRUE(addPoint(art, rt, false));
    }
  }
  std::vector<std::uint16_t> words(int i) const {
    auto w = PointWords(art.paths[i]);
    return {w.begin(), w.end()};
  }
};

TEST(UndoStep, PathCopiesAreDeepAndASwapGivesTheWordsBack) {
  Rig r;
  const auto before = r.words(1);
  ASSERT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpDeleteAnchor), 1);
  FinishUndo(r.slot, true);
  r.art.paths[1].points.as<std::uint16_t>()[0] = 999;  // the edit
  deletePath(r.art, 2);
  ASSERT_TRUE(PerformUndo(r.slot, r.doc));
  EXPECT_EQ(r.art.count, 3);
  EXPECT_EQ(r.words(1), before);
  EXPECT_EQ(r.slot.state.code, -kUndoOpDeleteAnchor);
  ASSERT_TRUE(PerformUndo(r.slot, r.doc));
  EXPECT_EQ(r.art.count, 2);
  EXPECT_EQ(r.words(1)[0], 999);
}

TEST(UndoStep, ShortMemoryAsksByOperationAndMessage84OnlyUntilAnsweredYes) {
  Rig r;
  r.memory.failAfter(0);
  // Smoothing asks 17: No cancels the command, Yes lets it run without undo.
  r.ui.scriptAnswers({"no", "yes"});
  EXPECT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpSmoothing), 0);
  FinishUndo(r.slot, false);
  EXPECT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpConvertToCircle), 1);
  EXPECT_EQ(r.slot.state.code, kUndoOpNone);
  // Delete Anchor asks 84; Yes turns the warning off for good.
  r.ui.scriptAnswers({"yes"});
  EXPECT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpDeleteAnchor), 1);
  EXPECT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpMoveAnchorPoint), 1);
  const std::string q17(msg::Text(msg::kUndoMemoryQuestion)), q84(msg::Text(msg::kUndoDisabledQuestion));
  EXPECT_EQ(r.ui.questions(), (std::vector<std::string>{q17, q17, q84}));
  EXPECT_TRUE(r.slot.memoryWarningOff);
}

TEST(UndoStep, NoImageRecordsNothingAndToolCodesCannotBeUndoneHere) {
  Rig r;
  r.doc.imageOpen = false;
  EXPECT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpSmoothing), 1);
  EXPECT_EQ(r.slot.state.code, kUndoOpNone);
  r.doc.imageOpen = true;
  EXPECT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpPencil), 1);
  EXPECT_EQ(UndoMenuText(r.slot), std::string("Undo Pencil\tCtrl+Z"));
  EXPECT_TRUE(PerformUndo(r.slot, r.doc));
  EXPECT_EQ(UndoMenuText(r.slot), std::string("Cannot Undo\tCtrl+Z"));
  EXPECT_FALSE(PerformUndo(r.slot, r.doc));
}


// Levels wait in the tone table: undo and redo swap it with the identity, and the next step
// writes it into the colour layer for good, even when that step then fails.
TEST(UndoStep, LevelsAreUndoneInTheToneTableAndCommittedByTheNextStep) {
  for (const bool nextStepFails : {false, true}) {
    Rig r;
    ASSERT_TRUE(image::setGeometry(r.image, 4, 1));
    r.image.bitsPerSample = 8;
    r.image.samplesPerPixel = 1;
    r.image.colorRowBytes = 4;
    r.image.colorInMemory = true;
    ASSERT_TRUE(r.image.colorLayer.allocate(r.memory, 4));
    const std::uint8_t samples[4] = {0, 60, 128, 250};
    std::memcpy(r.image.colorLayer.data(), samples, 4);
    r.image.toneTable = image::IdentityToneTable();
    image::ToneTable table{};
    image::buildToneTable({50, 2.0, 200}, table);

    ASSERT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpLevels), 1);
    r.image.toneTable = table;
    FinishUndo(r.slot, true);
    EXPECT_EQ(UndoMenuText(r.slot), std::string("Undo Levels\tCtrl+Z"));
    ASSERT_TRUE(PerformUndo(r.slot, r.doc));
    EXPECT_TRUE(image::IsIdentityTable(r.image.toneTable));
    ASSERT_TRUE(PerformUndo(r.slot, r.doc));
    EXPECT_EQ(r.image.toneTable, table);
    EXPECT_EQ(0, std::memcmp(r.image.colorLayer.data(), samples, 4));  // still pending

    ASSERT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpSmoothing), 1);
    FinishUndo(r.slot, !nextStepFails);
    EXPECT_TRUE(image::IsIdentityTable(r.image.toneTable));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(r.image.colorLayer.data()[i], table[samples[i]]) << i;
    EXPECT_EQ(r.slot.state.code, nextStepFails ? kUndoOpNone : kUndoOpSmoothing);
  }
}

// An undone Levels step leaves nothing to write.
TEST(UndoStep, UndoneLevelsAreNotCommitted) {
  Rig r;
  ASSERT_TRUE(image::setGeometry(r.image, 2, 1));
  r.image.bitsPerSample = 8;
  r.image.samplesPerPixel = 1;
  r.image.colorRowBytes = 2;
  r.image.colorInMemory = true;
  ASSERT_TRUE(r.image.colorLayer.allocate(r.memory, 2));
  r.image.colorLayer.data()[0] = 90;
  r.image.toneTable = image::IdentityToneTable();
  ASSERT_EQ(RecordUndo(r.slot, r.doc, r.rt, kUndoOpLevels), 1);
  image::buildToneTable({80, 1.0, 100}, r.image.toneTable);
  FinishUndo(r.slot, true);
  ASSERT_TRUE(PerformUndo(r.slot, r.doc));
  CommitPendingLevels(r.slot, r.image);
  EXPECT_EQ(r.image.colorLayer.data()[0], 90);
  EXPECT_EQ(UndoMenuText(r.slot), std::string("Redo Levels\tCtrl+Z"));
}

}  // namespace
}  // namespace vl::art
