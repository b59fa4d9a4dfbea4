// The editing commands on the program record: undo and redo of conversions and selections
// checked through the art bytes the EPS writer saves and the bit layer, undo left as it was
// by commands that fail, are refused or find nothing to do.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <functional>

#include "app/command_set.h"
#include "app/document_actions.h"
#include "app/edit_commands.h"
#include "base/message_table.h"
#include "settings/settings_defaults.h"
#include "tests/app/app_fixtures.h"

namespace vl::app::test {
namespace {

using Lines = std::vector<std::string>;

struct Editor : DocumentRig {
  explicit Editor(int widthPixels = 120, int heightPixels = 60, const Ink& ink = Squares(2, 40)) {
    EXPECT_TRUE(openBilevel(widthPixels, heightPixels, ink));
  }
  // The art as Save Art writes it (EPS, without the creation date varying: same second).
  std::string artBytes() {
    const std::string path = dir / "art.eps";
    EXPECT_TRUE(WriteArtFile(program, doc, path, path, ArtFormat{}));
    return ReadFile(path);
  }
  engine::ConversionOutcome convert() { return ConvertDocument(program, doc); }
};

TEST(Undo, ConvertUndoRedoGiveTheArtBytesBeforeAndAfter) {
  Editor e;
  EXPECT_EQ(e.menu(), MenuText(0, msg::kCannotUndo));
  const std::string none = e.artBytes();
  ASSERT_TRUE(e.convert().ranToEnd());
  const std::string first = e.artBytes();
  ASSERT_TRUE(first != none);
  EXPECT_EQ(e.menu(), MenuText(msg::kUndoPrefix, msg::kUndoConvert));

  // A second conversion with another tolerance: undo gives back the first art, not nothing.
  e.program.activeSettings.tolerance = 50;
  ASSERT_TRUE(e.convert().ranToEnd());
  const std::string second = e.artBytes();
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
    EXPECT_TRUE(e.artBytes() == first);
    EXPECT_EQ(e.menu(), MenuText(msg::kRedoPrefix, msg::kUndoConvert));
    ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
    EXPECT_TRUE(e.artBytes() == second);
    EXPECT_EQ(e.menu(), MenuText(msg::kUndoPrefix, msg::kUndoConvert));
  }
  EXPECT_TRUE(e.ui->messages().empty());
}

TEST(Undo, FailedRefusedOrEmptyCommandsLeaveUndoAsItWas) {
  Editor e;
  ASSERT_TRUE(e.convert().ranToEnd());
  const std::string art = e.artBytes();
  const std::string menu = e.menu();
  // Grow and Similar without a pixel selection: nothing to do (the art's paths are no pixel
  // selection either).
  EXPECT_EQ(GrowSelectionCommand(e.program, e.doc), EditResult::kNothing);
  EXPECT_EQ(SelectSimilarCommand(e.program, e.doc), EditResult::kNothing);
  EXPECT_EQ(e.menu(), menu);
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.program.artwork.count, 0);
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_TRUE(e.artBytes() == art);
}

TEST(Undo, SelectionsUndoTheBitLayerAndTheSelectionFlagExactly) {
  Editor e;
  const auto loaded = e.bits();
  ASSERT_EQ(MarqueeSelect(e.program, e.doc, 0, 0, 59, 59, image::kSelectNew), EditResult::kDone);
  const auto marked = e.bits();
  ASSERT_NE(marked, loaded);
  EXPECT_EQ(e.menu(), MenuText(msg::kUndoPrefix, msg::kUndoMarquee));
  ASSERT_EQ(SelectInverseCommand(e.program, e.doc), EditResult::kDone);
  const auto inverse = e.bits();
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.bits(), marked);
  EXPECT_TRUE(e.program.image.pixelSelection);
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.bits(), inverse);

  ASSERT_EQ(SelectNoneCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.bits(), loaded);
  EXPECT_FALSE(e.program.image.pixelSelection);
  ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
  EXPECT_EQ(e.bits(), inverse);
  EXPECT_TRUE(e.program.image.pixelSelection);

  // With paths, selection commands switch undo off.
  ASSERT_EQ(SelectNoneCommand(e.program, e.doc), EditResult::kDone);
  ASSERT_TRUE(e.convert().ranToEnd());
  ASSERT_EQ(MagicWandClick(e.program, e.doc, 20, 20, image::kSelectNew), EditResult::kDone);
  EXPECT_EQ(e.menu(), MenuText(0, msg::kCannotUndo));
  EXPECT_EQ(UndoCommand(e.program, e.doc), EditResult::kNothing);
  EXPECT_EQ(e.ui->messages(), Lines{std::string(msg::Text(msg::kNothingToUndo))});
}

// Every path command of the Edit menu and the path tools on traced art: undo gives back the
// art bytes before, redo those after, twice over; the menu names the operation.
TEST(PathCommands, UndoThenRedoGivesTheSameBytesForEveryEdit) {
  using Edit = std::function<EditResult(Editor&)>;
  const std::int32_t margin = 80;
  const struct { const char* name; int undoName; Edit edit; } cases[] = {
      {"smooth min", msg::kUndoSmoothing, [](Editor& e) { return SmoothPathsCommand(e.program, e.doc, 0); }},
      {"direction", msg::kUndoSmoothDirectionPoints,
       [](Editor& e) { return SmoothDirectionPointsCommand(e.program, e.doc, 2); }},
      {"circle", msg::kUndoConvertToCircle,
       [](Editor& e) { return ConvertToCommand(e.program, e.doc, art::ShapeKind::kCircle); }},
      {"square", msg::kUndoConvertToSquare,
       [](Editor& e) { return ConvertToCommand(e.program, e.doc, art::ShapeKind::kSquare); }},
      {"delete anchors", msg::kUndoDeleteAnchor,
       [=](Editor& e) {
         const auto& p = e.program.artwork.paths[0];
         return DeleteAnchorsCommand(e.program, e.doc, {p.left, p.top, (p.left + p.right) / 2, p.bottom},
                                     false, margin);
       }},
      {"add anchor", msg::kUndoAddAnchorPoint,
       [=](Editor& e) {
         const auto& p = e.program.artwork.paths[0];
         return AddAnchorPointCommand(e.program, e.doc, {(p.left + p.right) / 2, p.top + 5}, margin);
       }},
      {"adjust line", msg::kUndoAdjustLine,
       [=](Editor& e) {
         const auto w = art::PointWords(e.program.artwork.paths[0]);
         const art::ArtClick a{w[0] & 0x7FFF, w[1] & 0x7FFF};
         return AdjustLineCommand(e.program, e.doc, a, {a.x + 300, a.y + 200}, true, margin);
       }},
      {"adjust curve", msg::kUndoAdjustCurve,
       [=](Editor& e) {
         const auto w = art::PointWords(e.program.artwork.paths[0]);
         const art::ArtClick a{w[0] & 0x7FFF, w[1] & 0x7FFF};
         return AdjustCurveCommand(e.program, e.doc, a, {a.x + 400, a.y - 300}, margin);
       }},
      {"move anchor", msg::kUndoMoveAnchorPoint,
       [=](Editor& e) {
         const auto w = art::PointWords(e.program.artwork.paths[1]);
         const art::ArtClick a{w[0] & 0x7FFF, w[1] & 0x7FFF};
         return MoveAnchorCommand(e.program, e.doc, a, {a.x + 100, a.y + 50}, margin);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Two blobs of a wavy outline: curves, many anchors, room to move.
    Editor e(1200, 600, [](int x, int y) {
      const double a = std::atan2(y - 300.0, x - 300.0), b = std::atan2(y - 300.0, x - 900.0);
      const double r1 = 220 + 25 * std::sin(7 * a), r2 = 200 + 30 * std::cos(5 * b);
      return std::hypot(x - 300.0, y - 300.0) < r1 || std::hypot(x - 900.0, y - 300.0) < r2;
    });
    ASSERT_TRUE(e.convert().ranToEnd());
    ASSERT_EQ(e.program.artwork.count, 2);
    e.program.artwork.paths[0].flags |= art::kSelected;  // the first square only
    e.program.artwork.selectedCount = 1;
    const std::string before = e.artBytes();
    const long pathsBefore = e.program.artwork.count;
    ASSERT_EQ(c.edit(e), EditResult::kDone);
    const std::string after = e.artBytes();
    EXPECT_TRUE(after != before);
    EXPECT_LE(e.program.artwork.count, pathsBefore);
    EXPECT_EQ(e.menu(), MenuText(msg::kUndoPrefix, c.undoName));
    for (int round = 0; round < 2; ++round) {
      ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
      EXPECT_TRUE(e.artBytes() == before);
      ASSERT_EQ(UndoCommand(e.program, e.doc), EditResult::kDone);
      EXPECT_TRUE(e.artBytes() == after);
    }
  }
}

TEST(PathCommands, ADeclinedCommandLeavesTheArtAndUndoAsTheyWere) {
  Editor e;
  ASSERT_TRUE(e.convert().ranToEnd());
  const std::string art = e.artBytes();
  const std::string menu = e.menu();
  e.program.memory.failAfter(0);  // the copy for undo fails: message 17, answered No
  e.ui->scriptAnswers({"no"});
  EXPECT_EQ(SmoothPathsCommand(e.program, e.doc, 1), EditResult::kCancelled);
  e.program.memory.failAfter(-1);
  EXPECT_EQ(e.ui->questions(), Lines{std::string(msg::Text(msg::kUndoMemoryQuestion))});
  EXPECT_TRUE(e.artBytes() == art);
  EXPECT_EQ(e.menu(), menu);
  // Convert To without a selected path does nothing, and the menu stays.
  EXPECT_EQ(ConvertToCommand(e.program, e.doc, art::ShapeKind::kCircle), EditResult::kNothing);
  EXPECT_EQ(e.menu(), menu);
}

TEST(PathCommands, TheWandToolPicksPathsOrPixels) {
  Editor e;
  const art::HitView view{0x10000, 0x10000, e.program.image.artScaleShift, 0, 0};
  // Without paths the click runs the pixel wand: the square under it becomes the selection.
  ASSERT_EQ(WandToolClick(e.program, e.doc, view, 30, 30, false, image::kSelectNew), EditResult::kDone);
  EXPECT_TRUE(e.program.image.pixelSelection);
  ASSERT_EQ(SelectNoneCommand(e.program, e.doc), EditResult::kDone);
  ASSERT_TRUE(e.convert().ranToEnd());
  // On the second square's left edge (x = 60 pixels): that path; Shift on it again: none.
  ASSERT_EQ(WandToolClick(e.program, e.doc, view, 60, 30, false, image::kSelectNew), EditResult::kDone);
  EXPECT_EQ(e.program.artwork.selectedCount, 1);
  EXPECT_TRUE(e.program.artwork.paths[1].flags & art::kSelected);
  ASSERT_EQ(WandToolClick(e.program, e.doc, view, 60, 30, true, image::kSelectNew), EditResult::kDone);
  EXPECT_EQ(e.program.artwork.selectedCount, 0);
  EXPECT_EQ(WandToolClick(e.program, e.doc, view, 5, 55, false, image::kSelectNew), EditResult::kNothing);
}


// Convert Selection Edge on a gray image traces the selection mask (no posterization, which
// this build lacks and plain Convert still refuses), and leaves the mask as it was.
TEST(SelectionEdge, TracesTheMaskOfAGrayImage) {
  DocumentRig r;
  Program& program = r.program;
  Document& doc = r.doc;
  ASSERT_TRUE(WriteGrayTiff(r.dir / "gray.tif", 100, 80, 128));
  ASSERT_TRUE(r.open(r.dir / "gray.tif"));
  struct NoDialogs : DocumentDialogs {
    bool chooseImageFile(std::string&) override { return false; }
    bool chooseArtFile(std::string&, ArtFormat&) override { return false; }
    bool choosePixelImageFile(std::string&, int&) override { return false; }
  } dialogs;
  CommandContext ctx{program, doc, dialogs};
  ASSERT_EQ(MarqueeSelect(program, doc, 20, 10, 59, 49, image::kSelectNew), EditResult::kDone);
  const Bytes mask = r.bits();
  ASSERT_TRUE(RunCommand(ctx, PackCommand(kCommandConvertSelectionEdge)));
  ASSERT_EQ(program.artwork.count, 1);
  const art::PathRecord& p = program.artwork.paths[0];
  const double s = program.image.artScale;
  EXPECT_NEAR(p.left, 20 * s, 6);
  EXPECT_NEAR(p.right, 60 * s, 6);
  EXPECT_NEAR(p.top, 10 * s, 6);
  EXPECT_NEAR(p.bottom, 50 * s, 6);
  EXPECT_EQ(r.bits(), mask);
  EXPECT_FALSE(program.app.selectionEdgeCommand);
  EXPECT_EQ(UndoMenuItem(program), MenuText(msg::kUndoPrefix, msg::kUndoConvert));
  // Plain Convert posterizes the selected pixels only (mid-gray is black by default) and
  // leaves the selection mask as it was. The default row filter averages each pixel with its
  // left and upper neighbours, which outside the selection read as white: the first selected
  // column and row turn white.
  r.ui->scriptAnswers({"yes"});  // "Convert image again?"
  ASSERT_TRUE(RunCommand(ctx, PackCommand(kCommandConvert)));
  ASSERT_EQ(program.artwork.count, 1);
  const art::PathRecord& q = program.artwork.paths[0];
  EXPECT_NEAR(q.left, 21 * s, 6);
  EXPECT_NEAR(q.right, 60 * s, 6);
  EXPECT_NEAR(q.top, 11 * s, 6);
  EXPECT_NEAR(q.bottom, 50 * s, 6);
  EXPECT_EQ(r.bits(), mask);
}

}  // namespace
}  // namespace vl::app::test
